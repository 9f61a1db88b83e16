#include "X11Platform.h"

#include "../../WesternCodePage.h"
#include "../EditLineText.h"
#include "../MenuPanel.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <X11/keysym.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

namespace gui {

namespace {

// Collects X errors of our connection while our own requests run, so that a window the host
// has already destroyed cannot end the process; the previous handler is back afterwards, and
// errors of other connections still go to it.
class ErrorTrap {
public:
    // roundTrip: the trap only covers requests that wait for their reply, which comes after
    // every error of our earlier requests, so it needs no syncs of its own.
    explicit ErrorTrap(Display* display, bool roundTrip = false) : display_(display), roundTrip_(roundTrip) {
        if (!roundTrip_) XSync(display_, False);
        previousDisplay_ = trappedDisplay;
        previousCount_ = errorCount;
        trappedDisplay = display_;
        errorCount = 0;
        previous_ = XSetErrorHandler(&ErrorTrap::handler);
        previousOuter_ = outerHandler;
        if (previous_ != &ErrorTrap::handler) outerHandler = previous_;
    }
    ~ErrorTrap() {
        if (!roundTrip_) XSync(display_, False);
        XSetErrorHandler(previous_);
        outerHandler = previousOuter_;
        trappedDisplay = previousDisplay_;
        errorCount = previousCount_;
    }
    ErrorTrap(const ErrorTrap&) = delete;
    ErrorTrap& operator=(const ErrorTrap&) = delete;
    // Waits for the server and tells whether any request since construction failed.
    bool failed() {
        if (!roundTrip_) XSync(display_, False);
        return errorCount != 0;
    }

private:
    static int handler(Display* display, XErrorEvent* event) {
        if (display == trappedDisplay) {
            ++errorCount;
            return 0;
        }
        return outerHandler ? outerHandler(display, event) : 0;
    }

    static inline Display* trappedDisplay = nullptr;
    static inline int errorCount = 0;
    static inline XErrorHandler outerHandler = nullptr;

    Display* display_;
    bool roundTrip_;
    Display* previousDisplay_;
    int previousCount_;
    XErrorHandler previous_;
    XErrorHandler previousOuter_;
};

std::int32_t buttonsOf(unsigned state) {
    std::int32_t buttons = 0;
    if (state & Button1Mask) buttons |= leftButton;
    if (state & Button2Mask) buttons |= middleButton;
    if (state & Button3Mask) buttons |= rightButton;
    if (state & ShiftMask) buttons |= shiftKey;
    if (state & ControlMask) buttons |= controlKey;
    if (state & Mod1Mask) buttons |= altKey;
    return buttons;
}

class X11Window;
class X11EditLine;

class X11Platform : public Platform {
public:
    ~X11Platform() override { closeDisplay(); }

    bool registerWindowClass(const char* className) override;
    void unregisterWindowClass(const char* className) override;
    std::unique_ptr<PlatformWindow> createChildWindow(const char* className, const char* title,
                                                      NativeWindow parent, std::int32_t width,
                                                      std::int32_t height,
                                                      WindowListener* listener) override;
    void dispatchPendingEvents() override;
    bool dispatchPendingPaint() override;
    std::int32_t mouseButtons(NativeWindow window, Point& where) override;
    Point cursorPosition(NativeWindow window) override;
    NativeWindow parentOf(NativeWindow window) override;
    bool screenRect(NativeWindow window, Rect& out) override;
    Point screenToClient(NativeWindow window, Point screen) override;
    bool resizeWindow(NativeWindow window, std::int32_t width, std::int32_t height) override;
    void raiseWindow(NativeWindow window) override;
    std::unique_ptr<PlatformEditLine> createEditLine(NativeWindow window, const Rect& area, const char* text,
                                                     const EditLineLook& look, EditLineListener* listener) override;
    std::int32_t popupMenu(NativeWindow owner, Point screen, const MenuEntry* entries, std::int32_t count) override;
    std::int32_t discardPendingPresses(NativeWindow window, std::int32_t count) override;
    std::int32_t dialogFrameHeight() override { return 3; }
    std::uint32_t tickCount() override;
    void sleep(std::uint32_t milliseconds) override;

    Display* display() const { return display_; }
    bool shmAvailable() const { return shm_ && shmAllowed_; }
    void allowSharedMemory(bool allow) { shmAllowed_ = allow; }
    // A window with a surface at placement (in parent's coordinates), registered for its
    // events, not yet mapped; null on failure.
    std::unique_ptr<X11Window> makeWindow(Window parent, const Rect& placement, long eventMask, bool overrideRedirect,
                                          WindowListener* listener);
    void forget(Window w) { windows_.erase(w); }
    void addEditLine(Window w, X11EditLine* line) { editLines_[w] = line; }
    void forgetEditLine(Window w) { editLines_.erase(w); }

private:
    void closeDisplay();
    void handle(XEvent& event);
    std::int32_t queryPointer(NativeWindow window, Point& where);
    bool isDestroyed(Window w) const;

    Display* display_ = nullptr;
    bool shm_ = false;
    bool shmAllowed_ = true;
    std::map<std::string, int> classes_;
    int registrations_ = 0;
    std::map<Window, X11Window*> windows_;
    std::map<Window, X11EditLine*> editLines_;
    int pressDepth_ = 0;
};

// The client-area pixels, shared with the server through MIT-SHM when it can, otherwise
// sent with plain image requests.
class X11Window : public PlatformWindow, private Surface {
public:
    X11Window(X11Platform& platform, Window window, WindowListener* listener)
        : platform_(platform), window_(window), listener_(listener) {}

    ~X11Window() override {
        Display* d = platform_.display();
        platform_.forget(window_);
        if (!d) return;
        ErrorTrap trap(d);
        releaseImage();
        if (gc_) XFreeGC(d, gc_);
        if (!destroyed_) XDestroyWindow(d, window_);
    }

    bool setUp(std::int32_t width, std::int32_t height) {
        Display* d = platform_.display();
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(d, window_, &attributes)) return false;
        visual_ = attributes.visual;
        depth_ = attributes.depth;
        gc_ = XCreateGC(d, window_, 0, nullptr);
        return gc_ && makeImage(width, height);
    }

    NativeWindow handle() const override { return window_; }
    Surface& surface() override { return *this; }
    void setListener(WindowListener* listener) override { listener_ = listener; }
    WindowListener* listener() const { return listener_; }
    void markDestroyed() { destroyed_ = true; }
    bool destroyed() const { return destroyed_; }

    void present() override {
        Rect d = damage();
        if (d.right <= d.left || d.bottom <= d.top) return;
        clearDamage();
        if (destroyed_ || !image_) return;
        Display* display = platform_.display();
        if (!direct_) convert(d);
        ErrorTrap trap(display);
        if (shmInfo_.shmaddr) {
            XShmPutImage(display, window_, gc_, image_, d.left, d.top, d.left, d.top,
                         unsigned(d.width()), unsigned(d.height()), False);
        } else {
            XPutImage(display, window_, gc_, image_, d.left, d.top, d.left, d.top,
                      unsigned(d.width()), unsigned(d.height()));
        }
        // The trap's sync also means the server is done with the shared pixels.
    }

    bool resize(std::int32_t width, std::int32_t height) {
        releaseImage();
        return makeImage(width, height);
    }

private:
    bool makeImage(std::int32_t width, std::int32_t height) {
        if (width < 1) width = 1;
        if (height < 1) height = 1;
        Display* d = platform_.display();
        direct_ = depth_ >= 24 && visual_->red_mask == 0xFF0000 && visual_->green_mask == 0xFF00 &&
                  visual_->blue_mask == 0xFF;
        if (direct_ && platform_.shmAvailable()) {
            image_ = XShmCreateImage(d, visual_, unsigned(depth_), ZPixmap, nullptr, &shmInfo_,
                                     unsigned(width), unsigned(height));
            if (image_ && image_->bits_per_pixel == 32) {
                shmInfo_.shmid = shmget(IPC_PRIVATE, std::size_t(image_->bytes_per_line) * std::size_t(height),
                                        IPC_CREAT | 0600);
                if (shmInfo_.shmid >= 0) {
                    void* at = shmat(shmInfo_.shmid, nullptr, 0);
                    // Marked for removal at once: it goes away with the last detach, even
                    // when the process dies.
                    shmctl(shmInfo_.shmid, IPC_RMID, nullptr);
                    if (at != reinterpret_cast<void*>(-1)) {
                        shmInfo_.shmaddr = image_->data = static_cast<char*>(at);
                        shmInfo_.readOnly = False;
                        ErrorTrap trap(d);
                        XShmAttach(d, &shmInfo_);
                        if (!trap.failed()) {
                            reset(reinterpret_cast<Pixel*>(image_->data), width, height,
                                  image_->bytes_per_line / 4);
                            return true;
                        }
                        shmdt(at);
                    }
                }
            }
            if (image_) {
                image_->data = nullptr;
                XDestroyImage(image_);
                image_ = nullptr;
            }
            shmInfo_ = XShmSegmentInfo{};
        }
        buffer_.resize(width, height);
        reset(buffer_.row(0), width, height, width);
        if (direct_) {
            image_ = XCreateImage(d, visual_, unsigned(depth_), ZPixmap, 0,
                                  reinterpret_cast<char*>(buffer_.row(0)), unsigned(width),
                                  unsigned(height), 32, width * 4);
            if (image_ && image_->bits_per_pixel != 32) {
                image_->data = nullptr;
                XDestroyImage(image_);
                image_ = nullptr;
                direct_ = false;
            }
        }
        if (!direct_) {
            // Unusual visuals: convert pixel by pixel into an image of the server's format.
            image_ = XCreateImage(d, visual_, unsigned(depth_), ZPixmap, 0, nullptr,
                                  unsigned(width), unsigned(height), 32, 0);
            if (image_) {
                image_->data = static_cast<char*>(std::calloc(std::size_t(image_->bytes_per_line), std::size_t(height)));
                ownsData_ = true;
            }
        }
        return image_ != nullptr;
    }

    void convert(const Rect& d) {
        for (std::int32_t y = d.top; y < d.bottom; ++y) {
            const Pixel* row = Surface::row(y);
            for (std::int32_t x = d.left; x < d.right; ++x) {
                Pixel p = row[x];
                XColor c;
                c.red = std::uint16_t(((p >> 16) & 255) * 257);
                c.green = std::uint16_t(((p >> 8) & 255) * 257);
                c.blue = std::uint16_t((p & 255) * 257);
                XPutPixel(image_, x, y, scale(c));
            }
        }
    }

    unsigned long scale(const XColor& c) const {
        auto channel = [](unsigned v, unsigned long mask) {
            if (!mask) return 0ul;
            int shift = 0;
            while (!((mask >> shift) & 1)) ++shift;
            unsigned long max = mask >> shift;
            return ((static_cast<unsigned long>(v) * max + 32767) / 65535) << shift;
        };
        return channel(c.red, visual_->red_mask) | channel(c.green, visual_->green_mask) |
               channel(c.blue, visual_->blue_mask);
    }

    void releaseImage() {
        Display* d = platform_.display();
        if (shmInfo_.shmaddr) {
            XShmDetach(d, &shmInfo_);
            XSync(d, False);
            shmdt(shmInfo_.shmaddr);
            shmInfo_ = XShmSegmentInfo{};
        }
        if (image_) {
            if (!ownsData_) image_->data = nullptr;
            XDestroyImage(image_); // frees owned data
            image_ = nullptr;
        }
        ownsData_ = false;
    }

    X11Platform& platform_;
    Window window_;
    WindowListener* listener_;
    Visual* visual_ = nullptr;
    int depth_ = 0;
    GC gc_ = nullptr;
    XImage* image_ = nullptr;
    XShmSegmentInfo shmInfo_{};
    PixelBuffer buffer_;
    bool direct_ = true;
    bool ownsData_ = false;
    bool destroyed_ = false;
};

// A typed key as the edit line takes it: a named key, or a character of the Western code
// page (0 when the key gives none).
struct TypedKey {
    bool named = false;
    EditKey key = EditKey::enter;
    unsigned char character = 0;
};

TypedKey typedKey(XKeyEvent& event) {
    char bytes[8] = {};
    KeySym keysym = NoSymbol;
    const int length = XLookupString(&event, bytes, sizeof bytes, &keysym, nullptr);
    switch (keysym) {
    case XK_Return:
    case XK_KP_Enter:
        return TypedKey{true, EditKey::enter};
    case XK_BackSpace:
        return TypedKey{true, EditKey::backspace};
    case XK_Delete:
    case XK_KP_Delete:
        return TypedKey{true, EditKey::deleteForward};
    case XK_Left:
    case XK_KP_Left:
        return TypedKey{true, EditKey::left};
    case XK_Right:
    case XK_KP_Right:
        return TypedKey{true, EditKey::right};
    case XK_Home:
    case XK_KP_Home:
        return TypedKey{true, EditKey::home};
    case XK_End:
    case XK_KP_End:
        return TypedKey{true, EditKey::end};
    default:
        break;
    }
    // Latin-1 keysyms are their own codes; Unicode keysyms carry the character; the code
    // page's other characters have older keysyms of their own.
    std::uint32_t unicode = 0;
    if ((keysym >= 0x20 && keysym <= 0x7E) || (keysym >= 0xA0 && keysym <= 0xFF)) unicode = std::uint32_t(keysym);
    else if ((keysym & 0xFF000000ul) == 0x01000000ul) unicode = std::uint32_t(keysym & 0xFFFFFFul);
    else if (keysym == XK_EuroSign) unicode = 0x20AC;
    else if (keysym == XK_OE) unicode = 0x0152;
    else if (keysym == XK_oe) unicode = 0x0153;
    else if (keysym == XK_Ydiaeresis) unicode = 0x0178;
    else if (keysym == XK_Scaron) unicode = 0x0160;
    else if (keysym == XK_scaron) unicode = 0x0161;
    else if (keysym == XK_Zcaron) unicode = 0x017D;
    else if (keysym == XK_zcaron) unicode = 0x017E;
    TypedKey typed;
    if (unicode) typed.character = westernOfUnicode(unicode);
    // The keypad's digits and signs come as Latin-1 text.
    else if (length == 1) typed.character = static_cast<unsigned char>(bytes[0]);
    return typed;
}

// An edit line: a child window of the view's window showing an EditLineText, with the
// keyboard focus while it lives.
class X11EditLine : public PlatformEditLine, private WindowListener {
public:
    X11EditLine(X11Platform& platform, const Rect& area, const char* text, const EditLineLook& look,
                EditLineListener* listener)
        : platform_(platform), area_(area), content_(text, look, area.width(), area.height()), listener_(listener) {}

    ~X11EditLine() override {
        if (!window_) return;
        const Window w = Window(window_->handle());
        platform_.forgetEditLine(w);
        if (Display* d = platform_.display()) {
            ErrorTrap trap(d);
            Window focus = None;
            int revert = RevertToParent;
            XGetInputFocus(d, &focus, &revert);
            if (focus == w) XSetInputFocus(d, previousFocus_, previousRevert_, CurrentTime);
        }
        window_.reset();
    }

    bool open(Window parent) {
        window_ = platform_.makeWindow(parent, area_,
                                       ExposureMask | ButtonPressMask | KeyPressMask | FocusChangeMask |
                                           StructureNotifyMask,
                                       false, this);
        if (!window_) return false;
        Display* d = platform_.display();
        const Window w = Window(window_->handle());
        platform_.addEditLine(w, this);
        ErrorTrap trap(d);
        XGetInputFocus(d, &previousFocus_, &previousRevert_);
        XMapRaised(d, w);
        // Fails quietly when the host's window is not on screen: the line then waits for a click.
        XSetInputFocus(d, w, RevertToParent, CurrentTime);
        show();
        return true;
    }

    void getText(char* out, std::int32_t capacity) const override { content_.getText(out, capacity); }

    // The listener may destroy the line: nothing may touch it after telling.
    void keyPressed(XKeyEvent& event) {
        const TypedKey typed = typedKey(event);
        if (typed.named) {
            const bool ended = content_.key(typed.key);
            show();
            if (ended) listener_->editLineEnded();
        } else if (typed.character && content_.type(typed.character)) {
            show();
        }
    }

    void focusChanged(const XFocusChangeEvent& event) {
        // Grabs (a menu's) and moves among our own windows are no loss of focus.
        if (event.type != FocusOut || event.mode == NotifyGrab || event.mode == NotifyUngrab ||
            event.detail == NotifyInferior || event.detail == NotifyPointer) {
            return;
        }
        listener_->editLineEnded();
    }

private:
    void show() {
        content_.draw(window_->surface());
        window_->present();
    }
    void windowPaint() override { show(); }
    void windowButtonPress(Point where, std::int32_t) override {
        content_.caretAt(where.h);
        show();
    }
    void windowDestroyed() override {}

    X11Platform& platform_;
    Rect area_;
    EditLineText content_;
    EditLineListener* listener_;
    std::unique_ptr<X11Window> window_;
    Window previousFocus_ = PointerRoot;
    int previousRevert_ = RevertToPointerRoot;
};

// A popup menu's window: the panel with the entry under the pointer lit.
class X11MenuWindow : private WindowListener {
public:
    X11MenuWindow(const MenuEntry* entries, std::int32_t count, std::int32_t screenHeight)
        : panel_(entries, count, screenHeight) {}

    bool open(X11Platform& platform, Point screen) {
        Display* d = platform.display();
        const int number = DefaultScreen(d);
        const std::int32_t w = panel_.width();
        const std::int32_t h = panel_.height();
        // Kept on the screen, as near the point as fits.
        const std::int32_t x = std::max(0, std::min(screen.h, DisplayWidth(d, number) - w));
        const std::int32_t y = std::max(0, std::min(screen.v, DisplayHeight(d, number) - h));
        window_ = platform.makeWindow(RootWindow(d, number), Rect(x, y, x + w, y + h),
                                      ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask |
                                          KeyPressMask | StructureNotifyMask,
                                      true, this);
        if (!window_) return false;
        ErrorTrap trap(d);
        XMapRaised(d, Window(window_->handle()));
        return !trap.failed();
    }

    Window handle() const { return Window(window_->handle()); }
    const MenuPanel& panel() const { return panel_; }
    std::int32_t lit() const { return lit_; }
    bool inside(Point local) const {
        return local.h >= 0 && local.v >= 0 && local.h < panel_.width() && local.v < panel_.height();
    }
    void light(std::int32_t entry) {
        if (entry == lit_) return;
        lit_ = entry;
        show();
    }

private:
    void show() {
        panel_.draw(window_->surface(), lit_);
        window_->present();
    }
    void windowPaint() override { show(); }
    void windowButtonPress(Point, std::int32_t) override {}
    void windowDestroyed() override {}

    MenuPanel panel_;
    std::unique_ptr<X11Window> window_;
    std::int32_t lit_ = -1;
};

bool X11Platform::registerWindowClass(const char* className) {
    if (registrations_ == 0) {
        // A busy server can refuse a connection for a moment (EAGAIN); try a few times.
        for (int attempt = 0; attempt < 20 && !display_; ++attempt) {
            display_ = XOpenDisplay(nullptr);
            if (!display_) sleep(5); // milliseconds
        }
        if (!display_) return false;
        int major = 0;
        int minor = 0;
        Bool pixmaps = False;
        shm_ = XShmQueryVersion(display_, &major, &minor, &pixmaps) == True;
    }
    ++registrations_;
    ++classes_[className];
    return true;
}

void X11Platform::unregisterWindowClass(const char* className) {
    auto found = classes_.find(className);
    if (found == classes_.end()) return;
    if (--found->second == 0) classes_.erase(found);
    if (--registrations_ == 0) closeDisplay();
}

void X11Platform::closeDisplay() {
    if (display_) XCloseDisplay(display_);
    display_ = nullptr;
    registrations_ = 0;
    classes_.clear();
    windows_.clear();
    editLines_.clear();
}

std::unique_ptr<X11Window> X11Platform::makeWindow(Window parent, const Rect& placement, long eventMask,
                                                   bool overrideRedirect, WindowListener* listener) {
    if (!display_ || !parent || placement.width() <= 0 || placement.height() <= 0) return nullptr;
    Window w = 0;
    {
        ErrorTrap trap(display_);
        // The screen's default visual, whatever the host's window uses (an ARGB window would
        // otherwise make our opaque pixels transparent).
        const int screen = DefaultScreen(display_);
        XSetWindowAttributes attributes{};
        attributes.event_mask = eventMask;
        attributes.background_pixmap = None;
        attributes.border_pixel = 0;
        attributes.colormap = DefaultColormap(display_, screen);
        attributes.override_redirect = overrideRedirect ? True : False;
        attributes.save_under = overrideRedirect ? True : False;
        w = XCreateWindow(display_, parent, placement.left, placement.top, unsigned(placement.width()),
                          unsigned(placement.height()), 0, DefaultDepth(display_, screen), InputOutput,
                          DefaultVisual(display_, screen),
                          CWEventMask | CWBackPixmap | CWBorderPixel | CWColormap | CWOverrideRedirect | CWSaveUnder,
                          &attributes);
        if (trap.failed()) return nullptr; // the parent is not a window (any more)
    }
    auto window = std::make_unique<X11Window>(*this, w, listener);
    windows_[w] = window.get();
    ErrorTrap trap(display_);
    if (!window->setUp(placement.width(), placement.height()) || trap.failed()) return nullptr;
    return window;
}

std::unique_ptr<PlatformWindow> X11Platform::createChildWindow(const char* className,
                                                               const char* title,
                                                               NativeWindow parent,
                                                               std::int32_t width,
                                                               std::int32_t height,
                                                               WindowListener* listener) {
    auto window = makeWindow(Window(parent), Rect(0, 0, width, height),
                             ExposureMask | ButtonPressMask | StructureNotifyMask, false, listener);
    if (!window) return nullptr;
    ErrorTrap trap(display_);
    XClassHint hint;
    hint.res_name = const_cast<char*>(title);
    hint.res_class = const_cast<char*>(className);
    XSetClassHint(display_, Window(window->handle()), &hint);
    XStoreName(display_, Window(window->handle()), title);
    XMapWindow(display_, Window(window->handle()));
    return window;
}

void X11Platform::handle(XEvent& event) {
    if (event.type == MappingNotify) {
        // The user changed the keyboard layout: keys are read through the new one.
        XRefreshKeyboardMapping(&event.xmapping);
        return;
    }
    if (event.type == KeyPress || event.type == FocusOut) {
        auto line = editLines_.find(event.xany.window);
        if (line == editLines_.end()) return;
        if (event.type == KeyPress) line->second->keyPressed(event.xkey);
        else line->second->focusChanged(event.xfocus);
        return;
    }
    auto found = windows_.find(event.xany.window);
    if (event.type == DestroyNotify) found = windows_.find(event.xdestroywindow.window);
    if (found == windows_.end()) return;
    X11Window* window = found->second;
    switch (event.type) {
    case Expose:
        if (event.xexpose.count == 0 && window->listener()) window->listener()->windowPaint();
        break;
    case ButtonPress:
        if ((event.xbutton.button == Button1 || event.xbutton.button == Button3) && window->listener()) {
            // The state is the one just before the press: add the pressed button itself.
            const std::int32_t pressed = event.xbutton.button == Button1 ? leftButton : rightButton;
            ++pressDepth_;
            window->listener()->windowButtonPress(Point(event.xbutton.x, event.xbutton.y),
                                                  buttonsOf(event.xbutton.state) | pressed);
            --pressDepth_;
        }
        break;
    case DestroyNotify:
        window->markDestroyed();
        if (window->listener()) window->listener()->windowDestroyed();
        break;
    }
}

void X11Platform::dispatchPendingEvents() {
    if (!display_) return;
    XEvent event;
    if (pressDepth_ > 0) {
        // Inside a press: everything but further presses, which wait for it to return.
        auto notPress = [](Display*, XEvent* e, XPointer) -> Bool { return e->type != ButtonPress; };
        while (display_ && XCheckIfEvent(display_, &event, notPress, nullptr)) handle(event);
        return;
    }
    while (display_ && XPending(display_) > 0) {
        XNextEvent(display_, &event);
        handle(event);
    }
}

bool X11Platform::dispatchPendingPaint() {
    if (!display_) return false;
    XEvent event;
    auto isExpose = [](Display*, XEvent* e, XPointer) -> Bool { return e->type == Expose; };
    if (!XCheckIfEvent(display_, &event, isExpose, nullptr)) return false;
    // One paint covers all the pieces of an exposure.
    event.xexpose.count = 0;
    handle(event);
    return true;
}

std::int32_t X11Platform::queryPointer(NativeWindow window, Point& where) {
    if (!display_) return 0;
    Window root = 0;
    Window child = 0;
    int rootX = 0;
    int rootY = 0;
    int x = 0;
    int y = 0;
    unsigned mask = 0;
    // One request, in the window's own coordinates. A window the host has destroyed answers
    // with an error: no buttons then, so a drag in it ends.
    ErrorTrap trap(display_, true);
    XQueryPointer(display_, window ? Window(window) : DefaultRootWindow(display_), &root, &child, &rootX, &rootY,
                  &x, &y, &mask);
    if (trap.failed()) return 0;
    where = Point(x, y);
    return buttonsOf(mask);
}

std::int32_t X11Platform::mouseButtons(NativeWindow window, Point& where) {
    return queryPointer(window, where);
}

Point X11Platform::cursorPosition(NativeWindow window) {
    Point where;
    queryPointer(window, where);
    return where;
}

NativeWindow X11Platform::parentOf(NativeWindow window) {
    if (!display_ || !window) return 0;
    ErrorTrap trap(display_);
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display_, Window(window), &root, &parent, &children, &count)) return 0;
    if (children) XFree(children);
    return parent == root ? 0 : parent;
}

bool X11Platform::screenRect(NativeWindow window, Rect& out) {
    if (!display_ || !window) return false;
    ErrorTrap trap(display_);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display_, Window(window), &attributes)) return false;
    int x = 0;
    int y = 0;
    Window child = 0;
    if (!XTranslateCoordinates(display_, Window(window), attributes.root, 0, 0, &x, &y, &child)) return false;
    out = Rect(x, y, x + attributes.width, y + attributes.height);
    return true;
}

Point X11Platform::screenToClient(NativeWindow window, Point screen) {
    if (!display_ || !window) return screen;
    ErrorTrap trap(display_);
    int x = screen.h;
    int y = screen.v;
    Window child = 0;
    if (!XTranslateCoordinates(display_, DefaultRootWindow(display_), Window(window), screen.h,
                               screen.v, &x, &y, &child)) {
        return screen;
    }
    return Point(x, y);
}

bool X11Platform::resizeWindow(NativeWindow window, std::int32_t width, std::int32_t height) {
    if (!display_ || !window || width <= 0 || height <= 0) return false;
    ErrorTrap trap(display_);
    XResizeWindow(display_, Window(window), unsigned(width), unsigned(height));
    auto found = windows_.find(Window(window));
    if (found != windows_.end()) found->second->resize(width, height);
    return !trap.failed();
}

void X11Platform::raiseWindow(NativeWindow window) {
    if (!display_ || !window) return;
    ErrorTrap trap(display_);
    XRaiseWindow(display_, Window(window));
}

std::unique_ptr<PlatformEditLine> X11Platform::createEditLine(NativeWindow window, const Rect& area,
                                                              const char* text, const EditLineLook& look,
                                                              EditLineListener* listener) {
    if (!display_ || !window || !listener) return nullptr;
    auto line = std::make_unique<X11EditLine>(*this, area, text, look, listener);
    if (!line->open(Window(window))) return nullptr;
    return line;
}

bool X11Platform::isDestroyed(Window w) const {
    auto found = windows_.find(w);
    return found != windows_.end() && found->second->destroyed();
}

std::int32_t X11Platform::popupMenu(NativeWindow owner, Point screen, const MenuEntry* entries,
                                    std::int32_t count) {
    if (!display_ || !owner || !entries || count <= 0) return -1;
    X11MenuWindow menu(entries, count, DisplayHeight(display_, DefaultScreen(display_)));
    if (!menu.open(*this, screen)) return -1;
    const Window w = menu.handle();
    // The menu takes every click and key until it closes: a click outside closes it and goes
    // nowhere else. Another client's grab can hold the pointer for a moment.
    bool grabbed = false;
    for (int attempt = 0; attempt < 20 && !grabbed; ++attempt) {
        grabbed = XGrabPointer(display_, w, False, ButtonPressMask | ButtonReleaseMask | PointerMotionMask,
                               GrabModeAsync, GrabModeAsync, None, None, CurrentTime) == GrabSuccess;
        if (!grabbed) sleep(5);
    }
    if (!grabbed) return -1;
    XGrabKeyboard(display_, w, False, GrabModeAsync, GrabModeAsync, CurrentTime);

    // A release chooses only after a press in the menu or a move of the pointer: the release
    // of the click that opened the menu chooses nothing.
    Point start;
    queryPointer(0, start);
    bool armed = false;
    std::int32_t chosen = -1;
    bool done = false;
    std::vector<XEvent> deferred; // presses for other windows, handled after the menu
    while (!done && display_ && !isDestroyed(Window(owner)) && !isDestroyed(w)) {
        XEvent event;
        XNextEvent(display_, &event);
        if (event.xany.window != w) {
            if (event.type == ButtonPress) deferred.push_back(event);
            else handle(event);
            continue;
        }
        switch (event.type) {
        case MotionNotify: {
            const Point at(event.xmotion.x, event.xmotion.y);
            const Point rootAt(event.xmotion.x_root, event.xmotion.y_root);
            armed = armed || std::abs(rootAt.h - start.h) + std::abs(rootAt.v - start.v) > 3;
            menu.light(menu.panel().entryAt(at));
            break;
        }
        case ButtonPress: {
            const Point at(event.xbutton.x, event.xbutton.y);
            if (!menu.inside(at)) {
                done = true;
                break;
            }
            armed = true;
            menu.light(menu.panel().entryAt(at));
            break;
        }
        case ButtonRelease: {
            const std::int32_t entry = menu.panel().entryAt(Point(event.xbutton.x, event.xbutton.y));
            if (armed && entry >= 0) {
                chosen = entry;
                done = true;
            }
            break;
        }
        case KeyPress: {
            const KeySym keysym = XLookupKeysym(&event.xkey, 0);
            if (keysym == XK_Escape) {
                done = true;
            } else if (keysym == XK_Up || keysym == XK_KP_Up) {
                menu.light(menu.panel().step(menu.lit(), -1));
            } else if (keysym == XK_Down || keysym == XK_KP_Down) {
                menu.light(menu.panel().step(menu.lit(), 1));
            } else if ((keysym == XK_Return || keysym == XK_KP_Enter || keysym == XK_space) && menu.lit() >= 0) {
                chosen = menu.lit();
                done = true;
            }
            break;
        }
        default:
            handle(event);
            break;
        }
    }
    if (display_) {
        ErrorTrap trap(display_);
        XUngrabPointer(display_, CurrentTime);
        XUngrabKeyboard(display_, CurrentTime);
        for (auto it = deferred.rbegin(); it != deferred.rend(); ++it) XPutBackEvent(display_, &*it);
    }
    return chosen;
}

std::int32_t X11Platform::discardPendingPresses(NativeWindow window, std::int32_t count) {
    if (!display_ || !window) return 0;
    auto isButton = [](Display*, XEvent* e, XPointer target) -> Bool {
        return (e->type == ButtonPress || e->type == ButtonRelease) &&
               e->xany.window == *reinterpret_cast<Window*>(target);
    };
    Window target = Window(window);
    std::int32_t dropped = 0;
    XEvent event;
    while (dropped < count && XCheckIfEvent(display_, &event, isButton, reinterpret_cast<XPointer>(&target))) {
        ++dropped;
    }
    return dropped;
}

std::uint32_t X11Platform::tickCount() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return std::uint32_t(std::uint64_t(now.tv_sec) * 1000u + std::uint64_t(now.tv_nsec) / 1000000u);
}

void X11Platform::sleep(std::uint32_t milliseconds) {
    timespec delay{time_t(milliseconds / 1000), long(milliseconds % 1000) * 1000000L};
    while (nanosleep(&delay, &delay) != 0) {
    }
}

X11Platform& instance() {
    static X11Platform platform;
    return platform;
}

} // namespace

Platform& x11Platform() {
    return instance();
}

void x11AllowSharedMemory(bool allow) {
    instance().allowSharedMemory(allow);
}

Platform& defaultPlatform() {
    return x11Platform();
}

} // namespace gui
