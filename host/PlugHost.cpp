// plughost: a command-line VST 2 host. Each subcommand lives in its own <Name>Command.cpp and
// has one line in the table below, or in systemCommands() when only some systems have it.
#include "Command.h"

#include <cstdio>
#include <cstring>
#include <span>
#include <string>
#include <vector>

int infoCommand(const CommandArguments& arguments);
int processCommand(const CommandArguments& arguments);
int editorCommand(const CommandArguments& arguments);
// The commands that only some systems have (host/posix, host/win32).
std::span<const Command> systemCommands();

namespace {

const Command commands[] = {
    {"info", "PLUGIN | --preset FILE", "print a plug-in's record, programs and parameters, or what a preset file holds", infoCommand},
    {"process", "PLUGIN IN OUT [options]", "render a sound file through a plug-in", processCommand},
    {"editor", "PLUGIN [options]", "open a plug-in's editor in a window, save it as PNG", editorCommand},
};

std::vector<Command> allCommands()
{
    std::vector<Command> all(std::begin(commands), std::end(commands));
    const std::span<const Command> more = systemCommands();
    all.insert(all.end(), more.begin(), more.end());
    return all;
}

void printUsage(std::FILE* out)
{
    std::fprintf(out, "Usage: plughost COMMAND ARGUMENTS...\n\nCommands:\n");
    for (const Command& command : allCommands()) {
        const std::string line = std::string(command.name) + " " + command.usage;
        std::fprintf(out, "  %-34s %s\n", line.c_str(), command.summary);
    }
    std::fprintf(out, "\n'plughost COMMAND --help' describes a command.\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        printUsage(stderr);
        return exitUsage;
    }
    const std::string name = argv[1];
    if (name == "--help" || name == "-h" || name == "help") {
        printUsage(stdout);
        return 0;
    }
    for (const Command& command : allCommands()) {
        if (name == command.name) {
            try {
                return command.run(CommandArguments(argv + 2, argv + argc));
            } catch (const std::exception& e) {
                return reportFailure(name, e.what());
            }
        }
    }
    std::fprintf(stderr, "plughost: unknown command '%s'\n\n", name.c_str());
    printUsage(stderr);
    return exitUsage;
}
