// plughost: a command-line VST 2 host. Each subcommand lives in its own <Name>Command.cpp and
// has one line in the table below.
#include "Command.h"

#include <cstdio>
#include <cstring>
#include <string>

int infoCommand(const CommandArguments& arguments);
int processCommand(const CommandArguments& arguments);
int editorCommand(const CommandArguments& arguments);
int validateCommand(const CommandArguments& arguments);

namespace {

const Command commands[] = {
    {"info", "PLUGIN", "print a plug-in's record, programs, parameters and chunk size", infoCommand},
    {"process", "PLUGIN IN OUT [options]", "render a sound file through a plug-in", processCommand},
    {"editor", "PLUGIN [options]", "open a plug-in's editor on the X display, save it as PNG", editorCommand},
    {"validate", "PLUGIN [--strict N]", "check a plug-in as a careful host would; PASS or FAIL per check", validateCommand},
};

void printUsage(std::FILE* out)
{
    std::fprintf(out, "Usage: plughost COMMAND ARGUMENTS...\n\nCommands:\n");
    for (const Command& command : commands) {
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
    for (const Command& command : commands) {
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
