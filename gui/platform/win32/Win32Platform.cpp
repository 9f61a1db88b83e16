#include "Win32Platform.h"

#include <windows.h>

#include "../EditLineText.h"
#include "Module.h"

#include <map>
#include <string>
#include <vector>

namespace gui {

namespace {

HINSTANCE instance() {
    return static_cast<HINSTANCE>(moduleInstance);
}

// The MouseButtons bits of a press message: its buttons and Shift and Control from the
// message, Alt (which the message does not carry) as the key state at that message.
std::int32_t pressButtons(WPARAM state) {
    std::int32_t buttons = 0;
    if (state & MK_LBUTTON) buttons |= leftButton;
    if (state & MK_MBUTTON) buttons |= middleButton;
    if (state & MK_RBUTTON) buttons |= rightButton;
    if (state & MK_SHIFT) buttons |= shiftKey;
    if (state & MK_CONTROL) buttons |= controlKey;
    if (GetKeyState(VK_MENU) < 0) buttons |= altKey;
    return buttons;
}

// The cursor in a window's client coordinates, or on the screen for window 0.
Point cursorIn(NativeWindow window) {
    POINT p{};
    GetCursorPos(&p);
    if (window) MapWindowPoints(nullptr, reinterpret_cast<HWND>(window), &p, 1);
    return Point(p.x, p.y);
}

class Win32Window;
class Win32EditLine;

class Win32Platform : public Platform {
public:
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
    std::int32_t dialogFrameHeight() override { return GetSystemMetrics(SM_CYDLGFRAME); }
    std::unique_ptr<PlatformEditLine> createEditLine(NativeWindow window, const Rect& area, const char* text,
                                                     const EditLineLook& look, EditLineListener* listener) override;
    std::int32_t popupMenu(NativeWindow owner, Point screen, const MenuEntry* entries, std::int32_t count) override;
    std::int32_t discardPendingPresses(NativeWindow window, std::int32_t count) override;
    std::uint32_t tickCount() override { return GetTickCount(); }
    void sleep(std::uint32_t milliseconds) override { Sleep(milliseconds); }

    void forget(HWND window) { windows_.erase(window); }
    void remember(HWND window, Win32Window* object) { windows_[window] = object; }
    void forgetEditLine(HWND control) { editLines_.erase(control); }
    void rememberEditLine(HWND control, Win32EditLine* line) { editLines_[control] = line; }
    Win32EditLine* editLineOf(HWND control) const {
        auto found = editLines_.find(control);
        return found == editLines_.end() ? nullptr : found->second;
    }
    // A press handler is running: further presses stay queued until it returns.
    std::int32_t pressDepth = 0;

private:
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    std::map<std::string, int> classes_;
    std::map<HWND, Win32Window*> windows_;
    std::map<HWND, Win32EditLine*> editLines_;
};

Win32Platform& platform() {
    static Win32Platform instance;
    return instance;
}

// The client-area pixels: a 32-bit top-down DIB section (its pixels are 0x00RRGGBB words, as
// our surfaces are), selected into a memory context from which present copies to the window.
class Win32Window : public PlatformWindow, private Surface {
public:
    Win32Window(HWND window, WindowListener* listener) : window_(window), listener_(listener) {}

    ~Win32Window() override {
        platform().forget(window_);
        if (!destroyed_) {
            // The window procedure no longer reaches us once the user data is gone.
            SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
            DestroyWindow(window_);
        }
        releaseBitmap();
    }

    bool makeBitmap(std::int32_t width, std::int32_t height) {
        releaseBitmap();
        if (width < 1) width = 1;
        if (height < 1) height = 1;
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width;
        info.bmiHeader.biHeight = -height; // top-down: row 0 first
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        bitmap_ = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        memory_ = CreateCompatibleDC(nullptr);
        if (!bitmap_ || !memory_ || !bits) {
            releaseBitmap();
            return false;
        }
        previous_ = SelectObject(memory_, bitmap_);
        reset(static_cast<Pixel*>(bits), width, height, width);
        return true;
    }

    NativeWindow handle() const override { return reinterpret_cast<NativeWindow>(window_); }
    Surface& surface() override { return *this; }
    void setListener(WindowListener* listener) override { listener_ = listener; }
    WindowListener* listener() const { return listener_; }
    void markDestroyed() { destroyed_ = true; }

    void present() override {
        Rect d = damage();
        if (d.right <= d.left || d.bottom <= d.top) return;
        clearDamage();
        if (destroyed_ || !memory_) return;
        // GDI draws into the DIB section lazily; our own writes must be visible to it.
        GdiFlush();
        if (HDC dc = GetDC(window_)) {
            BitBlt(dc, d.left, d.top, d.width(), d.height(), memory_, d.left, d.top, SRCCOPY);
            ReleaseDC(window_, dc);
        }
    }

    // WM_PAINT: the listener redraws everything; the invalid area is then copied from the
    // bitmap whatever the listener drew, so uncovered parts never stay blank.
    void paint() {
        PAINTSTRUCT paint{};
        HDC dc = BeginPaint(window_, &paint);
        if (listener_) listener_->windowPaint();
        if (dc && memory_) {
            GdiFlush();
            const RECT& r = paint.rcPaint;
            BitBlt(dc, r.left, r.top, r.right - r.left, r.bottom - r.top, memory_, r.left, r.top, SRCCOPY);
        }
        EndPaint(window_, &paint);
    }

private:
    void releaseBitmap() {
        if (memory_) {
            if (previous_) SelectObject(memory_, previous_);
            DeleteDC(memory_);
        }
        if (bitmap_) DeleteObject(bitmap_);
        memory_ = nullptr;
        bitmap_ = nullptr;
        previous_ = nullptr;
        reset(nullptr, 0, 0, 0);
    }

    HWND window_;
    WindowListener* listener_;
    HBITMAP bitmap_ = nullptr;
    HDC memory_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    bool destroyed_ = false;
};

// The message an edit line posts to its own control when the editing ends, so that the
// listener hears of it from the message loop, never from inside the call that made the line
// or from the middle of the control's focus change.
constexpr UINT editEndedMessage = WM_APP + 0x4F45;

// The EDIT control's own window procedure: one for the whole process, since every edit line
// subclasses a control of the same class.
WNDPROC previousEditProc = nullptr;

// An edit line: a real EDIT control, subclassed, laid over the view's window with the font and
// colours of its look.
class Win32EditLine : public PlatformEditLine {
public:
    Win32EditLine(const EditLineLook& look, EditLineListener* listener) : listener_(listener) {
        text_ = RGB(look.text.red, look.text.green, look.text.blue);
        back_ = RGB(look.back.red, look.back.green, look.back.blue);
        brush_ = CreateSolidBrush(back_);
        const FontRow& row = fontRow(look.font);
        font_ = CreateFontA(-row.height, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_STRING_PRECIS,
                            CLIP_STROKE_PRECIS, DEFAULT_QUALITY, VARIABLE_PITCH | FF_SWISS, row.face);
    }

    ~Win32EditLine() override {
        if (control_) {
            platform().forgetEditLine(control_);
            // Handing the focus back must not end an edit that is going away untold.
            if (GetFocus() == control_) SetFocus(IsWindow(previousFocus_) ? previousFocus_ : nullptr);
            DestroyWindow(control_);
        }
        if (font_) DeleteObject(font_);
        if (brush_) DeleteObject(brush_);
    }

    bool open(HWND parent, const Rect& area, const char* text) {
        if (!brush_) return false;
        control_ = CreateWindowExA(0, "EDIT", text ? text : "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL | ES_CENTER,
                                   area.left, area.top, area.width(), area.height(), parent, nullptr, instance(),
                                   nullptr);
        if (!control_) return false;
        platform().rememberEditLine(control_, this);
        SendMessageA(control_, EM_LIMITTEXT, EditLineText::maxLength, 0);
        if (font_) SendMessageA(control_, WM_SETFONT, reinterpret_cast<WPARAM>(font_), TRUE);
        SendMessageA(control_, EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELPARAM(0, 0));
        // The caret after the text, as a user who goes on typing expects.
        const int end = GetWindowTextLengthA(control_);
        SendMessageA(control_, EM_SETSEL, WPARAM(end), LPARAM(end));
        const auto previous = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(control_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Win32EditLine::editProc)));
        if (!previousEditProc) previousEditProc = previous;
        previousFocus_ = SetFocus(control_);
        return true;
    }

    void getText(char* out, std::int32_t capacity) const override {
        if (!out || capacity < 1) return;
        if (control_) {
            GetWindowTextA(control_, out, capacity);
            out[capacity - 1] = 0;
            return;
        }
        lstrcpynA(out, kept_.c_str(), capacity);
    }

    // WM_CTLCOLOREDIT, at the view's window: the look's colours.
    LRESULT colours(HDC dc) const {
        SetTextColor(dc, text_);
        SetBkColor(dc, back_);
        return reinterpret_cast<LRESULT>(brush_);
    }

private:
    static LRESULT CALLBACK editProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
        Win32EditLine* line = platform().editLineOf(control);
        if (line) {
            switch (message) {
            case WM_KILLFOCUS:
                line->endLater();
                break;
            case WM_KEYDOWN:
                if (wParam == VK_RETURN) line->endLater();
                break;
            case WM_CHAR:
                // A one-line control answers the Return that ends the editing with a beep.
                if (wParam == '\r') return 0;
                break;
            case editEndedMessage:
                // The listener may destroy the line, and the control with it.
                line->ending_ = false;
                line->listener_->editLineEnded();
                return 0;
            case WM_DESTROY:
                // Gone with the view's window (the host closed it): the typed text stays readable.
                line->keepText();
                break;
            default:
                break;
            }
        }
        return CallWindowProcA(previousEditProc, control, message, wParam, lParam);
    }

    void endLater() {
        if (ending_) return;
        ending_ = PostMessageA(control_, editEndedMessage, 0, 0) != 0;
    }

    void keepText() {
        char text[EditLineText::maxLength + 1] = {};
        GetWindowTextA(control_, text, sizeof text);
        kept_ = text;
        platform().forgetEditLine(control_);
        control_ = nullptr;
    }

    EditLineListener* listener_;
    HWND control_ = nullptr;
    HWND previousFocus_ = nullptr;
    HFONT font_ = nullptr;
    HBRUSH brush_ = nullptr;
    COLORREF text_;
    COLORREF back_;
    std::string kept_;
    bool ending_ = false;
};

LRESULT CALLBACK Win32Platform::windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* object = reinterpret_cast<Win32Window*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (object) {
        switch (message) {
        case WM_PAINT:
            if (GetUpdateRect(window, nullptr, FALSE)) {
                object->paint();
                return 0;
            }
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
            if (WindowListener* listener = object->listener()) {
                // Client coordinates as unsigned 16-bit numbers.
                const Point where(std::int32_t(LOWORD(lParam)), std::int32_t(HIWORD(lParam)));
                ++platform().pressDepth;
                listener->windowButtonPress(where, pressButtons(wParam));
                --platform().pressDepth;
            }
            break;
        case WM_CTLCOLOREDIT:
            if (Win32EditLine* line = platform().editLineOf(reinterpret_cast<HWND>(lParam))) {
                return line->colours(reinterpret_cast<HDC>(wParam));
            }
            break;
        case WM_DESTROY:
            object->markDestroyed();
            if (WindowListener* listener = object->listener()) listener->windowDestroyed();
            break;
        default:
            break;
        }
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

bool Win32Platform::registerWindowClass(const char* className) {
    int& count = classes_[className];
    if (count == 0) {
        WNDCLASSA windowClass{};
        windowClass.style = 0;
        windowClass.lpfnWndProc = &Win32Platform::windowProc;
        windowClass.hInstance = instance();
        windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = className;
        if (!RegisterClassA(&windowClass)) {
            classes_.erase(className);
            return false;
        }
    }
    ++count;
    return true;
}

void Win32Platform::unregisterWindowClass(const char* className) {
    auto found = classes_.find(className);
    if (found == classes_.end()) return;
    if (--found->second == 0) {
        UnregisterClassA(className, instance());
        classes_.erase(found);
    }
}

std::unique_ptr<PlatformWindow> Win32Platform::createChildWindow(const char* className,
                                                                 const char* title,
                                                                 NativeWindow parent,
                                                                 std::int32_t width,
                                                                 std::int32_t height,
                                                                 WindowListener* listener) {
    HWND parentWindow = reinterpret_cast<HWND>(parent);
    if (!parentWindow || !IsWindow(parentWindow) || width <= 0 || height <= 0) return nullptr;
    // Our pixels never cover an edit line laid over them.
    HWND child = CreateWindowExA(0, className, title, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, width,
                                 height, parentWindow, nullptr, instance(), nullptr);
    if (!child) return nullptr;
    auto window = std::make_unique<Win32Window>(child, listener);
    if (!window->makeBitmap(width, height)) return nullptr;
    remember(child, window.get());
    SetWindowLongPtrA(child, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window.get()));
    return window;
}

void Win32Platform::dispatchPendingEvents() {
    // The host's message loop delivers presses and destruction; here only the paints of our
    // windows, so that a tracking loop (which keeps the loop waiting) still shows them.
    std::vector<HWND> windows; // a paint may destroy windows
    for (const auto& [window, object] : windows_) windows.push_back(window);
    for (HWND window : windows) {
        MSG message;
        if (PeekMessageA(&message, window, WM_PAINT, WM_PAINT, PM_REMOVE)) DispatchMessageA(&message);
    }
}

bool Win32Platform::dispatchPendingPaint() {
    MSG message;
    if (!PeekMessageA(&message, nullptr, WM_PAINT, WM_PAINT, PM_REMOVE)) return false;
    DispatchMessageA(&message);
    return true;
}

std::int32_t Win32Platform::mouseButtons(NativeWindow window, Point& where) {
    where = cursorIn(window);
    auto down = [](int key) { return (GetAsyncKeyState(key) & 0x8000) != 0; };
    std::int32_t buttons = 0;
    if (down(VK_LBUTTON)) buttons |= leftButton;
    if (down(VK_MBUTTON)) buttons |= middleButton;
    if (down(VK_RBUTTON)) buttons |= rightButton;
    if (down(VK_SHIFT)) buttons |= shiftKey;
    if (down(VK_CONTROL)) buttons |= controlKey;
    if (down(VK_MENU)) buttons |= altKey;
    return buttons;
}

Point Win32Platform::cursorPosition(NativeWindow window) {
    return cursorIn(window);
}

NativeWindow Win32Platform::parentOf(NativeWindow window) {
    HWND w = reinterpret_cast<HWND>(window);
    if (!w || !IsWindow(w)) return 0;
    HWND parent = GetAncestor(w, GA_PARENT);
    return parent == GetDesktopWindow() ? 0 : reinterpret_cast<NativeWindow>(parent);
}

bool Win32Platform::screenRect(NativeWindow window, Rect& out) {
    RECT r{};
    if (!window || !GetWindowRect(reinterpret_cast<HWND>(window), &r)) return false;
    out = Rect(r.left, r.top, r.right, r.bottom);
    return true;
}

Point Win32Platform::screenToClient(NativeWindow window, Point screen) {
    if (!window) return screen;
    POINT p{screen.h, screen.v};
    SetLastError(0);
    if (!MapWindowPoints(nullptr, reinterpret_cast<HWND>(window), &p, 1) && GetLastError() != 0) return screen;
    return Point(p.x, p.y);
}

bool Win32Platform::resizeWindow(NativeWindow window, std::int32_t width, std::int32_t height) {
    HWND w = reinterpret_cast<HWND>(window);
    if (!w || width <= 0 || height <= 0) return false;
    auto found = windows_.find(w);
    if (found != windows_.end()) found->second->makeBitmap(width, height);
    return SetWindowPos(w, nullptr, 0, 0, width, height, SWP_NOMOVE) != 0;
}

void Win32Platform::raiseWindow(NativeWindow window) {
    if (window) BringWindowToTop(reinterpret_cast<HWND>(window));
}

std::unique_ptr<PlatformEditLine> Win32Platform::createEditLine(NativeWindow window, const Rect& area,
                                                                const char* text, const EditLineLook& look,
                                                                EditLineListener* listener) {
    HWND parent = reinterpret_cast<HWND>(window);
    if (!parent || !IsWindow(parent) || !listener || area.width() <= 0 || area.height() <= 0) return nullptr;
    auto line = std::make_unique<Win32EditLine>(look, listener);
    if (!line->open(parent, area, text)) return nullptr;
    return line;
}

std::int32_t Win32Platform::popupMenu(NativeWindow owner, Point screen, const MenuEntry* entries,
                                      std::int32_t count) {
    HWND ownerWindow = reinterpret_cast<HWND>(owner);
    if (!ownerWindow || !IsWindow(ownerWindow) || !entries || count <= 0) return -1;
    HMENU menu = CreatePopupMenu();
    if (!menu) return -1;
    for (std::int32_t i = 0; i < count; ++i) {
        if (entries[i].separator) {
            AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        // Shown as written: a menu takes '&' as the mark of a shortcut letter.
        std::string text;
        for (const char* c = entries[i].text ? entries[i].text : ""; *c; ++c) {
            if (*c == '&') text += '&';
            text += *c;
        }
        // Identifiers from 1: TrackPopupMenu answers 0 when nothing was chosen.
        AppendMenuA(menu, MF_STRING | (entries[i].checked ? MF_CHECKED : MF_UNCHECKED), UINT_PTR(i) + 1,
                    text.c_str());
    }
    // Without the foreground, the menu would not see Escape or a click outside.
    SetForegroundWindow(GetAncestor(ownerWindow, GA_ROOT));
    const BOOL chosen = TrackPopupMenu(menu, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_LEFTBUTTON | TPM_RETURNCMD |
                                                 TPM_NONOTIFY,
                                       screen.h, screen.v, 0, ownerWindow, nullptr);
    DestroyMenu(menu);
    return chosen >= 1 && chosen <= count ? std::int32_t(chosen) - 1 : -1;
}

std::int32_t Win32Platform::discardPendingPresses(NativeWindow window, std::int32_t count) {
    HWND target = reinterpret_cast<HWND>(window);
    if (!target) return 0;
    std::int32_t dropped = 0;
    MSG message;
    while (dropped < count && PeekMessageA(&message, target, WM_LBUTTONDOWN, WM_MBUTTONUP, PM_REMOVE)) ++dropped;
    return dropped;
}

} // namespace

Platform& win32Platform() {
    return platform();
}

Platform& defaultPlatform() {
    return platform();
}

} // namespace gui
