#include "AtomicFile.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

int AtomicFile::create(std::string& error)
{
    const DWORD attributes = GetFileAttributesA(path_.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        error = "cannot write '" + path_ + "': it is a directory";
        return -1;
    }
    const std::filesystem::path target(path_);
    std::filesystem::path folder = target.parent_path();
    if (folder.empty())
        folder = ".";
    // A name of our own beside the target: process id and a counter, created exclusively.
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        const std::string name = (folder / ("." + target.filename().string() + "." +
                                            std::to_string(GetCurrentProcessId()) + "-" + std::to_string(attempt)))
                                     .string();
        fd_ = ::_open(name.c_str(), _O_CREAT | _O_EXCL | _O_RDWR | _O_BINARY | _O_NOINHERIT, _S_IREAD | _S_IWRITE);
        if (fd_ >= 0) {
            temporary_ = name;
            return fd_;
        }
        if (errno != EEXIST)
            break;
    }
    error = describe(errno);
    return -1;
}

bool AtomicFile::flushAndClose(int fd)
{
    const bool synced = ::_commit(fd) == 0;
    const int syncErrno = errno;
    const bool closed = ::_close(fd) == 0;
    if (!synced)
        errno = syncErrno;
    return synced && closed;
}

// Unlike rename, replaces an existing file.
bool AtomicFile::replaceFile(const std::string& from, const std::string& to)
{
    if (MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return true;
    errno = GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO;
    return false;
}

void AtomicFile::closeFile(int fd)
{
    ::_close(fd);
}

void AtomicFile::removeFile(const std::string& path)
{
    DeleteFileA(path.c_str());
}
