#include "Platform.h"

#include "x11/X11Platform.h"

namespace gui {

namespace {
Platform* installed = nullptr;
}

Platform& Platform::get() {
    return installed ? *installed : x11Platform();
}

void Platform::install(Platform* platform) {
    installed = platform;
}

} // namespace gui
