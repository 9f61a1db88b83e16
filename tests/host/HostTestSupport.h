// Helpers for the tests that run plughost and the real hosts' scanners as programs: running a
// command with captured output, scratch folders, and WAV files in and out.
#pragma once

#include <filesystem>
#include <map>
#include <string>
#include <vector>

struct CommandResult {
    int exitCode = -1;  // 128 + signal number when killed by a signal
    std::string out;
    std::string err;
};

// Runs program with arguments (no shell); stdin is /dev/null unless input is given.
CommandResult runCommand(const std::vector<std::string>& command,
                         const std::map<std::string, std::string>& environment = {},
                         const std::string& input = {});

// The file of an installed Debian package whose path ends in suffix, or "" when the package
// is not installed.
std::string packageFile(const std::string& package, const std::string& suffix);

// A fresh folder under the test temp dir, removed with its contents when destroyed.
class ScratchFolder {
public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }
    const std::filesystem::path& path() const { return path_; }
    std::vector<std::string> names() const;

private:
    std::filesystem::path path_;
};

struct Sound {
    int sampleRate = 0;
    int channels = 0;
    std::vector<float> samples;  // interleaved
    long frames() const { return channels > 0 ? static_cast<long>(samples.size()) / channels : 0; }
    float at(long frame, int channel) const { return samples[static_cast<size_t>(frame * channels + channel)]; }
};

// Writes a 32-bit float WAV file; answers false on failure.
bool writeSound(const std::filesystem::path& path, const Sound& sound);
// Reads any sound file libsndfile reads; channels 0 when it cannot.
Sound readSound(const std::filesystem::path& path);

std::string readText(const std::filesystem::path& path);
void writeText(const std::filesystem::path& path, const std::string& text);
