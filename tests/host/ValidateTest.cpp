// plughost validate run as a program: a plug-in with known faults gets each of them reported
// and fails; the strictness decides which findings fail; the editor check runs under a private
// X server with the GUI test plug-in.
#include "HostTestSupport.h"
#include "XvfbServer.h"

#include <gtest/gtest.h>

#include <array>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>

namespace {

namespace fs = std::filesystem;

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
             R"(\nFAIL opcodes: the plug-in crashed \((SIGSEGV|the check's process ended with status \d+)\) )"
             R"(at the step: asking for texts at indices out of range\n)",
             R"(\nFAIL bad-audio: output still not finite .* after the bad samples ended\n)",
             R"(\nFAIL state: parameter 1 was [0-9.]+ \("[0-9.]+"\), restored 0.5 \("0.500"\); )"
             R"(the restored instance sounds different)",
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
    EXPECT_TRUE(std::regex_search(noDisplay.out, std::regex(R"(\nSKIP editor: DISPLAY is not set)")))
        << noDisplay.out;
}

// Calls no working host makes (here effGetChunk with a null address) fail a plug-in only at
// --strict 2, and the crash names the call.
TEST(PlugHostValidate, CallsNoHostMakesFailOnlyAtTheStrictest)
{
    const std::string crash =
        R"(the plug-in crashed \((SIGSEGV|the check's process ended with status \d+)\) at the step: )"
        R"(effGetChunk with a null address for the chunk, a call no working host makes)";
    auto result = runCommand({PLUGHOST, "validate", BROKEN_PLUGIN});
    EXPECT_TRUE(std::regex_search(result.out, std::regex(R"(\nPASS unusual-calls: .*\(tolerated below --strict 2: )" +
                                                              crash + R"(\)\n)")))
        << result.out;
    result = runCommand({PLUGHOST, "validate", BROKEN_PLUGIN, "--strict", "2"});
    EXPECT_TRUE(std::regex_search(result.out, std::regex(R"(\nFAIL unusual-calls: )" + crash + "\n"))) << result.out;
}

struct ReportedCase {
    std::string suite, check, outcome, type, message;
    double seconds;
};

// The report as Debian's JUnit reader sees it, after the usual schema's attributes and counts
// were checked; fails the test when the report breaks them.
std::vector<ReportedCase> readReport(const fs::path& report)
{
    const auto result = runCommand({JUNIT_PYTHON, JUNIT_CHECK, report.string()});
    EXPECT_EQ(result.exitCode, 0) << result.err;
    std::vector<ReportedCase> cases;
    std::istringstream lines(result.out);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '\t');)
            fields.push_back(field);
        fields.resize(6);
        cases.push_back({fields[0], fields[1], fields[2], fields[3], fields[4], std::stod(fields[5])});
    }
    return cases;
}

// One test case per check, in order, with the outcome and reason that the printed lines give.
TEST(PlugHostValidate, ReportIsReadByAJUnitConsumer)
{
    ScratchFolder dir;
    const auto report = dir / "report.xml";
    const auto result = runCommand({PLUGHOST, "validate", BROKEN_PLUGIN, "--report", report.string()});
    EXPECT_EQ(result.exitCode, 1);
    const std::vector<ReportedCase> cases = readReport(report);
    const std::regex line(R"((PASS|FAIL|SKIP) ([a-z-]+): (.*))");
    std::istringstream lines(result.out);
    std::vector<std::array<std::string, 3>> expected;
    for (std::string text; std::getline(lines, text);) {
        std::smatch match;
        if (std::regex_match(text, match, line))
            expected.push_back({match[1], match[2], match[3]});
    }
    ASSERT_EQ(cases.size(), expected.size()) << result.out;
    for (std::size_t i = 0; i < cases.size(); ++i) {
        const auto& [verdict, check, reason] = expected[i];
        EXPECT_EQ(cases[i].suite, "BrokenPlugin.so");
        EXPECT_EQ(cases[i].check, check);
        EXPECT_EQ(cases[i].outcome, verdict == "FAIL" ? "failure" : verdict == "SKIP" ? "skipped" : "pass") << check;
        if (verdict != "PASS") {
            EXPECT_EQ(cases[i].message, reason) << check;
        }
        if (check == "opcodes") {
            EXPECT_EQ(cases[i].type, "crash");
        }
        if (check == "state") {
            EXPECT_EQ(cases[i].type, "wrong-result");
        }
        // The check of parameters from a second thread runs for a second.
        if (check == "threads") {
            EXPECT_GE(cases[i].seconds, 0.9);
        }
    }
}

// A folder: every plug-in in it and below, each with its lines, then a table of plug-in
// against check; files that are no plug-ins are named and passed over.
TEST(PlugHostValidate, FolderChecksEveryPluginWithATable)
{
    ScratchFolder dir;
    fs::create_directories(dir / "sub");
    fs::copy_file(BROKEN_PLUGIN, dir / "BrokenPlugin.so");
    fs::copy_file(GUI_TEST_PLUGIN, dir / "sub" / "GuiTestPlugin.so");
    fs::copy_file(NOT_A_PLUGIN, dir / "sub" / "NotAPlugin.so");
    writeText(dir / "notes.txt", "not a plug-in\n");
    const auto report = dir / "report.xml";
    const auto result = runCommand({PLUGHOST, "validate", dir.path().string(), "--report", report.string()});
    EXPECT_EQ(result.exitCode, 1) << result.err;
    EXPECT_NE(result.err.find("skipping '" + (dir / "sub" / "NotAPlugin.so").string() + "': not a VST 2 plug-in"),
              std::string::npos)
        << result.err;
    for (const std::string& pattern : {
             "^== " + (dir / "BrokenPlugin.so").string() + "\nPASS record: ",
             "\n== " + (dir / "sub" / "GuiTestPlugin.so").string() + "\nPASS record: ",
             std::string(R"(\n\nplug-in\s+record  opcodes  unusual-calls  texts  automation  rates-and-blocks  )"
                         R"(bad-audio  state  programs  threads  editor\n)"),
             std::string(R"(\nBrokenPlugin.so\s+PASS\s+FAIL\s+PASS\s+PASS\s+PASS\s+PASS\s+FAIL\s+FAIL\s+SKIP\s+PASS\s+SKIP\n)"),
             std::string(R"(\nsub/GuiTestPlugin.so\s+PASS\s+PASS\s+PASS\s+PASS\s+PASS\s+PASS\s+PASS\s+PASS\s+)"
                         R"((PASS|SKIP)\s+PASS\s+SKIP\n)"),
             std::string(R"(\n2 plug-ins: 1 passed every check, 1 failed some\n$)"),
         })
        EXPECT_TRUE(std::regex_search(result.out, std::regex(pattern))) << pattern << "\n" << result.out;
    std::map<std::string, int> failures;
    for (const ReportedCase& c : readReport(report))
        failures[c.suite] += c.outcome == "failure";
    EXPECT_EQ(failures, (std::map<std::string, int> {{"BrokenPlugin.so", 3}, {"GuiTestPlugin.so", 0}}));

    fs::remove(dir / "BrokenPlugin.so");
    const auto clean = runCommand({PLUGHOST, "validate", dir.path().string()});
    EXPECT_EQ(clean.exitCode, 0) << clean.out;
    const auto empty = runCommand({PLUGHOST, "validate", (dir / "sub" / "nothing").string()});
    EXPECT_EQ(empty.exitCode, 1);
}

// What a report holds comes from file names and plug-ins' texts: markup characters and bytes
// that are not UTF-8 still make a report the reader takes.
TEST(PlugHostValidate, ReportCarriesAnyFileName)
{
    ScratchFolder dir;
    const fs::path plugin = dir / "Gui & <Test> \"\xff\".so";
    fs::copy_file(GUI_TEST_PLUGIN, plugin);
    const auto report = dir / "report.xml";
    const auto result = runCommand({PLUGHOST, "validate", plugin.string(), "--report", report.string()});
    EXPECT_EQ(result.exitCode, 0) << result.out;
    const std::vector<ReportedCase> cases = readReport(report);
    ASSERT_FALSE(cases.empty());
    EXPECT_EQ(cases[0].suite, "Gui & <Test> \"\xef\xbf\xbd\".so");
}

} // namespace
