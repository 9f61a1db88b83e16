#include "AtomicFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

// What the systems share; creating the file and the calls below it are in posix/ and win32/.
AtomicFile::AtomicFile(std::string path) : path_(std::move(path)) {}

AtomicFile::~AtomicFile()
{
    discard();
}

const std::string& AtomicFile::path() const
{
    return path_;
}

const std::string& AtomicFile::temporaryPath() const
{
    return temporary_;
}

std::string AtomicFile::describe(int error) const
{
    return "cannot write '" + path_ + "': " + std::strerror(error);
}

bool AtomicFile::write(const void* data, std::size_t size, std::string& error)
{
    std::FILE* out = std::fopen(temporary_.c_str(), "wb");
    if (out == nullptr) {
        error = describe(errno);
        return false;
    }
    const bool written = std::fwrite(data, 1, size, out) == size;
    const bool closed = std::fclose(out) == 0;
    if (!written || !closed) {
        error = describe(errno);
        return false;
    }
    return true;
}

bool AtomicFile::commit(std::string& error)
{
    if (temporary_.empty()) {
        error = "cannot write '" + path_ + "': nothing was written";
        return false;
    }
    if (fd_ >= 0) {
        const int fd = fd_;
        fd_ = -1;
        if (!flushAndClose(fd)) {
            error = describe(errno);
            discard();
            return false;
        }
    }
    if (!replaceFile(temporary_, path_)) {
        error = describe(errno);
        discard();
        return false;
    }
    committed_ = true;
    return true;
}

void AtomicFile::discard()
{
    if (fd_ >= 0) {
        closeFile(fd_);
        fd_ = -1;
    }
    if (!committed_ && !temporary_.empty()) {
        removeFile(temporary_);
        temporary_.clear();
    }
}
