// plughost's reports end their lines with a line feed alone, as on every other system, so that
// the same scripts and tests read them: standard output and error are binary from the start.
#include <fcntl.h>
#include <io.h>

#include <cstdio>

namespace {

const bool binaryStreams = [] {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    return true;
}();

} // namespace
