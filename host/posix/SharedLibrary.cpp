#include "SharedLibrary.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace {

std::string quoted(const std::string& path)
{
    return "'" + path + "'";
}

// Checks that the file can be read and starts like an ELF object before dlopen gets it, so
// that the common mistakes get a plain message instead of the dynamic linker's.
bool checkFile(const std::string& path, std::string& error)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot open " + quoted(path) + ": " + std::strerror(errno);
        return false;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        error = quoted(path) + " is not a regular file";
        return false;
    }
    unsigned char header[4] = {};
    const ssize_t got = ::read(fd, header, sizeof header);
    const int readErrno = errno;
    ::close(fd);
    if (got < 0) {
        error = "cannot read " + quoted(path) + ": " + std::strerror(readErrno);
        return false;
    }
    if (got != 4 || std::memcmp(header, "\x7f" "ELF", 4) != 0) {
        error = quoted(path) + " is not a shared library (no ELF header)";
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
    ::dlerror();
    // A name without a folder would make dlopen search the library path and load whatever
    // library of that name it finds there: the plug-in is always the file named.
    const std::string file = path.find('/') == std::string::npos ? "./" + path : path;
    void* library = ::dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr) {
        const char* why = ::dlerror();
        error = "cannot load " + quoted(path) + " as a shared library: " + (why ? why : "unknown error");
    }
    return library;
}

// dlsym also searches the library's dependencies; an entry must be the library's own.
void* symbol(void* library, const char* name)
{
    void* found = ::dlsym(library, name);
    if (found == nullptr)
        return nullptr;
    link_map* libraryMap = nullptr;
    if (::dlinfo(library, RTLD_DI_LINKMAP, &libraryMap) != 0)
        return nullptr;
    Dl_info info {};
    link_map* symbolMap = nullptr;
    if (::dladdr1(found, &info, reinterpret_cast<void**>(&symbolMap), RTLD_DL_LINKMAP) == 0)
        return nullptr;
    return symbolMap == libraryMap ? found : nullptr;
}

void close(void* library)
{
    ::dlclose(library);
}

} // namespace sharedlibrary
