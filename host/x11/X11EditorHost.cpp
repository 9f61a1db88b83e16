// plughost editor on X11: a top-level window on the display named by DISPLAY, the script
// replayed through XTEST on a connection of its own, the window read back with XGetImage.
#include "EditorHost.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

// A busy server can refuse a connection for a moment (EAGAIN); try a few times.
Display* connectDisplay() {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (Display* display = XOpenDisplay(nullptr)) return display;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

// Modifiers are the keys on the left of a keyboard; the keysyms of printable ASCII characters
// are their codes.
KeySym keysymOf(EditorKey key) {
    switch (key) {
    case EditorKey::shift:
        return XK_Shift_L;
    case EditorKey::control:
        return XK_Control_L;
    case EditorKey::alt:
        return XK_Alt_L;
    case EditorKey::returnKey:
        return XK_Return;
    case EditorKey::escape:
        return XK_Escape;
    case EditorKey::backspace:
        return XK_BackSpace;
    case EditorKey::deleteKey:
        return XK_Delete;
    case EditorKey::tab:
        return XK_Tab;
    case EditorKey::left:
        return XK_Left;
    case EditorKey::right:
        return XK_Right;
    case EditorKey::up:
        return XK_Up;
    case EditorKey::down:
        return XK_Down;
    case EditorKey::home:
        return XK_Home;
    case EditorKey::end:
        return XK_End;
    }
    return KeySym(key);
}

// Types a key: down and up, with Shift held when the keysym is on the key's shifted level.
void typeKey(Display* display, KeySym keysym) {
    const KeyCode code = XKeysymToKeycode(display, keysym);
    if (!code) return;
    int perCode = 0;
    KeySym* levels = XGetKeyboardMapping(display, code, 1, &perCode);
    const bool shifted = levels && perCode > 1 && levels[0] != keysym && levels[1] == keysym;
    if (levels) XFree(levels);
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    if (shifted) XTestFakeKeyEvent(display, shift, True, 0);
    XTestFakeKeyEvent(display, code, True, 0);
    XTestFakeKeyEvent(display, code, False, 0);
    if (shifted) XTestFakeKeyEvent(display, shift, False, 0);
}

int readErrors = 0;
int countReadError(Display*, XErrorEvent*) {
    ++readErrors;
    return 0;
}

class X11EditorHost : public EditorHost {
public:
    explicit X11EditorHost(Display* display) : display_(display) {}
    ~X11EditorHost() override {
        if (replayDisplay_) XCloseDisplay(replayDisplay_);
        if (window_) XDestroyWindow(display_, window_);
        XCloseDisplay(display_);
    }

    void* openWindow(int width, int height, std::string&) override {
        width_ = width;
        height_ = height;
        window_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, unsigned(width),
                                      unsigned(height), 0, 0, 0);
        XStoreName(display_, window_, "plughost editor");
        XSelectInput(display_, window_, StructureNotifyMask);
        XMapWindow(display_, window_);
        XEvent e;
        do {
            XWindowEvent(display_, window_, StructureNotifyMask, &e);
        } while (e.type != MapNotify);
        return reinterpret_cast<void*>(window_);
    }

    void handleEvents() override {
        XEvent e;
        while (XPending(display_) > 0) XNextEvent(display_, &e);
    }

    bool editorShows() override {
        XSync(display_, False);
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        bool viewable = false;
        if (XQueryTree(display_, window_, &root, &parent, &children, &count)) {
            for (unsigned i = 0; i < count && !viewable; ++i) {
                XWindowAttributes attributes{};
                viewable = XGetWindowAttributes(display_, children[i], &attributes) &&
                           attributes.map_state == IsViewable;
            }
            if (children) XFree(children);
        }
        return viewable;
    }

    void perform(const EditorStep& step) override {
        if (!replayDisplay_) replayDisplay_ = connectDisplay();
        if (!replayDisplay_) return;
        if (step.kind == EditorStep::move) {
            int x = 0;
            int y = 0;
            Window child = 0;
            XTranslateCoordinates(replayDisplay_, window_, DefaultRootWindow(replayDisplay_), int(step.a), int(step.b),
                                  &x, &y, &child);
            XTestFakeMotionEvent(replayDisplay_, -1, x, y, 0);
        } else if (step.kind == EditorStep::key) {
            typeKey(replayDisplay_, keysymOf(EditorKey(step.a)));
        } else if (step.kind == EditorStep::keyDown || step.kind == EditorStep::keyUp) {
            XTestFakeKeyEvent(replayDisplay_, XKeysymToKeycode(replayDisplay_, keysymOf(EditorKey(step.a))),
                              step.kind == EditorStep::keyDown, 0);
        } else {
            XTestFakeButtonEvent(replayDisplay_, unsigned(step.a), step.kind == EditorStep::press, 0);
        }
        XFlush(replayDisplay_);
    }

    bool capture(std::vector<unsigned char>& rgb, std::string& error) override {
        XSync(display_, False);
        const int screen = DefaultScreen(display_);
        if (width_ > DisplayWidth(display_, screen) || height_ > DisplayHeight(display_, screen)) {
            error = "the editor (" + std::to_string(width_) + " x " + std::to_string(height_) +
                    ") does not fit on the X screen (" + std::to_string(DisplayWidth(display_, screen)) + " x " +
                    std::to_string(DisplayHeight(display_, screen)) + "): its pixels cannot be read";
            return false;
        }
        // A window partly off the screen cannot be read; that is an answer, not a reason to exit.
        readErrors = 0;
        const XErrorHandler previous = XSetErrorHandler(countReadError);
        XImage* image = XGetImage(display_, window_, 0, 0, unsigned(width_), unsigned(height_), AllPlanes, ZPixmap);
        XSync(display_, False);
        XSetErrorHandler(previous);
        if (!image || readErrors) {
            if (image) XDestroyImage(image);
            error = "cannot read the window's pixels (is it wholly on the screen?)";
            return false;
        }
        rgb.clear();
        rgb.reserve(std::size_t(width_) * std::size_t(height_) * 3);
        for (int y = 0; y < height_; ++y) {
            for (int x = 0; x < width_; ++x) {
                const unsigned long p = XGetPixel(image, x, y);
                const auto channel = [p](unsigned long mask) {
                    int shift = 0;
                    while (mask && !((mask >> shift) & 1)) ++shift;
                    const unsigned long max = mask >> shift;
                    return static_cast<unsigned char>(max ? ((p & mask) >> shift) * 255 / max : 0);
                };
                rgb.push_back(channel(image->red_mask));
                rgb.push_back(channel(image->green_mask));
                rgb.push_back(channel(image->blue_mask));
            }
        }
        XDestroyImage(image);
        return true;
    }

private:
    Display* display_;
    Display* replayDisplay_ = nullptr; // the replay thread's own connection
    Window window_ = 0;
    int width_ = 0;
    int height_ = 0;
};

} // namespace

std::unique_ptr<EditorHost> EditorHost::connect(bool replay, std::string& error) {
    if (!std::getenv("DISPLAY")) {
        error = "DISPLAY is not set: the editor needs an X display";
        return nullptr;
    }
    Display* display = connectDisplay();
    if (!display) {
        error = "cannot open the X display '" + std::string(std::getenv("DISPLAY")) + "'";
        return nullptr;
    }
    int event = 0, failure = 0, major = 0, minor = 0;
    if (replay && !XTestQueryExtension(display, &event, &failure, &major, &minor)) {
        XCloseDisplay(display);
        error = "the X server has no XTEST extension";
        return nullptr;
    }
    return std::make_unique<X11EditorHost>(display);
}

const char* EditorHost::where() {
    return "on the X display named by DISPLAY";
}

const char* EditorHost::how() {
    return "through the XTEST extension";
}
