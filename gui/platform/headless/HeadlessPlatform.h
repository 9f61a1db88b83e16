#pragma once
// A platform without a display, for tests: windows are surfaces in a fake window tree, the
// pointer follows a script, the millisecond clock moves only when told (or by sleep); typing
// into edit lines and choosing in popup menus are scripted too.
#include "../EditLineText.h"
#include "../Platform.h"

#include <cstdint>
#include <deque>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace gui {

class HeadlessEditLine;

class HeadlessPlatform : public Platform {
public:
    HeadlessPlatform();
    ~HeadlessPlatform() override;

    // What a host does: a top-level window at a screen rectangle, or one inside another.
    NativeWindow createHostWindow(NativeWindow parent, const Rect& placement);
    // Destroys the window and everything inside it; the toolkit's windows among them learn
    // of it on the next dispatch, as from a real server.
    void destroyWindow(NativeWindow window);
    bool exists(NativeWindow window) const;
    std::vector<NativeWindow> childrenOf(NativeWindow window) const;
    // The client-area pixels of one of the toolkit's windows; null for others.
    Surface* surfaceOf(NativeWindow window);
    const char* classOf(NativeWindow window) const;
    const char* titleOf(NativeWindow window) const;
    // How often present() found something to show, per window.
    std::int32_t presentCount(NativeWindow window) const;

    void postPaint(NativeWindow window);
    // A press with the MouseButtons bits it had (its button and the modifiers held); the
    // scripted pointer may already say that everything was let go.
    void postButtonPress(NativeWindow window, Point client, std::int32_t buttons = leftButton);
    std::size_t pendingEvents() const { return events_.size(); }

    // Registrations per class name now in force.
    std::int32_t classRegistrations(const std::string& className) const;

    // The pointer: set it now, or queue states that successive mouseButtons polls take one by
    // one (each moving the clock on by its step); the last state stays. Position-only polls
    // take nothing. Polls relative to a window that is gone find no buttons.
    void setPointer(Point screen, std::int32_t buttons);
    void queuePointer(Point screen, std::int32_t buttons, std::uint32_t clockStep = 0);
    std::int32_t buttonPolls() const { return buttonPolls_; }

    // Typing, delivered (like presses) by the next dispatch to the edit line that has the
    // focus: the newest one still open. Lines that are gone or lost the focus get nothing.
    void typeText(const char* text);
    void pressKey(EditKey key);
    // On the next dispatch the focus goes to another window: the edit line that has it then
    // loses it.
    void moveFocusAway();

    // What an open edit line shows, oldest first.
    struct EditLineState {
        NativeWindow window;
        Rect area;
        EditLineLook look;
        std::string text;
        std::int32_t caret;
        bool focused;
        const Surface* pixels; // the line's own pixels, area-sized
    };
    std::vector<EditLineState> editLines() const;

    // How the next popup menus end, in order (each cancels when none is queued): the chosen
    // index (-1 cancels), and optionally the click that closed it, left queued for the owner
    // as a press at a client point.
    void queueMenuAnswer(std::int32_t choice, std::optional<Point> closingClick = std::nullopt);
    struct MenuShown {
        NativeWindow owner;
        Point screen;
        std::vector<std::string> texts;
        std::vector<bool> separators;
        std::vector<bool> checks;
        std::int32_t ownerPresents; // how often the owner had shown its pixels when the menu came
    };
    const std::vector<MenuShown>& menusShown() const { return menus_; }

    void setClock(std::uint32_t ms) { clock_ = ms; }
    void advanceClock(std::uint32_t ms) { clock_ += ms; }

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
    std::uint32_t tickCount() override { return clock_; }
    void sleep(std::uint32_t milliseconds) override { clock_ += milliseconds; }

    std::int32_t raiseCount(NativeWindow window) const;

private:
    friend class HeadlessWindow;
    friend class HeadlessEditLine;
    struct Node;
    struct Event {
        enum Kind { paint, press, destroyed, typed, key, focusLost } kind;
        NativeWindow window;
        Point where;
        std::int32_t buttons;               // press: MouseButtons; typed: the character; key: EditKey
        WindowListener* listener = nullptr; // destruction only: the node is gone by then
        HeadlessEditLine* line = nullptr;   // focus loss: the line that had it; null for whichever has it
    };
    struct MenuAnswer {
        std::int32_t choice;
        std::optional<Point> closingClick;
    };
    struct PointerState {
        Point where;
        std::int32_t buttons;
        std::uint32_t step;
    };

    Node* node(NativeWindow window) const;
    void deliver(const Event& e);
    HeadlessEditLine* focusedLine() const;

    std::map<NativeWindow, std::unique_ptr<Node>> nodes_;
    NativeWindow nextId_ = 0x100;
    std::deque<Event> events_;
    std::map<std::string, std::int32_t> classes_;
    Point pointer_;
    std::int32_t buttons_ = 0;
    std::deque<PointerState> script_;
    std::int32_t buttonPolls_ = 0;
    std::uint32_t clock_ = 1000;
    std::int32_t pressDepth_ = 0;
    std::vector<HeadlessEditLine*> editLines_; // open ones, oldest first
    HeadlessEditLine* focused_ = nullptr;
    std::deque<MenuAnswer> menuAnswers_;
    std::vector<MenuShown> menus_;
};

} // namespace gui
