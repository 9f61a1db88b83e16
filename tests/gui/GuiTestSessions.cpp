#include "EditorSessions.h"
#include "GuiTestSessions.h"
#include "HostTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>

const std::vector<EditorSession>& editorSessions()
{
    static const std::vector<EditorSession> sessions = {
        {"Untouched", "", "10", {}, 0},
        // Click the toggle, drag the fader handle (value 0.5 sits at 124..135) to the top, then
        // right-click the press pad, which reports the buttons of the press (4 / 64).
        {"ClickDragAndRightClick",
         "move 56 56\npress\nrelease\nwait 50\n"
         "move 130 130\npress\nwait 50\nmove 130 100\nmove 130 60\nmove 130 20\nwait 50\nrelease\n"
         "move 420 220\npress 3\nrelease 3\n",
         "10", {{0, 1.0f}, {1, 1.0f}, {2, 4.0f / 64.0f}}, anyReports},
    };
    return sessions;
}

// The field (initial text "abc") lies at (200, 100); the menu of "Low", "-", "Mid", "High"
// opens under the choice at (200, 168), its rows 3 pixels down and 20 pixels high, the
// separator 7.
const std::vector<TextSession>& textSessions()
{
    static const std::vector<TextSession> sessions = {
        {"TypingAndReturn", "move 260 110\npress\nrelease\nkey x\nkey Y\nkey return\n", {"3:abcxY"}},
        {"ReturnWithTheTextUnchanged", "move 260 110\npress\nrelease\nkey return\n", {}},
        {"EditingKeysThenAClickElsewhere",
         "move 260 110\npress\nrelease\nkey backspace\nkey left\nkey delete\nkey space\n"
         "move 500 60\npress\nrelease\n",
         {"3:a "}},
        {"AClickOnAnEntry", "move 250 159\npress\nrelease\nmove 230 228\npress\nrelease\n", {"4:High"}},
        {"Escape", "move 250 159\npress\nrelease\nkey escape\n", {}},
        {"TheSeparatorThenAnEntry",
         "move 250 159\npress\nrelease\nmove 230 194\npress\nrelease\nmove 230 208\npress\nrelease\n", {"4:Mid"}},
        // The click that closes the menu does not reach the press pad below it.
        {"AClickOutsideOnThePressPad", "move 250 159\npress\nrelease\nmove 420 220\npress\nrelease\n", {}},
        {"TheKeyboard", "move 250 159\npress\nrelease\nkey down\nkey down\nkey return\n", {"4:Mid"}},
    };
    return sessions;
}

void expectTextSession(const TextSession& session, const std::string& plughost, const std::string& plugin)
{
    ScratchFolder dir;
    writeText(dir / "script.txt", session.script);
    const CommandResult result =
        runCommand({plughost, "editor", plugin, "--idle-ms", "10", "--script", (dir / "script.txt").string()},
                   {{"GUI_TEST_PLUGIN_LOG", (dir / "told.txt").string()}});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    std::vector<std::string> told;
    std::istringstream lines(readText(dir / "told.txt"));
    for (std::string line; std::getline(lines, line);)
        told.push_back(line);
    EXPECT_EQ(told, session.told);
}
