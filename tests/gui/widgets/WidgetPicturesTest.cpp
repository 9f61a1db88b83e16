// What every picture-drawing widget shares: it keeps its pictures alive for as long as it holds
// them (their creator may let go at once), and with its mouse handling off a press does nothing.
#include "WidgetTestSupport.h"
#include "gui/widgets/Dial.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/OnOffButton.h"
#include "gui/widgets/RockerSwitch.h"
#include "gui/widgets/Switch.h"
#include "gui/widgets/ToggleButton.h"

#include <gtest/gtest.h>

#include <functional>

namespace gui {
namespace {

using test::Recorder;

struct Kind {
    const char* name;
    // Makes the widget at r from pictures the caller releases right after.
    std::function<ValueWidget*(const Rect& r, ValueListener* listener, Picture* a, Picture* b)> make;
    std::int32_t pictureA;
    std::int32_t pictureB;
    Colour shows; // at the widget's top-left pixel after its first draw
};

const Kind kinds[] = {
    {"Dial",
     [](const Rect& r, ValueListener* l, Picture* a, Picture* b) { return new Dial(r, l, 1, a, b, Point(0, 0)); },
     test::dialBackgroundId, test::dialHandleId, greyColour},
    {"FilmstripDial",
     [](const Rect& r, ValueListener* l, Picture* a, Picture*) {
         return new FilmstripDial(r, l, 1, 5, 20, a, Point(0, 0));
     },
     test::fiveFramesId, 0, yellowColour},
    {"VerticalFader",
     [](const Rect& r, ValueListener* l, Picture* a, Picture* b) {
         return new VerticalFader(r, l, 1, r.top, r.top + 20, a, b, Point(0, 0), styleMouseInvertV);
     },
     test::faderHandleId, test::verticalSlotId, aquaColour},
    {"HorizontalFader",
     [](const Rect& r, ValueListener* l, Picture* a, Picture* b) {
         return new HorizontalFader(r, l, 1, r.left, r.left + 10, a, b, Point(0, 0), styleMouseInvertH);
     },
     test::faderHandleId, test::horizontalSlotId, greenColour},
    {"OnOffButton",
     [](const Rect& r, ValueListener* l, Picture* a, Picture*) { return new OnOffButton(r, l, 1, a); },
     test::twoFramesId, 0, yellowColour},
    {"ToggleButton",
     [](const Rect& r, ValueListener* l, Picture* a, Picture*) { return new ToggleButton(r, l, 1, 30, a); },
     test::threeFramesId, 0, redColour},
    {"PushButton",
     [](const Rect& r, ValueListener* l, Picture* a, Picture*) {
         return new PushButton(r, l, 1, 30, a, Point(0, 30));
     },
     test::threeFramesId, 0, greenColour},
    {"RockerSwitch",
     [](const Rect& r, ValueListener* l, Picture* a, Picture*) {
         return new RockerSwitch(r, l, 1, 30, a, Point(0, 0));
     },
     test::threeFramesId, 0, greenColour},
    {"VerticalSwitch",
     [](const Rect& r, ValueListener* l, Picture* a, Picture*) { return new VerticalSwitch(r, l, 1, 30, 3, a); },
     test::threeFramesId, 0, redColour},
    {"HorizontalSwitch",
     [](const Rect& r, ValueListener* l, Picture* a, Picture*) { return new HorizontalSwitch(r, l, 1, 30, 3, a); },
     test::threeFramesId, 0, redColour},
};

class WidgetPicturesTest : public test::ScriptedFixture, public ::testing::WithParamInterface<Kind> {};

TEST_P(WidgetPicturesTest, KeepsItsPicturesAndIgnoresPressesWhenSwitchedOff) {
    const Kind& kind = GetParam();
    Recorder recorder;
    const Rect r(20, 20, 60, 50);
    Picture* a = new Picture(kind.pictureA);
    Picture* b = kind.pictureB ? new Picture(kind.pictureB) : nullptr;
    ValueWidget* widget = kind.make(r, &recorder, a, b);
    a->release();
    if (b) b->release();
    widget->setValue(0.0f);
    add(widget);
    EXPECT_EQ(colourOf(pixels().pixel(20, 20)), kind.shows);

    widget->setMouseEnabled(false);
    widget->setDefaultValue(0.5f);
    for (std::int32_t buttons : {std::int32_t(leftButton), leftButton | altKey}) {
        script({{Point(25, 48), leftButton}, {Point(58, 25), 0}});
        press(Point(30, 30), buttons);
        EXPECT_EQ(widget->getValue(), 0.0f);
        EXPECT_TRUE(recorder.told.empty());
        EXPECT_EQ(platform.buttonPolls(), 0);
        platform.setPointer(Point(), 0);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryKind, WidgetPicturesTest, ::testing::ValuesIn(kinds),
                         [](const ::testing::TestParamInfo<Kind>& kind) { return std::string(kind.param.name); });

} // namespace
} // namespace gui
