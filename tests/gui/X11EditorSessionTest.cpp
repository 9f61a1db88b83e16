// A plug-in's editor in a real (private) X server through plughost editor, as a user meets it:
// each of its sessions (the table linked with it, EditorSessions.h) shows exactly the headless
// picture and reaches the host as the session says. Built into each plug-in's X server tests.
#include "EditorSessions.h"
#include "XvfbTestSupport.h"

#include <gtest/gtest.h>

namespace {

class X11EditorSession : public ::testing::TestWithParam<EditorSession> {
protected:
    void SetUp() override
    {
        if (!XvfbEnvironment::server() || !XvfbEnvironment::server()->running())
            GTEST_SKIP() << "Xvfb could not be started";
    }
};

TEST_P(X11EditorSession, ShowsTheHeadlessPictureAndReachesTheHost)
{
    const EditorSession& session = GetParam();
    const EditorRun run = runEditorSession(PLUGHOST, EDITOR_PLUGIN, session);
    ASSERT_EQ(run.status, 0) << run.output;
    expectSessionAutomation(session, run, renderHeadlessEditor({}));
    EXPECT_EQ(run.shown, renderHeadlessEditor(session.values).pixels);
}

INSTANTIATE_TEST_SUITE_P(Sessions, X11EditorSession, ::testing::ValuesIn(editorSessions()),
                         [](const auto& session) { return std::string(session.param.name); });

} // namespace
