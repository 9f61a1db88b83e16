#pragma once
// What a widget drew over an area of its port's surface, copied out right after it drew
// there. For a widget whose pixels there depend on nothing but inputs it can compare: while
// they stay the same, drawing again is one block copy of what it drew before. Pictures never
// change their pixels, so the widget can compare a picture by its address; the kept pixels
// hold the pictures they show, so that no other picture can take one's place at the same
// address. Editor thread.
#include "../Geometry.h"
#include "../Surface.h"
#include "HeldPicture.h"

namespace gui {

class DrawPort;

class KeptPixels {
public:
    // Copies the kept pixels back to the area they were kept from; false, with nothing drawn,
    // when nothing is kept.
    bool show(DrawPort& port) const;
    // Keeps what the port's surface holds in area (right and bottom exclusive) together with
    // the pictures drawn there; keeps nothing (and answers false) when the port has no surface
    // or part of the area lies outside it, where the drawing was clipped.
    bool keep(DrawPort& port, const Rect& area, Picture* first = nullptr, Picture* second = nullptr);
    void forget();
    bool holdsAny() const { return kept; }

private:
    PixelBuffer pixels;
    Rect area;
    HeldPicture firstPicture;
    HeldPicture secondPicture;
    bool kept = false;
};

} // namespace gui
