// Where plughost editor shows an editor: a top-level window of the system's window layer, the
// script's pointer actions and keys replayed as a user's, and the window's pixels read back.
// X11 in host/x11, Win32 in host/win32.
#pragma once

#include <memory>
#include <string>
#include <vector>

// The keys a script names: printable characters (space included) by their ASCII codes, the
// others from 0x100 on.
enum class EditorKey : long {
    shift = 0x100, control, alt,
    returnKey, escape, backspace, deleteKey, tab, left, right, up, down, home, end,
};

struct EditorStep {
    enum Kind { move, press, release, keyDown, keyUp, key, wait, chunk } kind;
    long a;  // x, button, EditorKey or milliseconds
    long b;  // y
    std::vector<char> bytes = {}; // chunk: the file's bytes
    std::string file = {};        // chunk: where they came from
};

class EditorHost {
public:
    // Main thread. Reaches the window system (replay: the script needs synthetic input);
    // null with error saying why.
    static std::unique_ptr<EditorHost> connect(bool replay, std::string& error);
    // For --help: where the window appears and how the script is replayed.
    static const char* where();
    static const char* how();

    virtual ~EditorHost() = default;
    // Main thread. A visible top-level window whose client area is width x height, at the
    // top-left of the screen; its handle for effEditOpen, or null with error.
    virtual void* openWindow(int width, int height, std::string& error) = 0;
    // Main thread, between idle calls: handles the window's pending events.
    virtual void handleEvents() = 0;
    // Main thread: whether the editor's own window shows inside ours.
    virtual bool editorShows() = 0;
    // Replay thread: one move, press, release, key down or key up, or a key typed (with Shift
    // where the character needs it), as a user would make it (the caller waits).
    virtual void perform(const EditorStep& step) = 0;
    // Main thread. What the window shows, as 8-bit RGB rows; false with error.
    virtual bool capture(std::vector<unsigned char>& rgb, std::string& error) = 0;
};
