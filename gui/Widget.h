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

    // Where the widget generations differ, each answers here. Whether a press under the
    // widget is handed to it (false: the root view looks further down); the newer generation
    // takes every press and ignores it itself when its mouse handling is off.
    virtual bool takesPresses() const;
    // The root view's full redraw draws each widget through this: the older generation keeps
    // its dirty state across it, so that an idle pass still sees what changed.
    virtual void drawInView(DrawPort& port);
    // Whether draw, as things stand, begins by setting every pixel of the rect without
    // reading any (an opaque picture over all of it): the root view's full redraw then leaves
    // the background out there. False unless a widget knows.
    virtual bool coversRect() const;

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
