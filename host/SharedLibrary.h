// The plug-in library as the system loads it: dlopen on ELF systems (host/posix), LoadLibrary
// on Windows (host/win32).
#pragma once

#include <string>

namespace sharedlibrary {

// Host thread. Checks that path is a readable library file of the system's kind and loads it;
// null with error saying why (in plain words for the common mistakes).
void* open(const std::string& path, std::string& error);
// The library's own exported symbol of that name (not one of its dependencies'); null if none.
void* symbol(void* library, const char* name);
void close(void* library);

} // namespace sharedlibrary
