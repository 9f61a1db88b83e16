#include "PngFile.h"

#include "AtomicFile.h"

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wconversion"
#pragma GCC diagnostic ignored "-Wsign-conversion"
#pragma GCC diagnostic ignored "-Wshadow"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#pragma GCC diagnostic ignored "-Wunused-parameter"
#pragma GCC diagnostic ignored "-Wdouble-promotion"
#pragma GCC diagnostic ignored "-Wimplicit-fallthrough"
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#include <stb_image_write.h>
#pragma GCC diagnostic pop

#include <cstdio>

namespace {

void collect(void* context, void* data, int size)
{
    auto* bytes = static_cast<std::vector<unsigned char>*>(context);
    const auto* from = static_cast<const unsigned char*>(data);
    bytes->insert(bytes->end(), from, from + size);
}

} // namespace

bool writePngFile(const std::string& path, const std::vector<unsigned char>& rgb, int width, int height,
                  std::string& error)
{
    std::vector<unsigned char> bytes;
    if (width <= 0 || height <= 0 || rgb.size() != std::size_t(width) * std::size_t(height) * 3 ||
        !stbi_write_png_to_func(collect, &bytes, width, height, 3, rgb.data(), width * 3)) {
        error = "cannot encode the PNG";
        return false;
    }
    AtomicFile file(path);
    if (file.create(error) < 0)
        return false;
    std::FILE* out = std::fopen(file.temporaryPath().c_str(), "wb");
    const bool written = out != nullptr && std::fwrite(bytes.data(), 1, bytes.size(), out) == bytes.size();
    const bool closed = out != nullptr && std::fclose(out) == 0;
    if (!written || !closed) {
        error = "cannot write '" + path + "'";
        return false;
    }
    return file.commit(error);
}
