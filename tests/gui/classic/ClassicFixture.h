#pragma once
// The widget tests' headless editor and pointer scripts with the older generation's editor base
// (its paced tracking idle), and a listener that records what it is told.
#include "gui/classic/GuiEditorBase.h"
#include "widgets/WidgetTestSupport.h"

namespace gui::classic::test {

class ClassicFixture : public gui::test::BasicScriptedFixture<GuiEditorBase> {
protected:
    using BasicScriptedFixture::BasicScriptedFixture;

    gui::test::Recorder recorder;
};

} // namespace gui::classic::test
