// A plug-in's editor in a window of the Windows plughost: each of its sessions (the table its
// Linux tests run in a real X server) shows the headless picture outside the text, which GDI
// renders in its own way but renders, and reaches the host as the session says. Built once per
// plug-in, linked with that plug-in's sessions.
#include "EditorSessions.h"

#include <gtest/gtest.h>

namespace {

class WindowsEditorSession : public ::testing::TestWithParam<EditorSession> {};

TEST_P(WindowsEditorSession, ShowsTheHeadlessPictureOutsideTextAndReachesTheHost)
{
    const EditorSession& session = GetParam();
    const EditorRun run = runEditorSession(PLUGHOST, EDITOR_PLUGIN, session);
    ASSERT_EQ(run.status, 0) << run.output;
    expectSessionAutomation(session, run, renderHeadlessEditor({}));
    const HeadlessEditor expected = renderHeadlessEditor(session.values);
    ASSERT_EQ(run.width, expected.width);
    ASSERT_EQ(run.height, expected.height);
    EXPECT_EQ(differingOutsideText(run.shown, run.width, expected), 0);
    EXPECT_TRUE(textAreasWithoutText(run.shown, run.width, expected).empty());
}

INSTANTIATE_TEST_SUITE_P(Sessions, WindowsEditorSession, ::testing::ValuesIn(editorSessions()),
                         [](const auto& session) { return std::string(session.param.name); });

} // namespace
