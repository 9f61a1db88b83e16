#include "StopSignals.h"

#include <csignal>

// Ctrl+C, termination and Ctrl+Break.
std::span<const int> stoppingSignals()
{
    static const int signals[] = {SIGINT, SIGTERM, SIGBREAK};
    return signals;
}
