#pragma once
// The few services the toolkit needs from a windowing system. Logic talks only to these
// interfaces; backends live in platform/x11 (the only place that includes X11 headers) and
// platform/headless (tests). Everything here is called on the editor thread.
#include "../Geometry.h"
#include "../Surface.h"

#include <cstdint>
#include <memory>

namespace gui {

// Window handle as the host and the window tree know it (an X11 window id under X11); 0 = none.
using NativeWindow = std::uintptr_t;

// Receives what happens to a child window; the root view implements it.
class WindowListener {
public:
    virtual void windowPaint() = 0;                  // draw the whole client area now
    // A left or right press at a point in client coordinates, with the MouseButtons bits of the
    // press itself (its button and the modifiers held): by the time it is handled the user
    // may long have let go.
    virtual void windowButtonPress(Point where, std::int32_t buttons) = 0;
    virtual void windowDestroyed() = 0;              // gone with its parent (the host closed it)

protected:
    ~WindowListener() = default;
};

// Told when the user ends the editing in an edit line.
class EditLineListener {
public:
    // Return was pressed in the line, or it lost the keyboard focus. Called while the backend
    // handles queued events, never from inside the call that created the line; the listener
    // may destroy the line.
    virtual void editLineEnded() = 0;

protected:
    ~EditLineListener() = default;
};

// How an edit line shows its text.
struct EditLineLook {
    FontId font = fontNormal; // the face and pixel height of this font-table row, never bold
    Colour text = blackColour;
    Colour back = whiteColour;
};

// One line of editable text laid over part of a window. Destroying it takes it off the screen,
// tells nobody, and hands the keyboard focus (when the line still has it) back to where it was
// when the line took it.
class PlatformEditLine {
public:
    virtual ~PlatformEditLine() = default;
    // The text now, in the 8-bit Western code page, cut to capacity - 1 characters and
    // terminated (nothing is written for a capacity below 1).
    virtual void getText(char* out, std::int32_t capacity) const = 0;
};

// One entry of a popup menu.
struct MenuEntry {
    const char* text = "";  // 8-bit Western code page
    bool separator = false; // a line between entries; cannot be chosen
    bool checked = false;   // shown with a check mark
};

// A child window with a client-area surface of its own size.
class PlatformWindow {
public:
    virtual ~PlatformWindow() = default; // destroys the native window when it still exists
    virtual NativeWindow handle() const = 0;
    virtual Surface& surface() = 0;
    // Shows the surface's damaged area on screen and clears the damage; no-op when undamaged.
    virtual void present() = 0;
    // Null detaches the listener: later events for the window are dropped.
    virtual void setListener(WindowListener* listener) = 0;
};

class Platform {
public:
    // The installed backend, or the X11 one when none was installed.
    static Platform& get();
    // Tests install the headless backend; null goes back to the default.
    static void install(Platform* platform);

    virtual ~Platform() = default;

    // One window class per module, reference counted by the caller: the first registration of
    // a name makes the backend ready (opens its display), the last unregistration releases it.
    virtual bool registerWindowClass(const char* className) = 0;
    virtual void unregisterWindowClass(const char* className) = 0;
    // Child window at (0, 0) of parent, visible; null on failure.
    virtual std::unique_ptr<PlatformWindow> createChildWindow(const char* className,
                                                              const char* title,
                                                              NativeWindow parent,
                                                              std::int32_t width,
                                                              std::int32_t height,
                                                              WindowListener* listener) = 0;

    // There is no thread: queued events of this module's windows (paint, presses,
    // destruction) are handled when the editor idles. Presses that arrive while a press is
    // being handled (a tracking loop idling) stay queued until it returns.
    virtual void dispatchPendingEvents() = 0;
    // Handles at most one queued paint and nothing else; true when one was handled.
    virtual bool dispatchPendingPaint() = 0;

    // The pointer now, each in one poll (one round trip to a display server): the MouseButtons
    // bits with the cursor, or the cursor alone, in the window's client coordinates (screen
    // coordinates for window 0).
    virtual std::int32_t mouseButtons(NativeWindow window, Point& where) = 0;
    virtual Point cursorPosition(NativeWindow window) = 0;

    // The window tree, for the editor's position and size. Screen rectangles have right and
    // bottom exclusive (left + width, top + height).
    virtual NativeWindow parentOf(NativeWindow window) = 0; // 0 at the top or when unknown
    virtual bool screenRect(NativeWindow window, Rect& out) = 0;
    virtual Point screenToClient(NativeWindow window, Point screen) = 0;
    virtual bool resizeWindow(NativeWindow window, std::int32_t width, std::int32_t height) = 0;
    virtual void raiseWindow(NativeWindow window) = 0;
    virtual std::int32_t dialogFrameHeight() = 0;

    // An edit line over area (client coordinates of window; right and bottom exclusive) that
    // shows text in one line, centred while it fits, with a caret, scrolling sideways to keep
    // the caret in view; typing edits it, up to 255 characters. It takes the keyboard focus.
    // Null on failure.
    virtual std::unique_ptr<PlatformEditLine> createEditLine(NativeWindow window, const Rect& area,
                                                             const char* text, const EditLineLook& look,
                                                             EditLineListener* listener) = 0;
    // Shows a menu of count entries with its top-left corner at a screen point (moved to stay
    // on the screen) and waits until the user picks an entry or cancels (Escape, a click
    // outside, or the owner's destruction): the index of the chosen entry, or -1.
    virtual std::int32_t popupMenu(NativeWindow owner, Point screen, const MenuEntry* entries,
                                   std::int32_t count) = 0;
    // Drops up to count mouse-button events (presses, and releases where the backend queues
    // them) queued for window, such as the click that closed a menu; returns how many.
    virtual std::int32_t discardPendingPresses(NativeWindow window, std::int32_t count) = 0;

    // Milliseconds since an arbitrary start, wrapping at 2^32.
    virtual std::uint32_t tickCount() = 0;
    virtual void sleep(std::uint32_t milliseconds) = 0;
};

} // namespace gui
