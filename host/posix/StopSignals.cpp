#include "StopSignals.h"

#include <csignal>

std::span<const int> stoppingSignals()
{
    static const int signals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};
    return signals;
}
