#pragma once
// Two-frame buttons that follow a held press: the ToggleButton shows the flipped state while
// the pointer is over it and keeps it when let go there; the PushButton is on only while held.
#include "HeldPicture.h"
#include "ValueWidget.h"

#include <cstdint>

namespace gui {

class ToggleButton : public ValueWidget {
public:
    // picture (retained): frame 0 (value 0) at the top, frame 1 frameHeight below it.
    ToggleButton(const Rect& size, ValueListener* listener, std::int32_t tag, std::int32_t frameHeight,
                 Picture* picture);

    // Editor thread: values above 1 are stored as 1, below 0 as 0.
    void draw(DrawPort& port) override;
    // Editor thread: flipped while the held pointer is over the button, as before when it is
    // not; the release keeps what is shown.
    void mouse(DrawPort& port, Point where) override;

protected:
    // Draws the frame for the stored value, first limited to 0..1, from source offset.
    void drawFrame(DrawPort& port, Point source);

    HeldPicture picture;
    std::int32_t frameHeight;
};

class PushButton : public ToggleButton {
public:
    // offset: the source position of frame 0 in picture.
    PushButton(const Rect& size, ValueListener* listener, std::int32_t tag, std::int32_t frameHeight,
               Picture* picture, Point offset);

    // Editor thread.
    void draw(DrawPort& port) override;
    // Editor thread: on while held over the button, then always back to 0 and told so.
    void mouse(DrawPort& port, Point where) override;

protected:
    Point offset;
};

} // namespace gui
