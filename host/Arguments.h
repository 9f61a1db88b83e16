// Strict parsing of command-line numbers: the whole text must be the number, in range.
#pragma once

#include <optional>
#include <string>

// An integer from min to max, or nothing with error saying why.
std::optional<long> parseInteger(const std::string& text, long min, long max, const std::string& what,
                                 std::string& error);

// A finite number from min to max (NaN and infinities refused), or nothing with error saying why.
std::optional<double> parseNumber(const std::string& text, double min, double max, const std::string& what,
                                  std::string& error);
