#pragma once
// The base of every widget that shows or edits one number: the value with its bounds and
// default, the value last drawn (redraw on change), the owner's tag, a switch for mouse
// handling and the listener told of user changes.
#include "../DrawPort.h"
#include "../Widget.h"

#include <atomic>
#include <cstdint>

namespace gui {

class ValueWidget;

// Told whenever the user changes a widget's value; the editors implement it.
class ValueListener {
public:
    // Editor thread, from inside the widget's mouse handling. The listener uses the value and
    // calls the widget's update(port), so that it is told again only when the value moves on.
    virtual void valueChanged(DrawPort& port, ValueWidget* widget) = 0;

protected:
    ~ValueListener() = default;
};

class ValueWidget : public Widget {
public:
    // Display-only widgets pass no listener and tag 0.
    ValueWidget(const Rect& size, ValueListener* listener, std::int32_t tag);

    // Editor thread. Every implementation reads the value once, draws it and ends with
    // setOldValue of what it drew: a value stored meanwhile by another thread then still
    // differs and is drawn by the next update.
    void draw(DrawPort& port) override = 0;
    // Editor thread: draws when the value differs from the value last drawn.
    void update(DrawPort& port) override;
    // Editor thread, once per pass of a tracking loop: the editor's throttled idle.
    virtual void idleWhileTracking();

    // Any thread. The setters only store (no clamping, no drawing, no notification).
    virtual void setValue(float value);
    virtual float getValue() const;
    virtual void setMin(float value);
    virtual float getMin() const;
    virtual void setMax(float value);
    virtual float getMax() const;
    virtual void setOldValue(float value);
    virtual float getOldValue() const;
    virtual void setDefaultValue(float value);
    virtual float getDefaultValue() const;
    // Off: presses on the widget do nothing (and reach no widget below it).
    virtual void setMouseEnabled(bool on);
    virtual bool getMouseEnabled() const;

    ValueListener* getListener() const { return listener; }
    std::int32_t getTag() const { return tag; }

protected:
    // Tells the listener, when there is one, of a change by the user.
    void notify(DrawPort& port);
    // Tells it only when the value differs from the value last drawn.
    void notifyIfChanged(DrawPort& port);
    // The default-value click, exactly left+Alt: the value goes to the default, a change is
    // told, and the answer is true; any other buttons leave everything as it was.
    bool restoreDefault(DrawPort& port, std::int32_t buttons);
    // The tracking loop of the mouse-driven widgets: from the press on, the value is what
    // valueAt(point, buttons) gives for each pointer position, each change is told, the editor
    // idles and the pointer is polled, until goOn(buttons) is false. The position is read
    // after the buttons, from the same poll: the last position held is the one that counts.
    template <class ValueAt, class GoOn>
    void track(DrawPort& port, Point where, std::int32_t buttons, ValueAt valueAt, GoOn goOn) {
        for (;;) {
            setValue(valueAt(where, buttons));
            notifyIfChanged(port);
            idleWhileTracking();
            buttons = port.mouseButtons();
            if (!goOn(buttons)) return;
            port.mousePosition(where);
        }
    }
    // The buttons' loop: while anything is held, the value is what valueAt(point) gives for
    // the pointer, each change told; a press whose buttons read as already let go is applied
    // once and always told.
    template <class ValueAt>
    void followPress(DrawPort& port, Point where, ValueAt valueAt) {
        const std::int32_t buttons = port.mouseButtons();
        if (buttons == 0) {
            setValue(valueAt(where));
            notify(port);
            return;
        }
        track(port, where, buttons, [&](Point p, std::int32_t) { return valueAt(p); },
              [](std::int32_t held) { return held != 0; });
    }

    ValueListener* listener;
    std::int32_t tag;
    // Written by the host's parameter thread while the editor thread reads them.
    std::atomic<bool> mouseEnabled{true};
    std::atomic<float> oldValue{-1.0f};
    std::atomic<float> defaultValue{0.5f};
    std::atomic<float> value{0.0f};
    std::atomic<float> min{0.0f};
    std::atomic<float> max{1.0f};
};

} // namespace gui
