// The test plug-in's text field and popup choice in a window of the Windows plughost: keys
// typed into a real EDIT control and entries chosen from a real popup menu reach the widgets
// as they do in a real X server (the same sessions).
#include "GuiTestSessions.h"

#include <gtest/gtest.h>

namespace {

class WindowsTextSession : public ::testing::TestWithParam<TextSession> {};

TEST_P(WindowsTextSession, TellsWhatTheUserTypedOrChose)
{
    expectTextSession(GetParam(), PLUGHOST, GUI_TEST_PLUGIN);
}

INSTANTIATE_TEST_SUITE_P(Sessions, WindowsTextSession, ::testing::ValuesIn(textSessions()),
                         [](const auto& session) { return std::string(session.param.name); });

} // namespace
