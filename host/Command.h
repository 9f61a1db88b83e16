// What every plughost subcommand shares: its entry in the command table and the helpers for
// opening a plug-in and reporting errors.
#pragma once

#include "PluginLoader.h"

#include <memory>
#include <string>
#include <vector>

using CommandArguments = std::vector<std::string>;

struct Command {
    const char* name;
    const char* usage;    // the arguments after the name
    const char* summary;  // one line for plughost --help
    // Runs on the main thread, which is the host thread (and, for editors, the editor thread).
    int (*run)(const CommandArguments& arguments);
};

// Exit codes: 1 when the work failed, 2 when the command line was wrong.
constexpr int exitFailure = 1;
constexpr int exitUsage = 2;

// Prints "plughost COMMAND: message" on stderr and answers exitFailure.
int reportFailure(const std::string& command, const std::string& message);
// Prints the message and a pointer to --help; answers exitUsage.
int reportUsage(const std::string& command, const std::string& message);

// Loads the plug-in and sends effOpen; on failure reports why and answers null.
std::unique_ptr<PluginLoader> openPlugin(const std::string& path, const std::string& command);
