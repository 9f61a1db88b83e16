// Sound files without libsndfile (which Windows builds do not have): WAV files of 8-, 16-,
// 24- or 32-bit integer or 32- or 64-bit float samples are read; 32-bit float WAV is written.
#include "SoundFile.h"

#include <io.h>

#include <cerrno>
#include <cstdio>
#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

namespace {

std::uint32_t u16(const unsigned char* p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8);
}

std::uint32_t u32(const unsigned char* p)
{
    return u16(p) | (u16(p + 2) << 16);
}

void put16(unsigned char* p, std::uint32_t v)
{
    p[0] = static_cast<unsigned char>(v);
    p[1] = static_cast<unsigned char>(v >> 8);
}

void put32(unsigned char* p, std::uint32_t v)
{
    put16(p, v & 0xffff);
    put16(p + 2, v >> 16);
}

constexpr std::uint32_t formatPcm = 1;
constexpr std::uint32_t formatFloat = 3;
constexpr std::uint32_t formatExtensible = 0xfffe;

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

class WavReader : public SoundReader {
public:
    int channels() const override { return channels_; }
    int sampleRate() const override { return sampleRate_; }
    std::int64_t frames() const override { return frames_; }

    // Reads the header up to the start of the samples; false with error.
    bool start(File file, std::string& error)
    {
        file_ = std::move(file);
        unsigned char riff[12];
        if (std::fread(riff, 1, sizeof riff, file_.get()) != sizeof riff || std::memcmp(riff, "RIFF", 4) != 0 ||
            std::memcmp(riff + 8, "WAVE", 4) != 0) {
            error = "not a WAV file (this build reads WAV files only)";
            return false;
        }
        bool haveFormat = false;
        for (;;) {
            unsigned char header[8];
            if (std::fread(header, 1, sizeof header, file_.get()) != sizeof header) {
                error = "no sound data in the WAV file";
                return false;
            }
            const std::uint32_t size = u32(header + 4);
            if (std::memcmp(header, "fmt ", 4) == 0) {
                if (size < 16 || size > 1024) {
                    error = "malformed WAV format chunk";
                    return false;
                }
                std::vector<unsigned char> format(size + (size & 1));
                if (std::fread(format.data(), 1, format.size(), file_.get()) != format.size() ||
                    !readFormat(format.data(), size, error))
                    return false;
                haveFormat = true;
            } else if (std::memcmp(header, "data", 4) == 0) {
                if (!haveFormat) {
                    error = "WAV data before its format";
                    return false;
                }
                frames_ = size / std::uint32_t(frameBytes_);
                remaining_ = frames_;
                return true;
            } else if (std::fseek(file_.get(), long(size + (size & 1)), SEEK_CUR) != 0) {
                error = "truncated WAV file";
                return false;
            }
        }
    }

    std::int64_t read(float* interleaved, std::int64_t count, std::string& error) override
    {
        const std::int64_t wanted = std::min(count, remaining_);
        if (wanted <= 0)
            return 0;
        bytes_.resize(std::size_t(wanted) * std::size_t(frameBytes_));
        const std::size_t got = std::fread(bytes_.data(), 1, bytes_.size(), file_.get());
        if (got < bytes_.size() && std::ferror(file_.get())) {
            error = std::strerror(errno);
            return -1;
        }
        // A file cut short ends where its last whole frame ends.
        const std::int64_t frames = std::int64_t(got / std::size_t(frameBytes_));
        remaining_ = frames < wanted ? 0 : remaining_ - frames;
        const std::size_t samples = std::size_t(frames) * std::size_t(channels_);
        const unsigned char* p = bytes_.data();
        const std::size_t width = std::size_t(bits_ / 8);
        for (std::size_t i = 0; i < samples; ++i, p += width)
            interleaved[i] = sample(p);
        return frames;
    }

private:
    bool readFormat(const unsigned char* format, std::uint32_t size, std::string& error)
    {
        std::uint32_t tag = u16(format);
        channels_ = int(u16(format + 2));
        sampleRate_ = int(u32(format + 4));
        frameBytes_ = int(u16(format + 12));
        bits_ = int(u16(format + 14));
        if (tag == formatExtensible && size >= 40)
            tag = u16(format + 24); // the sub-format's first two bytes are the plain tag
        float_ = tag == formatFloat;
        const bool supported = (tag == formatPcm && (bits_ == 8 || bits_ == 16 || bits_ == 24 || bits_ == 32)) ||
                               (float_ && (bits_ == 32 || bits_ == 64));
        if (!supported) {
            error = "unsupported WAV sample format (tag " + std::to_string(tag) + ", " + std::to_string(bits_) +
                    " bits)";
            return false;
        }
        if (channels_ <= 0 || sampleRate_ <= 0 || frameBytes_ != channels_ * (bits_ / 8)) {
            error = "malformed WAV format chunk";
            return false;
        }
        return true;
    }

    float sample(const unsigned char* p) const
    {
        if (float_) {
            if (bits_ == 32) {
                float f;
                const std::uint32_t raw = u32(p);
                std::memcpy(&f, &raw, sizeof f);
                return f;
            }
            double d;
            const std::uint64_t raw = std::uint64_t(u32(p)) | (std::uint64_t(u32(p + 4)) << 32);
            std::memcpy(&d, &raw, sizeof d);
            return static_cast<float>(d);
        }
        switch (bits_) {
        case 8:
            return static_cast<float>(int(p[0]) - 128) / 128.0f;
        case 16:
            return static_cast<float>(std::int16_t(u16(p))) / 32768.0f;
        case 24:
            return static_cast<float>(
                       std::int32_t((std::uint32_t(p[0]) << 8) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 24)) >> 8) /
                   8388608.0f;
        default:
            return static_cast<float>(static_cast<double>(std::int32_t(u32(p))) / 2147483648.0);
        }
    }

    File file_;
    int channels_ = 0;
    int sampleRate_ = 0;
    int frameBytes_ = 0;
    int bits_ = 0;
    bool float_ = false;
    std::int64_t frames_ = 0;
    std::int64_t remaining_ = 0;
    std::vector<unsigned char> bytes_;
};

class WavWriter : public SoundWriter {
public:
    WavWriter(int fd, int sampleRate, int channels) : fd_(fd), sampleRate_(sampleRate), channels_(channels) {}

    bool writeHeader(std::string& error) { return put(header(), error); }

    bool write(const float* interleaved, std::int64_t count, std::string& error) override
    {
        const std::uint64_t bytes = std::uint64_t(count) * std::uint64_t(channels_) * 4;
        if (dataBytes_ + bytes > std::numeric_limits<std::uint32_t>::max() - 64) {
            error = "a WAV file holds at most 4 GiB";
            return false;
        }
        // WAV samples are little-endian, as the machines we run on are.
        std::vector<unsigned char> out(static_cast<std::size_t>(bytes));
        std::memcpy(out.data(), interleaved, out.size());
        if (!put(out, error))
            return false;
        dataBytes_ += bytes;
        return true;
    }

    bool finish(std::string& error) override
    {
        if (_lseeki64(fd_, 0, SEEK_SET) != 0) {
            error = std::strerror(errno);
            return false;
        }
        return put(header(), error);
    }

private:
    std::vector<unsigned char> header() const
    {
        std::vector<unsigned char> h(44);
        std::memcpy(h.data(), "RIFF", 4);
        put32(h.data() + 4, std::uint32_t(36 + dataBytes_));
        std::memcpy(h.data() + 8, "WAVEfmt ", 8);
        put32(h.data() + 16, 16);
        put16(h.data() + 20, formatFloat);
        put16(h.data() + 22, std::uint32_t(channels_));
        put32(h.data() + 24, std::uint32_t(sampleRate_));
        put32(h.data() + 28, std::uint32_t(sampleRate_) * std::uint32_t(channels_) * 4);
        put16(h.data() + 32, std::uint32_t(channels_) * 4);
        put16(h.data() + 34, 32);
        std::memcpy(h.data() + 36, "data", 4);
        put32(h.data() + 40, std::uint32_t(dataBytes_));
        return h;
    }

    bool put(const std::vector<unsigned char>& bytes, std::string& error)
    {
        for (std::size_t done = 0; done < bytes.size();) {
            const int n = _write(fd_, bytes.data() + done, unsigned(std::min<std::size_t>(bytes.size() - done, 1u << 30)));
            if (n <= 0) {
                error = std::strerror(errno);
                return false;
            }
            done += std::size_t(n);
        }
        return true;
    }

    int fd_;
    int sampleRate_;
    int channels_;
    std::uint64_t dataBytes_ = 0;
};

} // namespace

std::unique_ptr<SoundReader> SoundReader::open(const std::string& path, std::string& error)
{
    File file(std::fopen(path.c_str(), "rb"));
    if (file == nullptr) {
        error = std::strerror(errno);
        return nullptr;
    }
    auto reader = std::make_unique<WavReader>();
    if (!reader->start(std::move(file), error))
        return nullptr;
    return reader;
}

const char* SoundReader::formats()
{
    return "a WAV file of 8-, 16-, 24- or 32-bit integer or 32- or 64-bit float samples";
}

std::unique_ptr<SoundWriter> SoundWriter::create(int fd, int sampleRate, int channels, std::string& error)
{
    auto writer = std::make_unique<WavWriter>(fd, sampleRate, channels);
    if (!writer->writeHeader(error))
        return nullptr;
    return writer;
}
