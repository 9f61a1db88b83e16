#include "SharedLibrary.h"

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {

std::string quoted(const std::string& path)
{
    return "'" + path + "'";
}

std::string systemMessage(DWORD code)
{
    char text[512] = {};
    const DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                                        text, sizeof text, nullptr);
    std::string message(text, length);
    while (!message.empty() && (message.back() == '\n' || message.back() == '\r' || message.back() == '.'))
        message.pop_back();
    if (message.empty())
        message = "error " + std::to_string(code);
    return message;
}

// Checks that the file can be read and starts like a PE image before LoadLibrary gets it, so
// that the common mistakes get a plain message instead of the loader's.
bool checkFile(const std::string& path, std::string& error)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD code = GetLastError();
        const bool missing = code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND;
        error = "cannot open " + quoted(path) + ": " + (missing ? std::strerror(ENOENT) : systemMessage(code));
        return false;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        error = quoted(path) + " is not a regular file";
        return false;
    }
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr) {
        error = "cannot open " + quoted(path) + ": " + std::strerror(errno);
        return false;
    }
    unsigned char header[2] = {};
    const std::size_t got = std::fread(header, 1, sizeof header, file);
    std::fclose(file);
    if (got != 2 || header[0] != 'M' || header[1] != 'Z') {
        error = quoted(path) + " is not a shared library (no MZ header)";
        return false;
    }
    return true;
}

} // namespace

namespace sharedlibrary {

void* open(const std::string& path, std::string& error)
{
    if (!checkFile(path, error))
        return nullptr;
    // A name without a folder would make LoadLibrary search the system's folders and load
    // whatever library of that name it finds there: the plug-in is always the file named, by
    // its full path (which the altered search order also asks for).
    char full[MAX_PATH] = {};
    const DWORD length = GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    if (length == 0 || length >= sizeof full) {
        error = "cannot load " + quoted(path) + " as a shared library: its full path is too long";
        return nullptr;
    }
    // No message boxes for libraries that cannot be loaded: this is a command-line program.
    const UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    HMODULE library = LoadLibraryExA(full, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    const DWORD code = GetLastError();
    SetErrorMode(previous);
    if (library == nullptr)
        error = "cannot load " + quoted(path) + " as a shared library: " + systemMessage(code);
    return reinterpret_cast<void*>(library);
}

// GetProcAddress reads only the library's own export table.
void* symbol(void* library, const char* name)
{
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(library), name));
}

void close(void* library)
{
    FreeLibrary(static_cast<HMODULE>(library));
}

} // namespace sharedlibrary
