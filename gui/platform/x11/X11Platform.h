#pragma once
// The X11 backend, reached without X11 headers.
#include "../Platform.h"

namespace gui {

// The module's single X11 backend (created on first use).
Platform& x11Platform();

} // namespace gui
