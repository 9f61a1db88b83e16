// Ombrisk's editor, headless: where each widget sits and what it shows, the read-outs' texts,
// host changes reaching the widgets only through the effect's values, clicks and drags that
// automate the parameters, close and open, and the host's parameter thread against the editor
// thread.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <string>
#include <thread>
#include <typeinfo>
#include <vector>

#include "DelayPanel.h"
#include "DelayParameters.h"
#include "DelayPlugin.h"
#include "EditorRendering.h"
#include "gui/DrawPort.h"
#include "gui/Picture.h"
#include "gui/RootView.h"
#include "gui/widgets/Fader.h"
#include "gui/widgets/OnOffButton.h"
#include "gui/widgets/ValueText.h"

using namespace gui;

namespace {

struct Automation {
    VstInt32 index;
    float value;
    bool operator==(const Automation&) const = default;
};

std::vector<Automation> automation;

VstIntPtr recordingHost(AEffect*, VstInt32 opcode, VstInt32 index, VstIntPtr, void*, float opt)
{
    if (opcode == audioMasterAutomate)
        automation.push_back({index, opt});
    return opcode == audioMasterVersion ? 2400 : 0;
}

class DelayPanelTest : public ::testing::Test {
protected:
    DelayPanelTest()
    {
        automation.clear();
        Platform::install(&platform);
        host = platform.createHostWindow(0, Rect(100, 100, 340, 260));
        plugin = new DelayPlugin(recordingHost);
        panel = static_cast<DelayPanel*>(plugin->getEditor());
    }
    ~DelayPanelTest() override
    {
        delete plugin;
        Platform::install(nullptr);
    }

    void open()
    {
        ASSERT_EQ(panel->open(reinterpret_cast<void*>(host)), 1);
        panel->idle(); // the first paint
    }
    ValueWidget* widget(int index) { return dynamic_cast<ValueWidget*>(panel->getRootView()->widgetAt(index)); }
    Surface& pixels() { return *platform.surfaceOf(panel->getRootView()->getWindow()); }
    // A press the editor handles on its next idle; the pointer's polls then answer steps.
    void press(Point where, std::int32_t buttons, std::initializer_list<std::pair<Point, std::int32_t>> steps = {})
    {
        Rect window;
        platform.screenRect(panel->getRootView()->getWindow(), window);
        for (auto [at, held] : steps)
            platform.queuePointer(Point(window.left + at.h, window.top + at.v), held, 20);
        if (steps.size() == 0)
            platform.setPointer(Point(window.left + where.h, window.top + where.v), 0);
        platform.postButtonPress(panel->getRootView()->getWindow(), where, buttons);
        panel->idle();
    }

    HeadlessPlatform platform;
    NativeWindow host = 0;
    DelayPlugin* plugin = nullptr;
    DelayPanel* panel = nullptr;
};

// The widgets by position in the view (drawing order): faders, buttons, read-outs.
enum : int { tempoFader, divFader, multFader, feedbackFader, outposFader, volumeFader, reverseButton,
             revTypeButton, tempoText, divText, multText, feedbackText, outposText, volumeText };

TEST_F(DelayPanelTest, FourteenWidgetsInTheirPlaces)
{
    ERect* size = nullptr;
    ASSERT_EQ(panel->getRect(&size), 1);
    EXPECT_EQ(size->right - size->left, 240);
    EXPECT_EQ(size->bottom - size->top, 160);
    EXPECT_EQ(plugin->getAEffect()->flags, 21);
    open();
    ASSERT_EQ(panel->getRootView()->widgetCount(), 14);
    const std::type_info& hFader = typeid(HorizontalFader);
    const std::type_info& vFader = typeid(VerticalFader);
    const std::type_info& onOff = typeid(OnOffButton);
    const std::type_info& text = typeid(ValueText);
    const struct Expected {
        Rect rect;
        const std::type_info* kind;
        std::int32_t tag;
        float value; // the effect's defaults
        float defaultValue;
        std::int32_t handleAt; // faders: where the handle is drawn
    } expected[] = {
        {Rect(12, 148, 167, 153), &hFader, 0, 0.5f, 0.5f, 12 + 1 + 74}, // trunc(0.5 x 149) + 1 in
        {Rect(18, 32, 30, 112), &vFader, 3, 0.0f, 0.5f, 104},
        {Rect(43, 32, 55, 112), &vFader, 4, 0.0f, 0.5f, 104},
        {Rect(68, 32, 80, 112), &vFader, 1, 0.5f, 0.5f, 68},
        {Rect(93, 32, 105, 112), &vFader, 5, 0.0f, 0.5f, 104},
        {Rect(118, 32, 130, 112), &vFader, 2, 1.0f, 0.75f, 32},
        {Rect(164, 47, 196, 59), &onOff, 6, 0.0f, 0.0f, 0},
        {Rect(164, 85, 196, 97), &onOff, 7, 0.0f, 1.0f, 0},
        {Rect(175, 144, 196, 154), &text, 0, 0.5f, 0.5f, 0},
        {Rect(13, 129, 34, 139), &text, 0, 0.0f, 0.5f, 0},
        {Rect(38, 129, 59, 139), &text, 0, 0.0f, 0.5f, 0},
        {Rect(63, 129, 84, 139), &text, 0, 0.5f, 0.5f, 0},
        {Rect(88, 129, 109, 139), &text, 0, 0.0f, 0.5f, 0},
        {Rect(113, 129, 134, 139), &text, 0, 1.0f, 0.5f, 0},
    };
    for (int i = 0; i < 14; ++i) {
        const Expected& e = expected[i];
        ValueWidget* w = widget(i);
        ASSERT_NE(w, nullptr) << i;
        EXPECT_EQ(w->getRect(), e.rect) << i;
        EXPECT_EQ(typeid(*w), *e.kind) << i;
        EXPECT_EQ(w->getTag(), e.tag) << i;
        EXPECT_EQ(w->getListener(), *e.kind == text ? nullptr : static_cast<ValueListener*>(panel)) << i;
        EXPECT_EQ(w->getValue(), e.value) << i;
        EXPECT_EQ(w->getOldValue(), e.value) << i << " drawn";
        EXPECT_EQ(w->getDefaultValue(), e.defaultValue) << i;
        if (auto* fader = dynamic_cast<Fader*>(w)) {
            EXPECT_EQ(fader->getLastHandlePos(), e.handleAt) << i;
        }
        if (auto* readout = dynamic_cast<ValueText*>(w)) {
            EXPECT_EQ(readout->getFontId(), fontTiny);
            EXPECT_EQ(readout->getTextColour(), blackColour);
            EXPECT_EQ(readout->getBackColour(), whiteColour);
            EXPECT_EQ(readout->getFrameColour(), greyColour);
            EXPECT_EQ(readout->getTextAlign(), alignCentre);
        }
    }
    // The background is the panel, at the editor's size.
    auto* panelPicture = new Picture(DelayPanel::backgroundId);
    EXPECT_EQ(panelPicture->width(), 240);
    EXPECT_EQ(panelPicture->height(), 160);
    EXPECT_EQ(pixels().pixel(200, 10), panelPicture->bitmap()->pixel(200, 10));
    panelPicture->release();
}

// A read-out as it must look: white box, grey frame, the text centred in black tiny type.
Image readoutShowing(const char* text)
{
    PixelBuffer box(21, 10);
    DrawPort port(nullptr, &box, nullptr);
    port.setFillColour(whiteColour);
    port.fillRect(Rect(0, 0, 21, 10));
    port.setPenColour(greyColour);
    port.frameRect(Rect(0, 0, 21, 10));
    port.setFont(fontTiny);
    port.setTextColour(blackColour);
    port.drawText(text, Rect(0, 0, 21, 10), false, alignCentre);
    return pixelsOf(box);
}

Image readoutShown(const Surface& s, const Rect& r)
{
    Image out;
    for (int y = r.top; y < r.bottom; ++y)
        for (int x = r.left; x < r.right; ++x)
            out.push_back(s.pixel(x, y) & 0xFFFFFFu);
    return out;
}

TEST_F(DelayPanelTest, ReadoutsShowTheParametersInTheirUnits)
{
    open();
    const struct Case {
        VstInt32 parameter;
        float value;
        const char* text;
        int readout;
    } cases[] = {
        {0, 0.5f, "117", tempoText}, {0, 1.0f, "180", tempoText},       {0, 0.0f, "55", tempoText},
        {1, 0.5f, "50%", feedbackText}, {1, 0.999f, "99%", feedbackText}, {2, 1.0f, "100%", volumeText},
        {2, 0.0f, "0%", volumeText},  {3, 1.0f, "32", divText},          {3, 0.0f, "1", divText},
        {4, 1.0f, "16", multText},    {5, 1.0f, "32", outposText},       {5, 0.5f, "16", outposText},
    };
    for (const Case& c : cases) {
        plugin->setParameter(c.parameter, c.value);
        panel->idle();
        const Rect r = widget(c.readout)->getRect();
        EXPECT_EQ(readoutShown(pixels(), Rect(r.left, r.top, r.right + 0, r.bottom)), readoutShowing(c.text))
            << c.parameter << " " << c.value << " should read " << c.text;
    }
}

TEST_F(DelayPanelTest, HostChangesReachTheWidgetsThroughTheEffectOnTheEditorsIdle)
{
    open();
    ValueWidget* volume = widget(volumeFader);
    plugin->setParameter(ombrisk::volume, 0.25f);
    EXPECT_EQ(volume->getValue(), 1.0f) << "not touched on the host's thread";
    panel->idle();
    EXPECT_EQ(volume->getValue(), 0.25f);
    EXPECT_EQ(widget(volumeText)->getValue(), 0.25f);
    EXPECT_EQ(static_cast<Fader*>(volume)->getLastHandlePos(), 32 + 54) << "drawn";
    // The value passed is not what is shown: the effect's own is.
    panel->setParameter(ombrisk::volume, 0.9f);
    panel->idle();
    EXPECT_EQ(volume->getValue(), 0.25f);
    plugin->setParameter(ombrisk::volume, std::nanf(""));
    panel->idle();
    EXPECT_EQ(volume->getValue(), 0.25f);
    plugin->setParameter(ombrisk::volume, 7.0f);
    panel->idle();
    EXPECT_EQ(volume->getValue(), 1.0f) << "as the effect limits it";
    // Indices beyond the parameters move nothing.
    std::vector<float> before;
    for (int i = 0; i < 14; ++i)
        before.push_back(widget(i)->getValue());
    panel->setParameter(9, 0.3f);
    panel->setParameter(-1, 0.3f);
    panel->idle();
    for (int i = 0; i < 14; ++i)
        EXPECT_EQ(widget(i)->getValue(), before[i]) << i;
    EXPECT_TRUE(automation.empty()) << "host changes are not sent back";
}

TEST_F(DelayPanelTest, LeftAltClicksRestoreDefaultsAndFlipButtons)
{
    open();
    for (VstInt32 p = 0; p < 6; ++p)
        plugin->setParameter(p, 0.2f);
    plugin->setParameter(ombrisk::reverseType, 1.0f);
    panel->idle();
    const struct Case {
        int widget;
        Point where;
        Automation expected;
    } cases[] = {
        {volumeFader, Point(124, 40), {2, 0.75f}}, {feedbackFader, Point(70, 110), {1, 0.5f}},
        {divFader, Point(20, 33), {3, 0.5f}},      {tempoFader, Point(160, 150), {0, 0.5f}},
        {reverseButton, Point(170, 50), {6, 1.0f}}, {revTypeButton, Point(170, 90), {7, 0.0f}},
    };
    for (const Case& c : cases) {
        automation.clear();
        press(c.where, leftButton | altKey);
        EXPECT_EQ(automation, std::vector<Automation>{c.expected}) << c.widget;
        EXPECT_EQ(plugin->getParameter(c.expected.index), c.expected.value);
        EXPECT_EQ(widget(c.widget)->getValue(), c.expected.value);
        EXPECT_EQ(widget(c.widget)->getOldValue(), c.expected.value) << "drawn at once";
    }
    // At its default already: nothing to tell the host.
    automation.clear();
    press(Point(124, 40), leftButton | altKey);
    EXPECT_TRUE(automation.empty());
}

TEST_F(DelayPanelTest, ButtonShowsOnForAnyValueAndFlipsByItsWholePart)
{
    open();
    plugin->setParameter(ombrisk::reverse, 0.3f);
    panel->idle();
    auto* frames = new Picture(DelayPanel::reverseId);
    const Rect r = widget(reverseButton)->getRect();
    Image on;
    for (int y = 12; y < 24; ++y)
        for (int x = 0; x < 32; ++x)
            on.push_back(frames->bitmap()->pixel(x, y) & 0xFFFFFFu);
    frames->release();
    EXPECT_EQ(readoutShown(pixels(), r), on);
    press(Point(180, 52), leftButton);
    EXPECT_EQ(plugin->getParameter(ombrisk::reverse), 1.0f);
    EXPECT_EQ(automation, (std::vector<Automation>{{6, 1.0f}}));
}

TEST_F(DelayPanelTest, DragOfTheFeedbackFaderAutomatesItAndMovesItsReadout)
{
    open();
    // The handle (value 0.5) is drawn from row 68; grab it and pull it up 18 rows, then on
    // past the top.
    press(Point(72, 70), leftButton,
          {{Point(72, 61), leftButton}, {Point(72, 52), leftButton}, {Point(72, 10), leftButton}, {Point(72, 10), 0}});
    ASSERT_GE(automation.size(), 3u);
    EXPECT_EQ(automation[0], (Automation{1, 0.5f + 9.0f / 72.0f}));
    EXPECT_EQ(automation[1], (Automation{1, 0.75f}));
    EXPECT_EQ(automation.back(), (Automation{1, 1.0f}));
    EXPECT_EQ(plugin->getParameter(ombrisk::feedback), 1.0f);
    panel->idle();
    EXPECT_EQ(widget(feedbackText)->getValue(), 1.0f);
    const Rect r = widget(feedbackText)->getRect();
    EXPECT_EQ(readoutShown(pixels(), r), readoutShowing("100%"));
    EXPECT_EQ(static_cast<Fader*>(widget(feedbackFader))->getLastHandlePos(), 32);
}

TEST_F(DelayPanelTest, ClosedEditorIgnoresChangesAndReopensWithTheCurrentValues)
{
    open();
    const NativeWindow first = panel->getRootView()->getWindow();
    panel->close();
    EXPECT_EQ(panel->getRootView(), nullptr);
    EXPECT_FALSE(platform.exists(first));
    // Automation while closed still reaches the engine and the program.
    plugin->setParameter(ombrisk::multiplier, 1.0f);
    plugin->setParameter(ombrisk::reverse, 1.0f);
    panel->idle();
    EXPECT_EQ(plugin->getParameter(ombrisk::multiplier), 1.0f);
    char display[32] = "";
    plugin->getParamDisplay(4, display);
    EXPECT_STREQ(display, "     16");
    plugin->setProgram(1);
    plugin->setProgram(0);
    EXPECT_EQ(plugin->getParameter(ombrisk::multiplier), 1.0f) << "kept in the program";

    for (int again = 0; again < 2; ++again) {
        open();
        EXPECT_EQ(widget(multFader)->getValue(), 1.0f);
        EXPECT_EQ(widget(reverseButton)->getValue(), 1.0f);
        EXPECT_EQ(pixelsOf(pixels()), renderEditor(platform, {{4, 1.0f}, {6, 1.0f}})) << again;
        if (again == 0)
            panel->close();
    }
    // Opened again without a close: one editor window, in the new parent.
    const NativeWindow second = platform.createHostWindow(0, Rect(400, 100, 640, 260));
    panel->open(reinterpret_cast<void*>(second));
    EXPECT_TRUE(platform.childrenOf(host).empty());
    EXPECT_EQ(platform.childrenOf(second).size(), 1u);
}

// The host's parameter thread sets values while the editor thread opens, idles and closes the
// editor, which frees the widgets each time: nothing may touch a freed widget, and once both
// stop, the widgets show the effect's last values.
TEST_F(DelayPanelTest, ParameterThreadAgainstOpeningAndClosing)
{
    std::atomic<bool> stop(false);
    AEffect* effect = plugin->getAEffect();
    std::thread parameters([&] {
        unsigned n = 0;
        while (!stop.load()) {
            const auto index = VstInt32(n % 10); // 8 and 9: beyond the parameters
            effect->setParameter(effect, index, float(n % 101) / 100.0f);
            ++n;
        }
    });
    for (int cycle = 0; cycle < 1000; ++cycle) {
        panel->open(reinterpret_cast<void*>(host));
        for (int pass = 0; pass < cycle % 4; ++pass)
            panel->idle();
        if (cycle % 3 != 0)
            panel->close();
    }
    panel->open(reinterpret_cast<void*>(host));
    panel->idle();
    stop = true;
    parameters.join();
    panel->idle();
    const int shows[8][2] = {{tempoFader, tempoText},       {feedbackFader, feedbackText}, {volumeFader, volumeText},
                             {divFader, divText},           {multFader, multText},         {outposFader, outposText},
                             {reverseButton, reverseButton}, {revTypeButton, revTypeButton}};
    for (VstInt32 p = 0; p < 8; ++p) {
        for (int w : shows[p])
            EXPECT_EQ(widget(w)->getValue(), plugin->getParameter(p)) << p;
    }
}

} // namespace
