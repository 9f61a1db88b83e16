#include "ChunkFile.h"

#include "PluginPreset.h"

#include <cctype>
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
    return file.write(data, static_cast<std::size_t>(size), error);
}

std::optional<PresetFile::Kind> presetKindOf(const std::string& path)
{
    std::string extension = std::filesystem::path(path).extension().string();
    for (char& c : extension)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".fxp")
        return PresetFile::Kind::program;
    if (extension == ".fxb")
        return PresetFile::Kind::bank;
    return std::nullopt;
}

std::optional<PresetFile> readPresetFile(const std::string& path, std::string& error)
{
    std::vector<char> bytes;
    if (!readChunkFile(path, bytes, error))
        return std::nullopt;
    auto preset = decodePreset(bytes, error);
    if (!preset)
        error = "'" + path + "' is not a usable preset file: " + error;
    return preset;
}

bool writePresetFile(PluginLoader& plugin, AtomicFile& file, std::string& error)
{
    const auto kind = presetKindOf(file.path());
    if (!kind) {
        error = "'" + file.path() + "': a preset file's name ends in .fxp (a program) or .fxb (a bank)";
        return false;
    }
    const auto preset = capturePreset(plugin, *kind, error);
    if (!preset) {
        error = "cannot save '" + file.path() + "': " + error;
        return false;
    }
    const std::vector<char> bytes = encodePreset(*preset);
    return file.write(bytes.data(), bytes.size(), error);
}
