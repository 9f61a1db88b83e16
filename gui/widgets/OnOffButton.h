#pragma once
// A two-state button whose picture holds the off frame above the on frame, each half its
// height. A press flips it at once, whatever the buttons; any value other than 0 shows on.
#include "HeldPicture.h"
#include "ValueWidget.h"

namespace gui {

class OnOffButton : public ValueWidget {
public:
    // picture retained; without one the button draws nothing.
    OnOffButton(const Rect& size, ValueListener* listener, std::int32_t tag, Picture* picture);

    // Editor thread.
    void draw(DrawPort& port) override;
    bool coversRect() const override;
    // Editor thread: 0 when the value truncates to something other than 0, else 1; drawn at
    // once and always told.
    void mouse(DrawPort& port, Point where) override;

protected:
    HeldPicture picture;

private:
    Point frameOf(float shown) const;
};

} // namespace gui
