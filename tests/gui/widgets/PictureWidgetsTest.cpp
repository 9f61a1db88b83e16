// The picture widgets: the frame a filmstrip shows, an animation's frames and clicks, the
// digits of a display, a meter's decay, and a splash that opens over the editor and closes.
// Pictures are the frames bitmap, whose every pixel tells where it came from.
#include "PixelTestSupport.h"
#include "WidgetFixture.h"
#include "gui/DrawPort.h"
#include "gui/Picture.h"
#include "gui/widgets/AutoAnimation.h"
#include "gui/widgets/DigitDisplay.h"
#include "gui/widgets/FilmstripView.h"
#include "gui/widgets/SplashView.h"
#include "gui/widgets/VuMeter.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace gui {
namespace {

using test::framesPixel;

constexpr std::int32_t framesId = 1; // 30 x 60

// True when the surface shows the frames picture from src in dest (right and bottom exclusive).
bool shows(const Surface& s, const Rect& dest, Point src) {
    for (int y = dest.top; y < dest.bottom; ++y)
        for (int x = dest.left; x < dest.right; ++x)
            if (s.pixel(x, y) != framesPixel(src.h + x - dest.left, src.v + y - dest.top)) return false;
    return true;
}

struct Frames {
    Frames() : picture(new Picture(framesId)) {}
    ~Frames() { picture->release(); }
    Picture* picture;
};

class Listener : public ValueListener {
public:
    void valueChanged(DrawPort& port, ValueWidget* widget) override {
        told.push_back(widget->getValue());
        widget->update(port);
    }
    std::vector<float> told;
};

TEST(FilmstripViewTest, ShowsTheNearestFrame) {
    Frames frames;
    const Rect r(10, 10, 30, 25);
    FilmstripView view(r, nullptr, 0, 4, 15, frames.picture, Point(5, 0));
    struct Case {
        float value;
        std::int32_t frame;
        float stored;
    } cases[] = {
        {0.16f, 0, 0.16f}, // 3 x 0.16 + 0.5 = 0.98
        {0.17f, 1, 0.17f}, // 1.01
        {0.5f, 2, 0.5f},   {1.0f, 3, 1.0f}, {1.5f, 3, 1.0f}, // stored as 1
        {0.0f, 0, 0.0f},   {-2.0f, 0, -2.0f}, {NAN, 0, NAN},
    };
    for (const Case& c : cases) {
        PixelBuffer s(40, 30, pixelOf(magentaColour));
        DrawPort port(nullptr, &s, nullptr);
        view.setValue(c.value);
        view.draw(port);
        EXPECT_TRUE(shows(s, r, Point(5, c.frame * 15))) << c.value;
        if (std::isnan(c.stored)) {
            EXPECT_TRUE(std::isnan(view.getValue()));
        } else {
            EXPECT_EQ(view.getValue(), c.stored) << c.value;
            EXPECT_EQ(view.getOldValue(), c.stored) << c.value;
        }
    }
}

TEST(AutoAnimationTest, FramesStepAndWrapBothWays) {
    AutoAnimation animation(Rect(0, 0, 10, 10), nullptr, 0, 4, 10, nullptr, Point());
    std::vector<float> next;
    for (int i = 0; i < 4; ++i) {
        animation.nextFrame();
        next.push_back(animation.getValue());
    }
    EXPECT_EQ(next, (std::vector<float>{10, 20, 30, 0}));
    animation.previousFrame();
    EXPECT_EQ(animation.getValue(), 30.0f);
    animation.previousFrame();
    EXPECT_EQ(animation.getValue(), 20.0f);
}

class PictureWidgetsTest : public test::WidgetFixture {
protected:
    Frames frames;
    Listener listener;
};

// A click starts it (told once, drawn from its first frame on the next update); stepped
// frames are drawn by idle passes; a click stops it at its first frame, telling nobody.
TEST_F(PictureWidgetsTest, AClickStartsAndStopsAnAnimation) {
    const Rect r(20, 20, 40, 30);
    auto* animation = new AutoAnimation(r, &listener, 3, 4, 10, frames.picture, Point(2, 0));
    view->addWidget(animation);
    view->idle();
    EXPECT_FALSE(animation->isRunning());
    EXPECT_FALSE(shows(pixels(), r, Point(2, 0))); // stopped: nothing drawn
    press(Point(25, 25), leftButton);
    EXPECT_TRUE(animation->isRunning());
    EXPECT_EQ(listener.told, (std::vector<float>{0.0f}));
    EXPECT_TRUE(shows(pixels(), r, Point(2, 0)));
    animation->nextFrame();
    animation->nextFrame();
    view->idle();
    EXPECT_TRUE(shows(pixels(), r, Point(2, 20)));
    press(Point(25, 25), rightButton);
    EXPECT_FALSE(animation->isRunning());
    EXPECT_EQ(animation->getValue(), 0.0f);
    EXPECT_TRUE(shows(pixels(), r, Point(2, 0)));
    EXPECT_EQ(listener.told.size(), 1u);
    animation->setMouseEnabled(false);
    press(Point(25, 25), leftButton);
    EXPECT_FALSE(animation->isRunning());
}

TEST(DigitDisplayTest, ShowsEveryDigitLeadingZerosIncluded) {
    Frames frames; // as ten digits of 6 rows
    const std::int32_t xs[] = {10, 20, 30, 40, 50, 60, 70, 80};
    const std::int32_t ys[] = {5, 6, 7, 8, 9, 10, 11, 12};
    auto digitsShown = [&](DigitDisplay& display, int count) {
        PixelBuffer s(100, 30, pixelOf(magentaColour));
        DrawPort port(nullptr, &s, nullptr);
        display.draw(port);
        std::vector<int> shown;
        for (int k = 0; k < count; ++k) {
            int found = -1;
            for (int d = 0; d < 10; ++d)
                if (shows(s, Rect(xs[k], ys[k], xs[k] + 5, ys[k] + 6), Point(0, d * 6))) found = d;
            shown.push_back(found);
        }
        return shown;
    };
    DigitDisplay three(Rect(0, 0, 100, 30), nullptr, 0, 42, 3, xs, ys, 5, 6, frames.picture);
    EXPECT_EQ(three.getMax(), 999.0f);
    EXPECT_EQ(three.getMin(), 0.0f);
    struct Case {
        float value;
        std::vector<int> digits;
    } cases[] = {
        {42.0f, {0, 4, 2}}, {1234.0f, {9, 9, 9}}, {-5.0f, {0, 0, 0}}, {7.9f, {0, 0, 7}}, {NAN, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        three.setValue(c.value);
        EXPECT_EQ(digitsShown(three, 3), c.digits) << c.value;
    }
    three.setValue(500.0f);
    EXPECT_FLOAT_EQ(three.getNormalisedValue(), 500.0f / 999.0f);
    three.setValue(-3.0f);
    EXPECT_EQ(three.getNormalisedValue(), 0.0f);
    three.setValue(5000.0f);
    EXPECT_EQ(three.getNormalisedValue(), 1.0f);
    // Eight digits asked for: seven shown.
    DigitDisplay eight(Rect(0, 0, 100, 30), nullptr, 0, 1234567, 8, xs, ys, 5, 6, frames.picture);
    EXPECT_EQ(eight.getMax(), 9999999.0f);
    EXPECT_EQ(digitsShown(eight, 8), (std::vector<int>{1, 2, 3, 4, 5, 6, 7, -1}));
    // A max below the first digit's place, or no digits at all: zeros, nothing divided by 0.
    three.setMax(5.0f);
    three.setValue(3.0f);
    EXPECT_EQ(digitsShown(three, 3), (std::vector<int>{0, 0, 0}));
    DigitDisplay none(Rect(0, 0, 10, 10), nullptr, 0, 3, 0, nullptr, nullptr, 5, 6, frames.picture);
    EXPECT_EQ(none.getMax(), 0.0f);
    EXPECT_EQ(none.getNormalisedValue(), 1.0f);
    PixelBuffer s(10, 10);
    DrawPort port(nullptr, &s, nullptr);
    none.draw(port);
}

// The lit part starts at the top row the level reaches (vertical) or ends at the column
// (horizontal); an empty surface shows it, as there is no off picture.
int litTop(const Surface& s) {
    for (int y = 0; y < s.height(); ++y)
        if (s.pixel(0, y) != pixelOf(magentaColour)) return y;
    return s.height();
}
int litRight(const Surface& s) {
    for (int x = 0; x < s.width(); ++x)
        if (s.pixel(x, 1) == pixelOf(magentaColour)) return x;
    return s.width();
}

TEST(VuMeterTest, TheLevelFallsByTheDecayAndRisesAtOnce) {
    Frames frames;
    VuMeter meter(Rect(0, 0, 30, 60), frames.picture, nullptr, 10, 0);
    meter.setDecay(0.1f);
    auto drawLevel = [&](float set) {
        meter.setValue(set);
        PixelBuffer s(30, 60, pixelOf(magentaColour));
        DrawPort port(nullptr, &s, nullptr);
        meter.draw(port);
        EXPECT_EQ(meter.getOldValue(), meter.getValue());
        EXPECT_TRUE(shows(s, Rect(0, litTop(s), 30, 60), Point(0, litTop(s))));
        return litTop(s);
    };
    EXPECT_EQ(drawLevel(0.9f), 6);
    // Set to 0.2 before each draw: 0.8, 0.7, ... down to 0.2, then it stays.
    for (int tenths = 8; tenths >= 2; --tenths) {
        EXPECT_EQ(drawLevel(0.2f), (10 - tenths) * 6) << tenths;
        EXPECT_NEAR(meter.getValue(), tenths / 10.0, 1e-5) << tenths;
    }
    EXPECT_EQ(drawLevel(0.2f), 48);
    EXPECT_EQ(drawLevel(1.0f), 0); // at once
    EXPECT_EQ(drawLevel(7.0f), 0); // held within max
    EXPECT_EQ(meter.getValue(), 1.0f);

    VuMeter across(Rect(0, 0, 30, 60), frames.picture, nullptr, 10, styleHorizontal);
    // The default decay (1) lets the level fall all the way at once.
    for (auto [set, right] : {std::pair(0.5f, 15), std::pair(0.04f, 0), std::pair(1.0f, 30), std::pair(-1.0f, 0),
                              std::pair(NAN, 0)}) {
        across.setValue(set);
        PixelBuffer s(30, 60, pixelOf(magentaColour));
        DrawPort port(nullptr, &s, nullptr);
        across.draw(port);
        EXPECT_EQ(litRight(s), right) << set;
        EXPECT_TRUE(shows(s, Rect(0, 0, right, 60), Point(0, 0))) << set;
    }
    // Without an on picture nothing is drawn.
    VuMeter blank(Rect(0, 0, 30, 60), nullptr, frames.picture, 10, 0);
    PixelBuffer s(30, 60, pixelOf(magentaColour));
    DrawPort port(nullptr, &s, nullptr);
    blank.draw(port);
    EXPECT_EQ(litTop(s), 60);
}

// Draws a green square and counts its draws: a whole-view redraw draws it again.
class Sibling : public ValueWidget {
public:
    explicit Sibling(const Rect& r) : ValueWidget(r, nullptr, 0) {}
    void draw(DrawPort& port) override {
        ++draws;
        port.setFillColour(greenColour);
        port.fillRect(rect);
        setOldValue(getValue());
    }
    int draws = 0;
};

TEST_F(PictureWidgetsTest, ASplashOpensOverTheEditorAndTheNextClickOnItClosesIt) {
    auto* sibling = new Sibling(Rect(120, 100, 160, 140));
    const Rect small(10, 10, 20, 20);
    const Rect splashArea(5, 5, 150, 130);
    auto* splash = new SplashView(small, &listener, 6, frames.picture, splashArea, Point(0, 0));
    view->addWidget(sibling);
    view->addWidget(splash);
    view->idle();
    // Opening: the splash becomes the modal widget, its area the splash's; told once.
    press(Point(15, 15), leftButton);
    EXPECT_EQ(splash->getValue(), 1.0f);
    EXPECT_EQ(view->getModalWidget(), splash);
    EXPECT_EQ(splash->getRect(), splashArea);
    EXPECT_EQ(listener.told, (std::vector<float>{1.0f}));
    EXPECT_TRUE(shows(pixels(), Rect(5, 5, 35, 65), Point(0, 0)));
    // Clicks outside it are swallowed; the sibling underneath gets none.
    const int draws = sibling->draws;
    press(Point(200, 150), leftButton);
    EXPECT_EQ(splash->getValue(), 1.0f);
    EXPECT_EQ(listener.told.size(), 1u);
    // Closing with a click anywhere on it: everything is drawn again over the picture.
    press(Point(140, 120), leftButton);
    EXPECT_EQ(splash->getValue(), 0.0f);
    EXPECT_EQ(view->getModalWidget(), nullptr);
    EXPECT_EQ(splash->getRect(), small);
    EXPECT_EQ(listener.told, (std::vector<float>{1.0f, 0.0f}));
    EXPECT_GT(sibling->draws, draws);
    EXPECT_EQ(pixels().pixel(140, 120), pixelOf(greenColour));
    // Shown by its value alone (never opened), a click hides it and keeps its area.
    splash->setValue(1.0f);
    view->idle();
    press(Point(15, 15), leftButton);
    EXPECT_EQ(splash->getValue(), 0.0f);
    EXPECT_EQ(splash->getRect(), small);
    EXPECT_EQ(view->getModalWidget(), nullptr);
    press(Point(15, 15), leftButton); // and opens as ever
    EXPECT_EQ(view->getModalWidget(), splash);
    // With mouse handling off, or without a view to be modal in, clicks change nothing.
    SplashView loose(small, &listener, 7, frames.picture, splashArea, Point(0, 0));
    PixelBuffer s(10, 10);
    DrawPort port(nullptr, &s, nullptr);
    loose.mouse(port, Point(15, 15));
    EXPECT_EQ(loose.getValue(), 0.0f);
    EXPECT_EQ(loose.getRect(), small);
}

} // namespace
} // namespace gui
