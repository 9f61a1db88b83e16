#pragma once
// Linear faders: a handle picture moving over a slot picture, vertically or horizontally. Both
// compose their image in a widget-sized offscreen port and copy it to the window in one step,
// so the handle never flickers over the slot. A drag starts only on the handle as last drawn;
// Shift fines it to a tenth.
#include "FaderImage.h"
#include "HeldPicture.h"
#include "ValueWidget.h"

#include <cstdint>

namespace gui {

// Fader style bits.
inline constexpr std::int32_t styleZeroLeft = 8;      // horizontal drawing: value 0 at the left end (else the right)
inline constexpr std::int32_t styleMouseInvertH = 16; // horizontal mouse: the left end gives 1
inline constexpr std::int32_t styleZeroTop = 32;      // vertical drawing: value 0 at the top (else the bottom)
inline constexpr std::int32_t styleMouseInvertV = 64; // vertical mouse: the top gives 1

// What the two faders share; they differ only in the axis.
class Fader : public ValueWidget {
public:
    ~Fader() override;

    // Editor thread.
    void draw(DrawPort& port) override;
    // Once its offscreen exists, which goes to the window whole.
    bool coversRect() const override;
    // Editor thread: left+Alt restores the default anywhere on the fader; left or left+Shift
    // on the handle drags it until the button is let go or the modifiers change.
    void mouse(DrawPort& port, Point where) override;

    // On (the default): the handle's pixels of the key colour let the slot show through.
    virtual void setTransparentHandle(bool on);
    // Added to the handle's position when drawing.
    virtual void setHandleOffset(Point offset);

    // Window coordinate of the handle's top (vertical) or left (horizontal) edge as last drawn.
    std::int32_t getLastHandlePos() const { return lastHandlePos; }

protected:
    enum class Axis { vertical, horizontal };
    // minPos, maxPos: the travel of the handle's leading edge in window coordinates.
    Fader(Axis axis, const Rect& size, ValueListener* listener, std::int32_t tag, std::int32_t minPos,
          std::int32_t maxPos, Picture* handle, Picture* background, Point backOffset, std::int32_t style);

    HeldPicture handle;
    HeldPicture background;
    std::int32_t handleWidth;
    std::int32_t handleHeight;
    Point backOffset;
    Point handleOffset;
    std::int32_t minPos;
    std::int32_t maxPos;
    std::int32_t style;
    std::int32_t lastHandlePos;
    bool transparentHandle = true;
    std::int32_t localMin;
    std::int32_t localMax;
    std::int32_t width;
    std::int32_t height;

private:
    // Slot and handle composed here before one copy to the window.
    FaderImage image;

    std::int32_t along(Point p) const { return axis == Axis::vertical ? p.v : p.h; }
    std::int32_t edge() const { return axis == Axis::vertical ? rect.top : rect.left; }
    std::int32_t handleLength() const { return axis == Axis::vertical ? handleHeight : handleWidth; }

    Axis axis;
};

class VerticalFader : public Fader {
public:
    // With styleMouseInvertV alone, 0 is at the bottom; with styleZeroTop alone, at the top.
    VerticalFader(const Rect& size, ValueListener* listener, std::int32_t tag, std::int32_t minPos,
                  std::int32_t maxPos, Picture* handle, Picture* background, Point backOffset, std::int32_t style);
};

class HorizontalFader : public Fader {
public:
    // With styleZeroLeft alone, 0 is at the left; with styleMouseInvertH alone, at the right.
    HorizontalFader(const Rect& size, ValueListener* listener, std::int32_t tag, std::int32_t minPos,
                    std::int32_t maxPos, Picture* handle, Picture* background, Point backOffset, std::int32_t style);
};

} // namespace gui
