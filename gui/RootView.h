#pragma once
// An editor's surface: a child window inside the host's window, a background picture and a
// flat list of widgets drawn in order. Paints become full redraws, presses go to the topmost
// widget under the pointer, and idle passes let widgets redraw what changed.
#include "Widget.h"
#include "platform/Platform.h"

#include <cstdint>
#include <functional>
#include <memory>

struct VstWindow;

namespace gui {

class GuiEditorBase;
class Picture;

class RootView : public Widget, private WindowListener {
public:
    // Editor thread, all operations. Embedded in the host's window (created at once).
    RootView(const Rect& rect, void* parentWindow, GuiEditorBase* editor);
    // Host window mode: waits for openHostWindow to ask the host for a window.
    RootView(const Rect& rect, const char* title, GuiEditorBase* editor, std::int32_t style);
    ~RootView() override;

    void draw(DrawPort& port) override;
    void mouse(DrawPort& port, Point where) override;
    void update(DrawPort& port) override;
    // The view takes ownership; false (and not added) when the list cannot grow.
    virtual bool addWidget(Widget* widget);
    // Leaves the widget alive and untold.
    virtual bool removeWidget(Widget* widget);

    // Whether the widget is one of this view's.
    bool containsWidget(const Widget* widget) const;
    // Draws one widget now, or everything when it is null or not in the list.
    void redrawWidget(Widget* widget);
    // Runs drawing on a fresh port on the view's window and shows what it drew: for widgets
    // that draw outside a window event (an edit that ends, a menu that closes). False, with
    // nothing run, while there is no open window.
    bool withWindowPort(const std::function<void(DrawPort&)>& drawing);
    void idle();
    void idleWhileTracking();
    void setBackground(Picture* picture);
    bool setModalWidget(Widget* widget);
    void setFocusWidget(Widget* widget);
    Widget* getFocusWidget() const { return focusWidget; }
    Widget* getModalWidget() const { return modalWidget; }
    NativeWindow getWindow() const;
    bool createWindow(void* parent);
    bool openHostWindow(const Point* position);
    bool closeHostWindow();
    bool getPosition(std::int32_t& x, std::int32_t& y);
    bool getSize(Rect& out);
    bool setSize(std::int32_t width, std::int32_t height);

    bool isWindowOpen() const { return windowOpen; }
    bool isFirstPaintPending() const { return firstPaintPending; }
    std::int32_t widgetCount() const { return count; }
    std::int32_t widgetCapacity() const { return capacity; }
    Widget* widgetAt(std::int32_t index) const { return index >= 0 && index < count ? widgets[index] : nullptr; }
    GuiEditorBase* getEditor() const { return editor; }

    // One window class per module, counted across all its views.
    static bool registerWindowClass();
    static void unregisterWindowClass();
    static const char* windowClassName();

private:
    void windowPaint() override;
    void windowButtonPress(Point where, std::int32_t buttons) override;
    void windowDestroyed() override;

    GuiEditorBase* editor;
    NativeWindow parentWindow = 0;
    Picture* background = nullptr;
    std::int32_t count = 0;
    std::int32_t capacity = 0;
    Widget** widgets = nullptr;
    Widget* modalWidget = nullptr;
    Widget* focusWidget = nullptr;
    bool firstPaintPending = true;
    bool windowOpen = true;
    std::unique_ptr<PlatformWindow> window;
    bool hostWindowMode = false;
    VstWindow* windowDescription = nullptr;
};

} // namespace gui
