// plughost editor on Windows: a borderless top-level window at the desktop's top-left, the
// script replayed with SendInput, the window read back with BitBlt from its device context.
#include "EditorHost.h"

#include <windows.h>

#include <vector>

namespace {

constexpr const char* windowClass = "plughostEditor";

// The virtual key of a named key; modifiers are the keys on the left of a keyboard.
WORD virtualKeyOf(EditorKey key) {
    switch (key) {
    case EditorKey::shift:
        return VK_LSHIFT;
    case EditorKey::control:
        return VK_LCONTROL;
    case EditorKey::alt:
        return VK_LMENU;
    case EditorKey::returnKey:
        return VK_RETURN;
    case EditorKey::escape:
        return VK_ESCAPE;
    case EditorKey::backspace:
        return VK_BACK;
    case EditorKey::deleteKey:
        return VK_DELETE;
    case EditorKey::tab:
        return VK_TAB;
    case EditorKey::left:
        return VK_LEFT;
    case EditorKey::right:
        return VK_RIGHT;
    case EditorKey::up:
        return VK_UP;
    case EditorKey::down:
        return VK_DOWN;
    case EditorKey::home:
        return VK_HOME;
    case EditorKey::end:
        return VK_END;
    }
    return 0;
}

INPUT keyInput(WORD virtualKey, bool down) {
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = virtualKey;
    input.ki.wScan = WORD(MapVirtualKeyA(virtualKey, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    // The keys between the letters and the keypad.
    for (int navigation : {VK_DELETE, VK_LEFT, VK_RIGHT, VK_UP, VK_DOWN, VK_HOME, VK_END}) {
        if (virtualKey == navigation) input.ki.dwFlags |= KEYEVENTF_EXTENDEDKEY;
    }
    return input;
}

// Types a key: down and up, with Shift held where the keyboard's layout puts the character.
void typeKey(EditorKey key) {
    WORD virtualKey = virtualKeyOf(key);
    bool shifted = false;
    if (!virtualKey) {
        const SHORT found = VkKeyScanA(char(key));
        if (found == -1) return;
        virtualKey = LOBYTE(found);
        shifted = (HIBYTE(found) & 1) != 0;
    }
    std::vector<INPUT> inputs;
    if (shifted) inputs.push_back(keyInput(VK_LSHIFT, true));
    inputs.push_back(keyInput(virtualKey, true));
    inputs.push_back(keyInput(virtualKey, false));
    if (shifted) inputs.push_back(keyInput(VK_LSHIFT, false));
    SendInput(UINT(inputs.size()), inputs.data(), sizeof(INPUT));
}

class Win32EditorHost : public EditorHost {
public:
    ~Win32EditorHost() override {
        if (window_) DestroyWindow(window_);
        UnregisterClassA(windowClass, GetModuleHandleA(nullptr));
    }

    void* openWindow(int width, int height, std::string& error) override {
        WNDCLASSA description{};
        description.lpfnWndProc = DefWindowProcA;
        description.hInstance = GetModuleHandleA(nullptr);
        description.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
        description.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
        description.lpszClassName = windowClass;
        RegisterClassA(&description);
        // No frame: the client area is the whole window.
        window_ = CreateWindowExA(0, windowClass, "plughost editor", WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0,
                                  width, height, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        if (!window_) {
            error = "cannot create a window (error " + std::to_string(GetLastError()) + ")";
            return nullptr;
        }
        width_ = width;
        height_ = height;
        SetForegroundWindow(window_);
        UpdateWindow(window_);
        handleEvents();
        return window_;
    }

    void handleEvents() override {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }

    bool editorShows() override {
        for (HWND child = GetWindow(window_, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (IsWindowVisible(child)) return true;
        }
        return false;
    }

    void perform(const EditorStep& step) override {
        if (step.kind == EditorStep::key) {
            typeKey(EditorKey(step.a));
            return;
        }
        INPUT input{};
        if (step.kind == EditorStep::keyDown || step.kind == EditorStep::keyUp) {
            input = keyInput(virtualKeyOf(EditorKey(step.a)), step.kind == EditorStep::keyDown);
            SendInput(1, &input, sizeof input);
            return;
        }
        input.type = INPUT_MOUSE;
        if (step.kind == EditorStep::move) {
            POINT p{LONG(step.a), LONG(step.b)};
            ClientToScreen(window_, &p);
            // Absolute positions run from 0 to 65535 across the primary screen.
            const int screenWidth = GetSystemMetrics(SM_CXSCREEN);
            const int screenHeight = GetSystemMetrics(SM_CYSCREEN);
            input.mi.dx = LONG((p.x * 65536 + screenWidth - 1) / screenWidth);
            input.mi.dy = LONG((p.y * 65536 + screenHeight - 1) / screenHeight);
            input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
        } else {
            const bool down = step.kind == EditorStep::press;
            switch (step.a) {
            case 2:
                input.mi.dwFlags = down ? MOUSEEVENTF_MIDDLEDOWN : MOUSEEVENTF_MIDDLEUP;
                break;
            case 3:
                input.mi.dwFlags = down ? MOUSEEVENTF_RIGHTDOWN : MOUSEEVENTF_RIGHTUP;
                break;
            default:
                input.mi.dwFlags = down ? MOUSEEVENTF_LEFTDOWN : MOUSEEVENTF_LEFTUP;
                break;
            }
        }
        SendInput(1, &input, sizeof input);
    }

    bool capture(std::vector<unsigned char>& rgb, std::string& error) override {
        HDC window = GetDC(window_);
        HDC memory = CreateCompatibleDC(window);
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof info.bmiHeader;
        info.bmiHeader.biWidth = width_;
        info.bmiHeader.biHeight = -height_;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        info.bmiHeader.biCompression = BI_RGB;
        void* bits = nullptr;
        HBITMAP bitmap = CreateDIBSection(window, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        bool ok = window && memory && bitmap && bits;
        if (ok) {
            HGDIOBJ previous = SelectObject(memory, bitmap);
            ok = BitBlt(memory, 0, 0, width_, height_, window, 0, 0, SRCCOPY) != 0;
            GdiFlush();
            SelectObject(memory, previous);
        }
        if (ok) {
            const auto* pixels = static_cast<const unsigned char*>(bits);
            rgb.clear();
            rgb.reserve(std::size_t(width_) * std::size_t(height_) * 3);
            for (std::size_t i = 0; i < std::size_t(width_) * std::size_t(height_); ++i) {
                rgb.push_back(pixels[i * 4 + 2]);
                rgb.push_back(pixels[i * 4 + 1]);
                rgb.push_back(pixels[i * 4]);
            }
        } else {
            error = "cannot read the window's pixels";
        }
        if (bitmap) DeleteObject(bitmap);
        if (memory) DeleteDC(memory);
        if (window) ReleaseDC(window_, window);
        return ok;
    }

private:
    HWND window_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

} // namespace

std::unique_ptr<EditorHost> EditorHost::connect(bool, std::string&) {
    return std::make_unique<Win32EditorHost>();
}

const char* EditorHost::where() {
    return "on the desktop";
}

const char* EditorHost::how() {
    return "as the user's own input (SendInput)";
}
