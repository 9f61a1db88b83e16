// make_artwork [--check] PLUGIN FOLDER: draws a plug-in's bitmaps into FOLDER as BMP files, or
// with --check compares them with the files there and names every one that differs, is
// missing or is not drawn here.
#include "Artwork.h"

#include "gui/Surface.h"

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>
#include <system_error>
#include <vector>

namespace {

const artwork::Artwork* const artworks[] = {&artwork::ombriskArtwork, &artwork::vorlaneArtwork,
                                            &artwork::widgetTestArtwork};

const char* const usage = "usage: make_artwork [--check] PLUGIN FOLDER\n"
                          "  Draws PLUGIN's bitmaps into FOLDER as ID-NAME.bmp files; with --check, compares\n"
                          "  them with FOLDER's files instead and fails on any difference.\n";

std::string fileName(const artwork::Bitmap& b) {
    return std::to_string(b.id) + "-" + b.name + ".bmp";
}

bool render(const artwork::Bitmap& b, std::vector<std::uint8_t>& bytes, std::string& error) {
    gui::PixelBuffer surface(b.width, b.height);
    {
        gui::DrawPort port(nullptr, &surface, nullptr);
        b.draw(port);
    }
    return artwork::encodeBmp(surface, b.depth, bytes, error);
}

bool readFile(const std::filesystem::path& path, std::vector<std::uint8_t>& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Through a temporary file, so a failed write never leaves half a bitmap behind.
bool writeFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        if (!out.flush()) return false;
    }
    std::error_code failed;
    std::filesystem::rename(temporary, path, failed);
    if (failed) std::filesystem::remove(temporary, failed);
    return !failed;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    const bool check = !args.empty() && args[0] == "--check";
    if (check) args.erase(args.begin());
    if (args.size() != 2) {
        std::fputs(usage, stderr);
        return 2;
    }
    const artwork::Artwork* chosen = nullptr;
    for (const artwork::Artwork* a : artworks) {
        if (args[0] == a->plugin) chosen = a;
    }
    if (!chosen) {
        std::fprintf(stderr, "make_artwork: no artwork for '%s'\n", args[0].c_str());
        return 2;
    }
    const std::filesystem::path folder = args[1];
    std::error_code failed;
    if (!std::filesystem::is_directory(folder, failed)) {
        std::fprintf(stderr, "make_artwork: '%s' is not a folder\n", folder.c_str());
        return 2;
    }
    int problems = 0;
    std::set<std::string> drawn;
    for (const artwork::Bitmap& b : chosen->bitmaps) {
        const std::filesystem::path path = folder / fileName(b);
        drawn.insert(fileName(b));
        std::vector<std::uint8_t> bytes;
        std::string error;
        if (!render(b, bytes, error)) {
            std::fprintf(stderr, "make_artwork: %s: %s\n", path.c_str(), error.c_str());
            ++problems;
        } else if (check) {
            std::vector<std::uint8_t> stored;
            if (!readFile(path, stored)) {
                std::fprintf(stderr, "make_artwork: %s is missing\n", path.c_str());
                ++problems;
            } else if (stored != bytes) {
                std::fprintf(stderr, "make_artwork: %s differs from what is drawn now\n", path.c_str());
                ++problems;
            }
        } else if (!writeFile(path, bytes)) {
            std::fprintf(stderr, "make_artwork: cannot write %s\n", path.c_str());
            ++problems;
        }
    }
    if (check) {
        for (const auto& entry : std::filesystem::directory_iterator(folder, failed)) {
            const std::string name = entry.path().filename().string();
            if (entry.path().extension() == ".bmp" && !drawn.count(name)) {
                std::fprintf(stderr, "make_artwork: %s is not drawn by make_artwork %s\n", entry.path().c_str(),
                             chosen->plugin);
                ++problems;
            }
        }
    }
    return problems == 0 ? 0 : 1;
}
