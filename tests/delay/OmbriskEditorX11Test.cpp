// Ombrisk's editor in a real (private) X server through plughost editor, as a user meets it:
// each of its sessions (OmbriskEditorSessions.cpp) shows exactly the headless picture and
// reaches the host as the session says.
#include <gtest/gtest.h>

#include "EditorSessions.h"
#include "XvfbTestSupport.h"

namespace {

const auto* environment = ::testing::AddGlobalTestEnvironment(new XvfbEnvironment);

class OmbriskEditorX11Test : public ::testing::TestWithParam<EditorSession> {
protected:
    void SetUp() override
    {
        if (!XvfbEnvironment::server() || !XvfbEnvironment::server()->running())
            GTEST_SKIP() << "Xvfb could not be started";
    }
};

TEST_P(OmbriskEditorX11Test, ShowsTheHeadlessPictureAndReachesTheHost)
{
    const EditorSession& session = GetParam();
    const EditorRun run = runEditorSession(PLUGHOST, OMBRISK_PATH, session);
    ASSERT_EQ(run.status, 0) << run.output;
    expectSessionAutomation(session, run, renderHeadlessEditor({}));
    EXPECT_EQ(run.shown, renderHeadlessEditor(session.values).pixels);
}

INSTANTIATE_TEST_SUITE_P(Sessions, OmbriskEditorX11Test, ::testing::ValuesIn(editorSessions()),
                         [](const auto& session) { return std::string(session.param.name); });

} // namespace
