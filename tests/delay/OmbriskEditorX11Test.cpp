// Ombrisk's editor in a real (private) X server through plughost editor, as a user meets it:
// the picture it shows, a drag of a fader and a short Alt+click, each reaching the host as
// automation.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "EditorRendering.h"
#include "XvfbTestSupport.h"

namespace {

const auto* environment = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

struct EditorRun {
    int status = -1;
    std::vector<std::pair<int, float>> automation;
    std::string output;
    Image shown;
};

// plughost editor with a script, its automation and the PNG it saved.
EditorRun runEditor(const std::string& name, const std::string& script, const char* idleMs = "10")
{
    const std::string dir = ::testing::TempDir();
    const std::string scriptFile = dir + name + ".txt";
    const std::string png = dir + name + ".png";
    std::ofstream(scriptFile) << script;
    const std::string command = std::string(PLUGHOST) + " editor " + OMBRISK_PATH + " --png " + png +
                                " --idle-ms " + idleMs + (script.empty() ? "" : " --script " + scriptFile) + " 2>&1";
    EditorRun run;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char line[256];
        while (std::fgets(line, sizeof line, pipe))
            run.output += line;
        run.status = pclose(pipe);
    }
    std::istringstream lines(run.output);
    for (std::string word; lines >> word;) {
        int index = 0;
        float value = 0.0f;
        if (word == "automate" && lines >> index >> value)
            run.automation.emplace_back(index, value);
    }
    run.shown = readPng(png, 240, 160);
    return run;
}

Image headless(const std::vector<std::pair<int, float>>& values)
{
    gui::HeadlessPlatform platform;
    gui::Platform::install(&platform);
    Image out = renderEditor(platform, values);
    gui::Platform::install(nullptr);
    return out;
}

class OmbriskEditorX11Test : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!XvfbEnvironment::server() || !XvfbEnvironment::server()->running())
            GTEST_SKIP() << "Xvfb could not be started";
    }
};

TEST_F(OmbriskEditorX11Test, ShowsTheHeadlessPicture)
{
    const EditorRun run = runEditor("ombrisk_plain", "");
    ASSERT_EQ(run.status, 0) << run.output;
    EXPECT_TRUE(run.automation.empty()) << run.output;
    EXPECT_EQ(run.shown, headless({}));
}

TEST_F(OmbriskEditorX11Test, DragOfTheFeedbackFaderAutomatesParameterOne)
{
    // The handle (value 0.5) is drawn from row 68; pulled up 30 rows. A slow editor may see
    // fewer of the steps, but always the last.
    const EditorRun run = runEditor("ombrisk_drag", "move 72 70\npress\nmove 72 60\nmove 72 50\nmove 72 40\nrelease\n");
    ASSERT_EQ(run.status, 0) << run.output;
    ASSERT_FALSE(run.automation.empty()) << run.output;
    float previous = 0.5f;
    for (auto [index, value] : run.automation) {
        EXPECT_EQ(index, 1) << run.output;
        EXPECT_GT(value, previous) << run.output;
        previous = value;
    }
    EXPECT_NEAR(previous, 0.5f + 30.0f / 72.0f, 1e-5) << run.output;
    EXPECT_EQ(run.shown, headless({{1, 0.5f + 30.0f / 72.0f}}));
}

TEST_F(OmbriskEditorX11Test, ShortAltClickSetsTheVolumeToItsDefault)
{
    // Down and up again 5 ms later, away from the handle (volume 1 is at the top).
    const EditorRun run = runEditor("ombrisk_alt", "move 124 90\nkeydown alt\npress\nrelease\nkeyup alt\n", "5");
    ASSERT_EQ(run.status, 0) << run.output;
    ASSERT_EQ(run.automation, (std::vector<std::pair<int, float>>{{2, 0.75f}})) << run.output;
    EXPECT_EQ(run.shown, headless({{2, 0.75f}}));
}

} // namespace
