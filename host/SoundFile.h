// The sound files of plughost process: read in any format libsndfile reads where the build has
// libsndfile (host/posix), WAV where it has not (host/win32: Windows builds); written as
// 32-bit float WAV. Errors come back as the reason alone; callers name the file.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

class SoundReader {
public:
    // Null with error saying why the file cannot be read.
    static std::unique_ptr<SoundReader> open(const std::string& path, std::string& error);
    // What open accepts, for --help.
    static const char* formats();

    virtual ~SoundReader() = default;
    virtual int channels() const = 0;
    virtual int sampleRate() const = 0;
    // Frames in the file; 0 when the format does not say.
    virtual std::int64_t frames() const = 0;
    // Up to count frames, interleaved; answers the frames read, 0 at the end, -1 with error.
    virtual std::int64_t read(float* interleaved, std::int64_t count, std::string& error) = 0;
};

class SoundWriter {
public:
    // A 32-bit float WAV file written into fd, which stays open and the caller's.
    static std::unique_ptr<SoundWriter> create(int fd, int sampleRate, int channels, std::string& error);

    virtual ~SoundWriter() = default;
    virtual bool write(const float* interleaved, std::int64_t count, std::string& error) = 0;
    // Completes the header; nothing may be written after it.
    virtual bool finish(std::string& error) = 0;
};
