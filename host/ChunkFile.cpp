#include "ChunkFile.h"

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {
constexpr std::int64_t maxChunkBytes = std::int64_t {1} << 30;
}

bool readChunkFile(const std::string& path, std::vector<char>& bytes, std::string& error)
{
    std::error_code failure;
    const auto status = std::filesystem::status(path, failure);
    if (failure) {
        error = "cannot read '" + path + "': " + failure.message();
        return false;
    }
    if (!std::filesystem::is_regular_file(status)) {
        error = "cannot read '" + path + "': not a regular file";
        return false;
    }
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file) {
        error = "cannot read '" + path + "': " + std::strerror(errno);
        return false;
    }
    const std::streamoff size = file.tellg();
    if (size <= 0 || size > maxChunkBytes) {
        error = "cannot read '" + path + "': " + (size == 0 ? "the file is empty" : "larger than 1 GiB");
        return false;
    }
    bytes.resize(static_cast<size_t>(size));
    file.seekg(0);
    if (!file.read(bytes.data(), static_cast<std::streamsize>(size))) {
        error = "cannot read '" + path + "'";
        return false;
    }
    return true;
}

bool writeChunk(PluginLoader& plugin, AtomicFile& file, std::string& error)
{
    void* data = nullptr;
    const VstIntPtr size = plugin.dispatch(effGetChunk, 0, 0, &data);
    if (size <= 0 || data == nullptr) {
        error = "the plug-in gave no chunk to save";
        return false;
    }
    std::FILE* out = std::fopen(file.temporaryPath().c_str(), "wb");
    if (out == nullptr) {
        error = "cannot write '" + file.path() + "': " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(data, 1, static_cast<size_t>(size), out) == static_cast<size_t>(size);
    const bool closed = std::fclose(out) == 0;
    if (!written || !closed) {
        error = "cannot write '" + file.path() + "': " + std::strerror(errno);
        return false;
    }
    return true;
}
