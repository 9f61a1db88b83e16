#pragma once
// One rectangle of an editor's surface that draws itself, takes presses and refreshes what it
// shows when idle. Widgets live in a RootView's list; the view owns them.
#include "Geometry.h"

namespace gui {

class DrawPort;
class OffscreenPort;
class RootView;

class Widget {
public:
    explicit Widget(const Rect& rect);
    Widget(const Widget&) = delete;
    Widget& operator=(const Widget&) = delete;
    virtual ~Widget();

    // Editor thread, all of them: window paint, presses, idle passes and edits.
    virtual void draw(DrawPort& port);
    virtual void mouse(DrawPort& port, Point where);
    virtual void update(DrawPort& port);
    virtual void endEditing();
    virtual void beginEditing();
    // Kept only when it covers the widget's whole size; otherwise the old backdrop stays.
    virtual void setBackdrop(OffscreenPort* backdrop);

    RootView* getParent() const { return parent; }
    const Rect& getRect() const { return rect; }
    OffscreenPort* getBackdrop() const { return backdrop; }
    // Draws the widget now through its parent; nothing without one.
    void redraw();

protected:
    Rect rect;
    RootView* parent = nullptr;
    OffscreenPort* backdrop = nullptr;

private:
    friend class RootView;
};

} // namespace gui
