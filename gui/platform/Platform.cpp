#include "Platform.h"

namespace gui {

namespace {
Platform* installed = nullptr;
}

Platform& Platform::get() {
    return installed ? *installed : defaultPlatform();
}

void Platform::install(Platform* platform) {
    installed = platform;
}

} // namespace gui
