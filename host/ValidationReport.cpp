#include "ValidationReport.h"

#include <cstdio>
#include <filesystem>

namespace {

// Characters XML 1.0 cannot carry become U+FFFD; so do bytes that are not UTF-8.
std::string escaped(const std::string& text)
{
    std::string out;
    const auto replacement = "\xef\xbf\xbd";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (c < 0x80) {
            switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            case '\'': out += "&apos;"; break;
            case '\t': out += "&#9;"; break;
            case '\n': out += "&#10;"; break;
            case '\r': out += "&#13;"; break;
            default: out += c < 0x20 || c == 0x7f ? replacement : std::string(1, static_cast<char>(c));
            }
            ++i;
            continue;
        }
        // The length of a UTF-8 sequence from its first byte; overlong forms, surrogates and
        // code points past U+10FFFF are refused by the ranges of the second byte.
        std::size_t length = 0;
        unsigned char low = 0x80, high = 0xbf;
        if (c >= 0xc2 && c <= 0xdf) {
            length = 2;
        } else if (c >= 0xe0 && c <= 0xef) {
            length = 3;
            low = c == 0xe0 ? 0xa0 : 0x80;
            high = c == 0xed ? 0x9f : 0xbf;
        } else if (c >= 0xf0 && c <= 0xf4) {
            length = 4;
            low = c == 0xf0 ? 0x90 : 0x80;
            high = c == 0xf4 ? 0x8f : 0xbf;
        }
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            valid = k == 1 ? next >= low && next <= high : next >= 0x80 && next <= 0xbf;
        }
        if (valid) {
            out.append(text, i, length);
            i += length;
        } else {
            out += replacement;
            ++i;
        }
    }
    return out;
}

std::string seconds(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

const char* failureType(int level)
{
    return level <= 0 ? "crash" : level == 1 ? "wrong-result" : "convention";
}

} // namespace

int PluginOutcome::failures() const
{
    int count = 0;
    for (const CheckOutcome& check : checks)
        count += check.result == CheckOutcome::failed;
    return count;
}

int PluginOutcome::skips() const
{
    int count = 0;
    for (const CheckOutcome& check : checks)
        count += check.result == CheckOutcome::skipped;
    return count;
}

double PluginOutcome::seconds() const
{
    double total = 0.0;
    for (const CheckOutcome& check : checks)
        total += check.seconds;
    return total;
}

std::string junitReport(const std::vector<PluginOutcome>& plugins, const std::string& hostname)
{
    int tests = 0, failures = 0, skips = 0;
    double total = 0.0;
    for (const PluginOutcome& plugin : plugins) {
        tests += static_cast<int>(plugin.checks.size());
        failures += plugin.failures();
        skips += plugin.skips();
        total += plugin.seconds();
    }
    std::string xml = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";
    xml += "<testsuites name=\"plughost validate\" tests=\"" + std::to_string(tests) + "\" failures=\"" +
           std::to_string(failures) + "\" errors=\"0\" skipped=\"" + std::to_string(skips) + "\" time=\"" +
           seconds(total) + "\">\n";
    for (std::size_t id = 0; id < plugins.size(); ++id) {
        const PluginOutcome& plugin = plugins[id];
        // Test cases are named after the plug-in's file, as a CI system lists them.
        const std::string name = escaped(std::filesystem::path(plugin.plugin).filename().string());
        xml += "  <testsuite name=\"" + name + "\" id=\"" + std::to_string(id) + "\" package=\"plughost.validate\"" +
               " tests=\"" + std::to_string(plugin.checks.size()) + "\" failures=\"" +
               std::to_string(plugin.failures()) + "\" errors=\"0\" skipped=\"" + std::to_string(plugin.skips()) +
               "\" time=\"" + seconds(plugin.seconds()) + "\" timestamp=\"" + escaped(plugin.timestamp) +
               "\" hostname=\"" + escaped(hostname) + "\">\n";
        xml += "    <properties>\n      <property name=\"plugin\" value=\"" + escaped(plugin.plugin) +
               "\"/>\n    </properties>\n";
        for (const CheckOutcome& check : plugin.checks) {
            xml += "    <testcase name=\"" + escaped(check.check) + "\" classname=\"" + name + "\" time=\"" +
                   seconds(check.seconds) + "\"";
            if (check.result == CheckOutcome::failed) {
                xml += ">\n      <failure message=\"" + escaped(check.reason) + "\" type=\"" +
                       failureType(check.level) + "\">" + escaped(check.reason) + "</failure>\n    </testcase>\n";
            } else if (check.result == CheckOutcome::skipped) {
                xml += ">\n      <skipped message=\"" + escaped(check.reason) + "\"/>\n    </testcase>\n";
            } else if (!check.reason.empty()) {
                xml += ">\n      <system-out>tolerated: " + escaped(check.reason) + "</system-out>\n    </testcase>\n";
            } else {
                xml += "/>\n";
            }
        }
        xml += "    <system-out/>\n    <system-err/>\n  </testsuite>\n";
    }
    xml += "</testsuites>\n";
    return xml;
}
