#include "Command.h"

#include <span>

int validateCommand(const CommandArguments& arguments);

// validate runs each check in a process of its own and opens editors on the X display.
std::span<const Command> systemCommands()
{
    static const Command commands[] = {
        {"validate", "PLUGIN|DIR [options]", "check plug-ins as a careful host would; PASS or FAIL per check",
         validateCommand},
    };
    return commands;
}
