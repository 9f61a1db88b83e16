#include "HostTestSupport.h"

#include <sndfile.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fcntl.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

extern char** environ;

CommandResult runCommand(const std::vector<std::string>& command,
                         const std::map<std::string, std::string>& environment, const std::string& input)
{
    ScratchFolder io;
    const std::string inPath = (io / "stdin").string();
    const std::string outPath = (io / "stdout").string();
    const std::string errPath = (io / "stderr").string();
    writeText(inPath, input);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, inPath.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    posix_spawn_file_actions_addopen(&actions, 2, errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);

    std::vector<std::string> variables;
    for (char** e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (environment.count(name) == 0)
            variables.push_back(entry);
    }
    for (const auto& [name, value] : environment)
        variables.push_back(name + "=" + value);
    std::vector<char*> envp;
    for (auto& v : variables)
        envp.push_back(v.data());
    envp.push_back(nullptr);
    std::vector<std::string> argStorage = command;
    std::vector<char*> argv;
    for (auto& a : argStorage)
        argv.push_back(a.data());
    argv.push_back(nullptr);

    CommandResult result;
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        result.err = "cannot start " + command[0];
        return result;
    }
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    result.out = readText(outPath);
    result.err = readText(errPath);
    return result;
}

ScratchFolder::ScratchFolder()
{
    std::string pattern = (std::filesystem::path(testing::TempDir()) / "hosttest.XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a scratch folder");
    path_ = pattern;
}

ScratchFolder::~ScratchFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

std::vector<std::string> ScratchFolder::names() const
{
    std::vector<std::string> result;
    for (const auto& entry : std::filesystem::directory_iterator(path_))
        result.push_back(entry.path().filename().string());
    std::sort(result.begin(), result.end());
    return result;
}

bool writeSound(const std::filesystem::path& path, const Sound& sound)
{
    SF_INFO info {};
    info.samplerate = sound.sampleRate;
    info.channels = sound.channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    if (file == nullptr)
        return false;
    const sf_count_t frames = sound.frames();
    const bool ok = sf_writef_float(file, sound.samples.data(), frames) == frames;
    return sf_close(file) == 0 && ok;
}

Sound readSound(const std::filesystem::path& path)
{
    SF_INFO info {};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    Sound sound;
    if (file == nullptr)
        return sound;
    sound.samples.resize(static_cast<size_t>(info.frames * info.channels));
    const sf_count_t got = sf_readf_float(file, sound.samples.data(), info.frames);
    sf_close(file);
    if (got != info.frames)
        return sound;
    sound.sampleRate = info.samplerate;
    sound.channels = info.channels;
    return sound;
}

std::string readText(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

void writeText(const std::filesystem::path& path, const std::string& text)
{
    std::ofstream(path, std::ios::binary) << text;
}

std::string packageFile(const std::string& package, const std::string& suffix)
{
    const auto listing = runCommand({"dpkg", "-L", package});
    std::istringstream lines(listing.out);
    for (std::string line; std::getline(lines, line);)
        if (line.size() > suffix.size() && line.compare(line.size() - suffix.size(), suffix.size(), suffix) == 0)
            return line;
    return {};
}
