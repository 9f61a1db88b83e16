#include "Command.h"

#include <cstdio>

int reportFailure(const std::string& command, const std::string& message)
{
    std::fprintf(stderr, "plughost %s: %s\n", command.c_str(), message.c_str());
    return exitFailure;
}

int reportUsage(const std::string& command, const std::string& message)
{
    std::fprintf(stderr, "plughost %s: %s\nTry 'plughost %s --help'.\n", command.c_str(), message.c_str(),
                 command.c_str());
    return exitUsage;
}

std::unique_ptr<PluginLoader> openPlugin(const std::string& path, const std::string& command)
{
    std::string error;
    auto plugin = PluginLoader::open(path, error);
    if (plugin == nullptr) {
        reportFailure(command, error);
        return nullptr;
    }
    plugin->dispatch(effOpen);
    return plugin;
}
