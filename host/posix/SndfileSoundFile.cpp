// Sound files through libsndfile.
#include "SoundFile.h"

#include <sndfile.h>

namespace {

struct Closer {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using Handle = std::unique_ptr<SNDFILE, Closer>;

class SndfileReader : public SoundReader {
public:
    SndfileReader(Handle file, const SF_INFO& info) : file_(std::move(file)), info_(info) {}
    int channels() const override { return info_.channels; }
    int sampleRate() const override { return info_.samplerate; }
    std::int64_t frames() const override { return info_.frames > 0 ? info_.frames : 0; }
    std::int64_t read(float* interleaved, std::int64_t count, std::string& error) override
    {
        const sf_count_t got = sf_readf_float(file_.get(), interleaved, count);
        if (got <= 0 && sf_error(file_.get()) != SF_ERR_NO_ERROR) {
            error = sf_strerror(file_.get());
            return -1;
        }
        return got > 0 ? got : 0;
    }

private:
    Handle file_;
    SF_INFO info_;
};

class SndfileWriter : public SoundWriter {
public:
    explicit SndfileWriter(Handle file) : file_(std::move(file)) {}
    bool write(const float* interleaved, std::int64_t count, std::string& error) override
    {
        if (sf_writef_float(file_.get(), interleaved, count) == count)
            return true;
        error = sf_strerror(file_.get());
        return false;
    }
    bool finish(std::string& error) override
    {
        const int closeError = sf_close(file_.release());
        if (closeError == 0)
            return true;
        error = sf_error_number(closeError);
        return false;
    }

private:
    Handle file_;
};

} // namespace

std::unique_ptr<SoundReader> SoundReader::open(const std::string& path, std::string& error)
{
    SF_INFO info {};
    Handle file(sf_open(path.c_str(), SFM_READ, &info));
    if (file == nullptr) {
        error = sf_strerror(nullptr);
        return nullptr;
    }
    return std::make_unique<SndfileReader>(std::move(file), info);
}

const char* SoundReader::formats()
{
    return "any format libsndfile reads";
}

std::unique_ptr<SoundWriter> SoundWriter::create(int fd, int sampleRate, int channels, std::string& error)
{
    SF_INFO info {};
    info.samplerate = sampleRate;
    info.channels = channels;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    Handle file(sf_open_fd(fd, SFM_WRITE, &info, SF_FALSE));
    if (file == nullptr) {
        error = sf_strerror(nullptr);
        return nullptr;
    }
    // Plain readers stumble over the optional peak chunk; it carries nothing we need.
    sf_command(file.get(), SFC_SET_ADD_PEAK_CHUNK, nullptr, SF_FALSE);
    return std::make_unique<SndfileWriter>(std::move(file));
}
