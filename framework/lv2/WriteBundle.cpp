// Writes a plug-in's turtle files into the bundle directory given: lv2_turtle DIRECTORY.
#include "Turtle.h"

#include <cstdio>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s BUNDLE_DIRECTORY\n", argv[0]);
        return 2;
    }
    return lv2::writeBundle(argv[1], lv2::pluginInfo(), lv2::factoryPresets()) ? 0 : 1;
}
