#pragma once
// The Win32 backend, reached without Windows headers.
#include "../Platform.h"

namespace gui {

// The module's single Win32 backend (created on first use).
Platform& win32Platform();

} // namespace gui
