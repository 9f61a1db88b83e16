#include "AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <vector>

int AtomicFile::create(std::string& error)
{
    struct stat info {};
    if (::stat(path_.c_str(), &info) == 0 && S_ISDIR(info.st_mode)) {
        error = "cannot write '" + path_ + "': it is a directory";
        return -1;
    }
    const std::filesystem::path target(path_);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    std::string pattern = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    fd_ = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd_ < 0) {
        error = describe(errno);
        return -1;
    }
    temporary_ = name.data();
    // mkstemp makes the file private; give it the mode a plain create would have given.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd_, 0666 & ~mask);
    return fd_;
}

bool AtomicFile::commit(std::string& error)
{
    if (temporary_.empty()) {
        error = "cannot write '" + path_ + "': nothing was written";
        return false;
    }
    if (fd_ >= 0) {
        const bool synced = ::fsync(fd_) == 0;
        const int syncErrno = errno;
        const bool closed = ::close(fd_) == 0;
        fd_ = -1;
        if (!synced || !closed) {
            error = describe(synced ? errno : syncErrno);
            discard();
            return false;
        }
    }
    if (::rename(temporary_.c_str(), path_.c_str()) != 0) {
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
        ::close(fd_);
        fd_ = -1;
    }
    if (!committed_ && !temporary_.empty()) {
        ::unlink(temporary_.c_str());
        temporary_.clear();
    }
}
