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

bool AtomicFile::commit(std::string& error)
{
    if (temporary_.empty()) {
        error = "cannot write '" + path_ + "': nothing was written";
        return false;
    }
    if (fd_ >= 0) {
        const bool synced = ::_commit(fd_) == 0;
        const int syncErrno = errno;
        const bool closed = ::_close(fd_) == 0;
        fd_ = -1;
        if (!synced || !closed) {
            error = describe(synced ? errno : syncErrno);
            discard();
            return false;
        }
    }
    if (!MoveFileExA(temporary_.c_str(), path_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = describe(GetLastError() == ERROR_ACCESS_DENIED ? EACCES : EIO);
        discard();
        return false;
    }
    committed_ = true;
    return true;
}

void AtomicFile::discard()
{
    if (fd_ >= 0) {
        ::_close(fd_);
        fd_ = -1;
    }
    if (!committed_ && !temporary_.empty()) {
        DeleteFileA(temporary_.c_str());
        temporary_.clear();
    }
}
