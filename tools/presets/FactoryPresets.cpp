// Prints or writes the factory presets in the forms plughost takes, for the demo and the tests.
//
//   factory_presets ombrisk              one line per preset: NAME TAIL --param INDEX=VALUE ...
//   factory_presets vorlane DIRECTORY    writes DIRECTORY/NAME.chunk per preset, prints the paths
//   factory_presets titles ombrisk|vorlane   one line per preset: NAME TITLE (the title may hold spaces)
#include "DelayPresets.h"
#include "ShaperPresets.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <span>
#include <string>
#include <system_error>

namespace {

int printOmbrisk()
{
    for (const ombrisk::Preset& preset : ombrisk::presets()) {
        std::printf("%s %g", preset.name, preset.tail);
        for (int i = 0; i < ombrisk::parameterCount; ++i)
            std::printf(" --param %d=%.9g", i, static_cast<double>(preset.values[i]));
        std::printf("\n");
    }
    return 0;
}

int writeVorlane(const std::filesystem::path& directory)
{
    std::error_code error;
    std::filesystem::create_directories(directory, error);
    for (const vorlane::Preset& preset : vorlane::presets()) {
        const auto bytes = vorlane::encodeChunk(preset.state);
        const std::filesystem::path path = directory / (std::string(preset.name) + ".chunk");
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::fprintf(stderr, "factory_presets: cannot write the presets: %s\n", path.string().c_str());
            return 1;
        }
        std::printf("%s\n", path.string().c_str());
    }
    return 0;
}

template <typename Preset>
int printTitles(std::span<const Preset> presets)
{
    for (const Preset& preset : presets)
        std::printf("%s %s\n", preset.name, preset.title);
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string what = argc > 1 ? argv[1] : "";
    if (what == "ombrisk" && argc == 2)
        return printOmbrisk();
    if (what == "vorlane" && argc == 3)
        return writeVorlane(argv[2]);
    if (what == "titles" && argc == 3 && std::string(argv[2]) == "ombrisk")
        return printTitles(ombrisk::presets());
    if (what == "titles" && argc == 3 && std::string(argv[2]) == "vorlane")
        return printTitles(vorlane::presets());
    std::fprintf(stderr, "usage: factory_presets ombrisk | factory_presets vorlane DIRECTORY | "
                         "factory_presets titles ombrisk|vorlane\n");
    return 2;
}
