// plughost validate run as a program: a plug-in with known faults gets each of them reported
// and fails; the strictness decides which findings fail; the editor check runs under a private
// X server with the GUI test plug-in.
#include "HostTestSupport.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>

#include <regex>

namespace {

// The counts of the last line, "N passed, M failed".
std::pair<int, int> counts(const std::string& out)
{
    std::smatch match;
    if (!std::regex_search(out, match, std::regex(R"(\n(\d+) passed, (\d+) failed\n$)")))
        return {-1, -1};
    return {std::stoi(match[1]), std::stoi(match[2])};
}

TEST(PlugHostValidate, ReportsEachFaultOfABrokenPlugin)
{
    const auto result = runCommand({PLUGHOST, "validate", BROKEN_PLUGIN});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    for (const char* line : {
             R"(^PASS record: )",
             R"(\nFAIL opcodes: the plug-in crashed \((SIGSEGV|the check's process ended with status \d+)\)\n)",
             R"(\nFAIL bad-audio: output still not finite .* after the bad samples ended\n)",
             R"(\nFAIL state: parameter 1 was [0-9.]+, restored 0.5; the restored instance sounds different)",
         })
        EXPECT_TRUE(std::regex_search(result.out, std::regex(line))) << line << "\n" << result.out;
    const auto [passed, failed] = counts(result.out);
    EXPECT_GE(failed, 3) << result.out;
    EXPECT_GE(passed, 1) << result.out;
}

// At --strict 0 only the crash fails; wrong results pass with their reasons shown.
TEST(PlugHostValidate, StrictnessZeroFailsOnlyCrashes)
{
    const auto result = runCommand({PLUGHOST, "validate", BROKEN_PLUGIN, "--strict", "0"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(counts(result.out).second, 1) << result.out;
    EXPECT_TRUE(std::regex_search(result.out, std::regex(R"(\nPASS state: .*\(tolerated below --strict 1: )")))
        << result.out;
}

TEST(PlugHostValidate, RefusesWrongCommandLines)
{
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>> {
             {"validate"},
             {"validate", BROKEN_PLUGIN, "--strict", "3"},
             {"validate", BROKEN_PLUGIN, "--strict"},
             {"validate", BROKEN_PLUGIN, BROKEN_PLUGIN},
             {"validate", BROKEN_PLUGIN, "--quick"},
         }) {
        std::vector<std::string> command {PLUGHOST};
        command.insert(command.end(), arguments.begin(), arguments.end());
        const auto result = runCommand(command);
        EXPECT_EQ(result.exitCode, 2) << arguments.back() << ": " << result.err;
    }
}

TEST(PlugHostValidate, EditorOpensIdlesAndClosesWhileAudioRuns)
{
    XvfbServer server("1024x768x24", false);
    if (!server.running())
        GTEST_SKIP() << "Xvfb could not be started";
    const auto result = runCommand({PLUGHOST, "validate", GUI_TEST_PLUGIN}, {{"DISPLAY", server.display()}});
    EXPECT_TRUE(std::regex_search(result.out, std::regex(R"(\nPASS editor: )"))) << result.out << result.err;
    const auto noDisplay = runCommand({"env", "-u", "DISPLAY", PLUGHOST, "validate", GUI_TEST_PLUGIN});
    EXPECT_TRUE(std::regex_search(noDisplay.out, std::regex(R"(\nSKIP editor: DISPLAY is not set\n)")))
        << noDisplay.out;
}

} // namespace
