#pragma once
// The X11 backend, reached without X11 headers.
#include "../Platform.h"

namespace gui {

// The module's single X11 backend (created on first use).
Platform& x11Platform();
// Tests: false makes windows created from then on send plain image requests instead of
// sharing their pixels with the server, as for a display on another machine.
void x11AllowSharedMemory(bool allow);

} // namespace gui
