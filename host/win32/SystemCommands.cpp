#include "Command.h"

#include <span>

// validate is not here: it runs each check in a process of its own (fork) and opens editors on
// an X display.
std::span<const Command> systemCommands()
{
    return {};
}
