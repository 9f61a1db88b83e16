#include "AtomicFile.h"

#include <cstring>

// What the platforms share; creating, committing and discarding are in posix/ and win32/.
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
