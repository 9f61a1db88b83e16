#pragma once
// The older generation's value widget base, for Vorlane's editor. It keeps the newer base's
// value, bounds, tag and listener and differs where the older widgets behave differently: a
// dirty flag beside the value last drawn, a background picture of its own, a mouseable area
// and a transparency flag, presses that skip a widget whose mouse handling is off, the
// default-value click with Control, and the tracking idle straight through the editor.
#include "../Geometry.h"
#include "../widgets/HeldPicture.h"
#include "../widgets/ValueWidget.h"

#include <cstdint>

namespace gui::classic {

// The listener interface is the same in both generations.
using ValueListener = gui::ValueListener;

class ValueWidget : public gui::ValueWidget {
public:
    // background: retained while held; may be null.
    ValueWidget(const Rect& size, ValueListener* listener, std::int32_t tag, Picture* background);

    // Editor thread. Every draw ends with setDirty(false).
    void update(DrawPort& port) override;
    void idleWhileTracking() override;
    bool takesPresses() const override;
    void drawInView(DrawPort& port) override;

    // Editor thread: the value differs from the value last drawn, or the flag is set.
    virtual bool isDirty() const;
    // true: the next update draws; false: what is shown is the value.
    virtual void setDirty(bool dirty);
    // Stored and answered; presses are still found by the widget's rectangle.
    virtual void setMouseableArea(const Rect& area);
    virtual Rect getMouseableArea() const;
    // Set: the background is drawn leaving out the key colour.
    virtual void setTransparency(bool on);
    virtual bool getTransparency() const;
    virtual void setBackground(Picture* picture);
    virtual Picture* getBackground() const;

protected:
    // Tells the listener, when there is one, if the widget is dirty.
    void notifyIfDirty(DrawPort& port);
    // This generation's default-value click, exactly left+Control: the value goes to the
    // default, the listener is told when that makes the widget dirty, and the answer is true;
    // any other buttons leave everything as it was.
    bool restoreDefault(DrawPort& port, std::int32_t buttons);
    // The background (opaque, or leaving out the key colour when transparency is set).
    void drawBackground(DrawPort& port, const Rect& dest, Point src) const;
    // Whether drawBackground to dest from src sets every pixel of dest.
    bool backgroundCovers(const Rect& dest, Point src) const;

    HeldPicture background;

private:
    bool dirty = true;
    bool transparent = false;
    Rect mouseableArea;
};

} // namespace gui::classic
