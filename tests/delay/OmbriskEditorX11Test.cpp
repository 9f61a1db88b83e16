// Ombrisk's editor in a real (private) X server through plughost editor, as a user meets it:
// each of its sessions (OmbriskEditorSessions.cpp) shows exactly the headless picture and
// reaches the host as the session says.
#include <gtest/gtest.h>

#include "EditorSessions.h"
#include "XvfbServer.h"

namespace {

XvfbServer* server = nullptr;

class XEnvironment : public ::testing::Environment {
public:
    void SetUp() override { server = new XvfbServer; }
    void TearDown() override
    {
        delete server;
        server = nullptr;
    }
};
const auto* environment = ::testing::AddGlobalTestEnvironment(new XEnvironment);

class OmbriskEditorX11Test : public ::testing::TestWithParam<EditorSession> {
protected:
    void SetUp() override
    {
        if (!server || !server->running())
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
