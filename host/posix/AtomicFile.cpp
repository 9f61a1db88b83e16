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

bool AtomicFile::flushAndClose(int fd)
{
    const bool synced = ::fsync(fd) == 0;
    const int syncErrno = errno;
    const bool closed = ::close(fd) == 0;
    if (!synced)
        errno = syncErrno;
    return synced && closed;
}

bool AtomicFile::replaceFile(const std::string& from, const std::string& to)
{
    return ::rename(from.c_str(), to.c_str()) == 0;
}

void AtomicFile::closeFile(int fd)
{
    ::close(fd);
}

void AtomicFile::removeFile(const std::string& path)
{
    ::unlink(path.c_str());
}
