#pragma once
// Rotary value widgets: the Dial turns a handle picture over 270 degrees about its centre, the
// FilmstripDial shows one frame of a strip instead. Both follow the pointer's angle while the
// button is held; the value jumps to it at once.
#include "HeldPicture.h"
#include "ValueWidget.h"

#include <cstdint>

namespace gui {

class Dial : public ValueWidget {
public:
    // Pictures retained. The handle circle lies half the handle's width inside the widget's
    // edge (5 pixels without a handle); backOffset is the background's pixel at the top-left.
    Dial(const Rect& size, ValueListener* listener, std::int32_t tag, Picture* background, Picture* handle,
         Point backOffset);

    // Editor thread.
    void draw(DrawPort& port) override;
    // Editor thread: left+Alt restores the default; any other press follows the pointer's
    // angle until every button is let go.
    void mouse(DrawPort& port, Point where) override;

    // The handle's centre for the value, local to the widget: min at the lower left (7:30),
    // the middle at the top, max at the lower right (4:30).
    virtual void valueToPoint(Point& out) const;
    // The value for a point local to where the handle circle starts less the inset; the bottom
    // quarter is a dead zone giving min on its left and max on its right.
    virtual float pointToValue(Point where) const;
    virtual void setBackground(Picture* picture);
    virtual Picture* getBackground() const;

    std::int32_t getInset() const { return inset; }

protected:
    std::int32_t inset;
    HeldPicture background;
    HeldPicture handle;
    Point backOffset;
};

class FilmstripDial : public Dial {
public:
    // strip (retained) holds frameCount frames of frameHeight pixels from the top; the angle
    // is taken about the widget's centre.
    FilmstripDial(const Rect& size, ValueListener* listener, std::int32_t tag, std::int32_t frameCount,
                  std::int32_t frameHeight, Picture* strip, Point offset);

    // Editor thread: the frame holding the value's share of the strip, drawn opaquely.
    void draw(DrawPort& port) override;

protected:
    std::int32_t frameCount;
    std::int32_t frameHeight;
};

} // namespace gui
