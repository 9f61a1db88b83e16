// The signals that end a terminal session on this system (interrupt, termination, hang-up...),
// on which plughost stops its work and removes its temporary files. host/posix, host/win32.
#pragma once

#include <span>

std::span<const int> stoppingSignals();
