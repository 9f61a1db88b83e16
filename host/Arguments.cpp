#include "Arguments.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

std::optional<long> parseInteger(const std::string& text, long min, long max, const std::string& what,
                                 std::string& error)
{
    errno = 0;
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || end != text.c_str() + text.size() || errno == ERANGE) {
        error = what + " '" + text + "' is not a whole number";
        return std::nullopt;
    }
    if (value < min || value > max) {
        error = what + " " + text + " is out of range (" + std::to_string(min) + " to " + std::to_string(max) + ")";
        return std::nullopt;
    }
    return value;
}

std::optional<double> parseNumber(const std::string& text, double min, double max, const std::string& what,
                                  std::string& error)
{
    errno = 0;
    char* end = nullptr;
    const double value = std::strtod(text.c_str(), &end);
    if (text.empty() || end != text.c_str() + text.size() || !std::isfinite(value)) {
        error = what + " '" + text + "' is not a number";
        return std::nullopt;
    }
    if (value < min || value > max) {
        char range[64];
        std::snprintf(range, sizeof range, " is out of range (%g to %g)", min, max);
        error = what + " " + text + range;
        return std::nullopt;
    }
    return value;
}
