// The test plug-in's editor embedded in a host-made window on a real (private) X server:
// same pixels as the headless backend, presses and drags through XTEST, open/close cycles,
// and a host that destroys its window first.
#include "EditorSessions.h"
#include "GuiTestSessions.h"
#include "TestEffect.h"
#include "TestPanel.h"
#include "XvfbTestSupport.h"
#include "gui/GuiEditorBase.h"
#include "gui/RootView.h"
#include "gui/platform/headless/HeadlessPlatform.h"
#include "gui/platform/x11/X11Platform.h"

#include "PluginLoader.h"

// Before Xlib, whose None and Bool macros clash with its names.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <malloc.h>
#include <sys/wait.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <dirent.h>
#include <fstream>
#include <functional>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

namespace {

constexpr int editorWidth = 568;
constexpr int editorHeight = 290;
constexpr int hostX = 50;
constexpr int hostY = 60;

// Xvfb refuses a connection now and then when connections come quickly (EAGAIN).
Display* connect(const std::string& name) {
    for (int attempt = 0; attempt < 50; ++attempt) {
        if (Display* d = XOpenDisplay(name.c_str())) return d;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

int sentinelErrors = 0;
int sentinelHandler(Display*, XErrorEvent*) {
    ++sentinelErrors;
    return 0;
}

Image headlessPixels(float toggle, float level) {
    return renderHeadlessEditor({{0, toggle}, {1, level}}).pixels;
}

class EditorX11Test : public ::testing::Test {
protected:
    void SetUp() override {
        if (!XvfbEnvironment::server() || !XvfbEnvironment::server()->running()) GTEST_SKIP() << "Xvfb could not be started";
        display = connect(XvfbEnvironment::server()->display());
        ASSERT_NE(display, nullptr);
        previousHandler = XSetErrorHandler(sentinelHandler);
        sentinelErrors = 0;
        host = makeHostWindow();
    }
    void TearDown() override {
        if (!display) return;
        if (host) XDestroyWindow(display, host);
        XSync(display, False);
        XSetErrorHandler(previousHandler);
        XCloseDisplay(display);
    }

    Window makeHostWindow(int x = hostX, int y = hostY) {
        Window w = XCreateSimpleWindow(display, DefaultRootWindow(display), x, y, editorWidth, editorHeight, 0, 0, 0);
        XMapWindow(display, w);
        XSync(display, False);
        return w;
    }

    std::unique_ptr<PluginLoader> load(const char* path = GUI_TEST_PLUGIN) {
        std::string error;
        auto plugin = PluginLoader::open(path, error);
        EXPECT_NE(plugin, nullptr) << error;
        if (plugin) plugin->dispatch(effOpen);
        return plugin;
    }

    static void idle(PluginLoader& plugin, int passes = 10) {
        for (int i = 0; i < passes; ++i) {
            plugin.dispatch(effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    Image screenPixels(Window w) {
        XSync(display, False);
        XImage* image = XGetImage(display, w, 0, 0, editorWidth, editorHeight, AllPlanes, ZPixmap);
        Image out;
        if (!image) return out;
        for (int y = 0; y < editorHeight; ++y)
            for (int x = 0; x < editorWidth; ++x) out.push_back(std::uint32_t(XGetPixel(image, x, y)) & 0xFFFFFFu);
        XDestroyImage(image);
        return out;
    }

    std::vector<Window> childrenOf(Window w) {
        Window root = 0, parent = 0, *children = nullptr;
        unsigned count = 0;
        std::vector<Window> out;
        if (XQueryTree(display, w, &root, &parent, &children, &count)) {
            out.assign(children, children + count);
            if (children) XFree(children);
        }
        return out;
    }

    Display* display = nullptr;
    Window host = 0;
    XErrorHandler previousHandler = nullptr;
};

int differingPixels(const Image& a, const Image& b) {
    if (a.size() != b.size()) return -1;
    int n = 0;
    for (std::size_t i = 0; i < a.size(); ++i) n += a[i] != b[i];
    return n;
}

TEST_F(EditorX11Test, EmbeddedEditorShowsTheHeadlessPixels) {
    auto plugin = load();
    ASSERT_NE(plugin, nullptr);
    EXPECT_TRUE(plugin->effect()->flags & effFlagsHasEditor);
    plugin->dispatch(effEditIdle); // nothing open: nothing happens
    ERect* rect = nullptr;
    ASSERT_EQ(plugin->dispatch(effEditGetRect, 0, 0, &rect), 1);
    ASSERT_NE(rect, nullptr);
    EXPECT_EQ(rect->right - rect->left, editorWidth);
    EXPECT_EQ(rect->bottom - rect->top, editorHeight);
    plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host));
    idle(*plugin);
    const Image expected = headlessPixels(0.0f, 0.5f);
    EXPECT_EQ(differingPixels(screenPixels(host), expected), 0);
    // Parameter changes from the host show on the next idle passes.
    plugin->effect()->setParameter(plugin->effect(), 0, 1.0f);
    plugin->effect()->setParameter(plugin->effect(), 1, 0.25f);
    idle(*plugin, 3);
    EXPECT_EQ(differingPixels(screenPixels(host), headlessPixels(1.0f, 0.25f)), 0);
    plugin->dispatch(effEditClose);
    EXPECT_TRUE(childrenOf(host).empty());
    plugin->close();
    EXPECT_EQ(sentinelErrors, 0);
}

TEST_F(EditorX11Test, EditorInAnArgbHostWindowIsOpaque) {
    XVisualInfo info{};
    if (!XMatchVisualInfo(display, DefaultScreen(display), 32, TrueColor, &info)) GTEST_SKIP() << "no ARGB visual";
    XSetWindowAttributes attributes{};
    attributes.colormap = XCreateColormap(display, DefaultRootWindow(display), info.visual, AllocNone);
    attributes.border_pixel = 0;
    attributes.background_pixel = 0;
    Window argb = XCreateWindow(display, DefaultRootWindow(display), hostX, hostY, editorWidth, editorHeight, 0, 32,
                                InputOutput, info.visual, CWColormap | CWBorderPixel | CWBackPixel, &attributes);
    XMapWindow(display, argb);
    XSync(display, False);
    auto plugin = load();
    ASSERT_NE(plugin, nullptr);
    plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(argb));
    idle(*plugin);
    auto children = childrenOf(argb);
    ASSERT_EQ(children.size(), 1u);
    EXPECT_EQ(differingPixels(screenPixels(children[0]), headlessPixels(0.0f, 0.5f)), 0);
    // Opaque: either a window without alpha, or full alpha.
    XImage* image = XGetImage(display, children[0], 10, 10, 1, 1, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    EXPECT_TRUE(image->depth == 24 || (XGetPixel(image, 0, 0) >> 24) == 0xFF) << image->depth;
    XDestroyImage(image);
    plugin->dispatch(effEditClose);
    plugin->close();
    XDestroyWindow(display, argb);
    XFreeColormap(display, attributes.colormap);
}

// Runs pointer actions from another connection while the editor thread idles, as a user would.
void replay(const std::string& name, const std::vector<std::function<void(Display*)>>& steps,
            std::atomic<bool>& done) {
    if (Display* d = connect(name)) {
        for (const auto& step : steps) {
            step(d);
            XFlush(d);
            std::this_thread::sleep_for(std::chrono::milliseconds(40));
        }
        XCloseDisplay(d);
    }
    done = true;
}

TEST_F(EditorX11Test, XtestClickAndDragReachTheRightWidgets) {
    auto plugin = load();
    ASSERT_NE(plugin, nullptr);
    plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host));
    idle(*plugin);
    int ev = 0, er = 0, major = 0, minor = 0;
    ASSERT_TRUE(XTestQueryExtension(display, &ev, &er, &major, &minor));
    auto move = [](int x, int y) {
        return [x, y](Display* d) { XTestFakeMotionEvent(d, -1, hostX + x, hostY + y, 0); };
    };
    auto button = [](bool down) { return [down](Display* d) { XTestFakeButtonEvent(d, 1, down, 0); }; };
    // Click the toggle, then drag the fader handle (value 0.5 sits at 124..135) to the top.
    std::atomic<bool> done(false);
    std::thread user(replay, XvfbEnvironment::server()->display(),
                     std::vector<std::function<void(Display*)>>{move(56, 56), button(true), button(false),
                                                                move(130, 130), button(true), move(130, 100),
                                                                move(130, 60), move(130, 20), button(false)},
                     std::ref(done));
    while (!done) {
        plugin->dispatch(effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    user.join();
    idle(*plugin, 5);
    const auto& automation = plugin->automation();
    ASSERT_GE(automation.size(), 2u);
    EXPECT_EQ(automation.front().index, 0);
    EXPECT_EQ(automation.front().value, 1.0f);
    EXPECT_EQ(automation.back().index, 1);
    EXPECT_EQ(automation.back().value, 1.0f);
    int faderReports = 0;
    for (const auto& a : automation) faderReports += a.index == 1;
    EXPECT_GE(faderReports, 2); // reported along the way, not only at the end
    EXPECT_EQ(differingPixels(screenPixels(host), headlessPixels(1.0f, 1.0f)), 0);
    plugin->dispatch(effEditClose);
    plugin->close();
}

// Short clicks as people make them: handled on the next idle, long after the release, they
// still reach the widget with their button and modifiers, and its tracking loop ends.
TEST_F(EditorX11Test, ShortClicksReachTheWidgetWithTheirButtonsAndModifiers) {
    auto plugin = load();
    ASSERT_NE(plugin, nullptr);
    plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host));
    idle(*plugin);
    const KeyCode alt = XKeysymToKeycode(display, XK_Alt_L);
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    const KeyCode control = XKeysymToKeycode(display, XK_Control_L);
    struct Case {
        std::vector<KeyCode> keys;
        unsigned button;
        int expected;
    } cases[] = {
        {{alt}, 1, gui::leftButton | gui::altKey},
        {{shift}, 1, gui::leftButton | gui::shiftKey},
        {{}, 1, gui::leftButton},
        {{control}, 3, gui::rightButton | gui::controlKey},
    };
    for (const Case& c : cases) {
        // The press pad of the test editor; the button goes up 5 ms after it went down.
        XTestFakeMotionEvent(display, -1, hostX + 420, hostY + 220, 0);
        for (KeyCode k : c.keys) XTestFakeKeyEvent(display, k, True, 0);
        XTestFakeButtonEvent(display, c.button, True, 0);
        XTestFakeButtonEvent(display, c.button, False, 5);
        for (KeyCode k : c.keys) XTestFakeKeyEvent(display, k, False, 0);
        XSync(display, False);
        idle(*plugin, 3);
        const auto& automation = plugin->automation();
        ASSERT_FALSE(automation.empty()) << c.expected;
        EXPECT_EQ(automation.back().index, 2);
        EXPECT_EQ(automation.back().value, float(c.expected) / 64.0f) << automation.back().value * 64.0f;
    }
    plugin->dispatch(effEditClose);
    plugin->close();
}

int openFiles() {
    int n = 0;
    if (DIR* d = opendir("/proc/self/fd")) {
        while (readdir(d)) ++n;
        closedir(d);
    }
    return n;
}

int sharedSegments() {
    std::ifstream maps("/proc/self/maps");
    int n = 0;
    for (std::string line; std::getline(maps, line);) n += line.find("SYSV") != std::string::npos;
    return n;
}

TEST_F(EditorX11Test, OpeningAndClosingTwoHundredTimesLeaksNothing) {
    auto plugin = load();
    ASSERT_NE(plugin, nullptr);
    auto cycle = [&] {
        plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host));
        plugin->dispatch(effEditIdle);
        plugin->dispatch(effEditIdle);
        plugin->dispatch(effEditClose);
    };
    for (int i = 0; i < 10; ++i) cycle(); // fonts, caches and the server's first replies
    const int files = openFiles();
    const int segments = sharedSegments();
    const auto heap = mallinfo2().uordblks;
    for (int i = 0; i < 200; ++i) cycle();
    EXPECT_EQ(openFiles(), files);
    EXPECT_EQ(sharedSegments(), segments);
    EXPECT_LT(mallinfo2().uordblks, heap + 64 * 1024);
    EXPECT_TRUE(childrenOf(host).empty());
    plugin->close();
}

TEST_F(EditorX11Test, HostDestroyingItsWindowFirstDoesNotCrash) {
    auto plugin = load();
    ASSERT_NE(plugin, nullptr);
    for (bool idleBetween : {true, false}) {
        plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host));
        idle(*plugin, 3);
        XDestroyWindow(display, host);
        XSync(display, False);
        host = 0;
        if (idleBetween) idle(*plugin, 3);
        plugin->dispatch(effEditClose);
        plugin->dispatch(effEditIdle);
        host = makeHostWindow();
    }
    // Opening into a window that no longer exists fails quietly too.
    Window gone = makeHostWindow();
    XDestroyWindow(display, gone);
    XSync(display, False);
    plugin->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(gone));
    idle(*plugin, 2);
    plugin->dispatch(effEditClose);
    plugin->close();
    // Our handler is still the one in force and saw none of the plug-in's errors.
    EXPECT_EQ(XSetErrorHandler(sentinelHandler), sentinelHandler);
    EXPECT_EQ(sentinelErrors, 0);
}

std::string classOf(Display* d, Window w) {
    XClassHint hint{};
    if (!XGetClassHint(d, w, &hint)) return "";
    std::string name = hint.res_class ? hint.res_class : "";
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return name;
}

TEST_F(EditorX11Test, TwoModulesRegisterTwoWindowClasses) {
    auto a = load(GUI_TEST_PLUGIN);
    auto b = load(GUI_TEST_PLUGIN_B);
    ASSERT_TRUE(a && b);
    Window secondHost = makeHostWindow(hostX, hostY + 300);
    a->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(host));
    b->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(secondHost));
    idle(*a, 2);
    idle(*b, 2);
    auto childA = childrenOf(host);
    auto childB = childrenOf(secondHost);
    ASSERT_EQ(childA.size(), 1u);
    ASSERT_EQ(childB.size(), 1u);
    const std::string classA = classOf(display, childA[0]);
    const std::string classB = classOf(display, childB[0]);
    const std::regex pattern("Plugin[0-9a-f]{8}");
    EXPECT_TRUE(std::regex_match(classA, pattern)) << classA;
    EXPECT_TRUE(std::regex_match(classB, pattern)) << classB;
    EXPECT_NE(classA, classB);
    // Closing one module's editor leaves the other working.
    a->dispatch(effEditClose);
    b->effect()->setParameter(b->effect(), 0, 1.0f);
    idle(*b, 3);
    EXPECT_EQ(differingPixels(screenPixels(secondHost), headlessPixels(1.0f, 0.5f)), 0);
    b->dispatch(effEditClose);
    XDestroyWindow(display, secondHost);
    a->close();
    b->close();
}

} // namespace

namespace {

std::string run(const std::string& command, int& status) {
    std::string out;
    if (FILE* pipe = popen((command + " 2>&1").c_str(), "r")) {
        char buffer[256];
        while (std::fgets(buffer, sizeof buffer, pipe)) out += buffer;
        status = pclose(pipe);
    }
    return out;
}

TEST_F(EditorX11Test, PlughostEditorSavesThePictureAndReportsAScriptedClick) {
    const std::string dir = ::testing::TempDir();
    const std::string script = dir + "gui_editor_script.txt";
    const std::string png = dir + "gui_editor.png";
    std::ofstream(script) << "# the toggle\nmove 56 56\npress\nrelease 1\nwait 30\n";
    int status = -1;
    const std::string out = run(std::string(PLUGHOST) + " editor " + GUI_TEST_PLUGIN + " --png " + png +
                                    " --idle-ms 10 --script " + script,
                                status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(out, "automate 0 1\n");
    // The PNG shows the editor as the headless backend draws it after the click.
    const Image shown = readPng(png, editorWidth, editorHeight);
    ASSERT_FALSE(shown.empty()) << out;
    EXPECT_EQ(differingPixels(shown, headlessPixels(1.0f, 0.5f)), 0);

    struct Case {
        std::string arguments;
        int exitCode;
        std::string message;
    } cases[] = {
        {std::string(GUI_TEST_PLUGIN) + " --idle-ms 0", 2, "--idle-ms"},
        {std::string(GUI_TEST_PLUGIN) + " --script /nonexistent/script", 2, "cannot read script"},
        {"/nonexistent/plugin.so", 1, "plughost editor"},
    };
    for (const Case& c : cases) {
        const std::string text = run(std::string(PLUGHOST) + " editor " + c.arguments, status);
        EXPECT_EQ(WEXITSTATUS(status), c.exitCode) << c.arguments << ": " << text;
        EXPECT_NE(text.find(c.message), std::string::npos) << text;
    }
    const struct BadScript {
        const char* text;
        const char* message;
    } badScripts[] = {
        {"move 1\n", "script line 1"},
        {"keydown alt\nkeydown meta\n", "script line 2: unknown key 'meta'"},
        {"keyup\n", "script line 1: expected"},
        {"key\n", "script line 1: expected"},
        {"move 1 2\nkey F13\n", "script line 2: unknown key 'F13'"},
        {"key ab\n", "script line 1: unknown key 'ab'"},
    };
    for (const BadScript& b : badScripts) {
        std::ofstream(script) << b.text;
        const std::string bad = run(std::string(PLUGHOST) + " editor " + GUI_TEST_PLUGIN + " --script " + script, status);
        EXPECT_EQ(WEXITSTATUS(status), 2) << b.text;
        EXPECT_NE(bad.find(b.message), std::string::npos) << bad;
    }
    const std::string noDisplay = run("env -u DISPLAY " + std::string(PLUGHOST) + " editor " + GUI_TEST_PLUGIN, status);
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(noDisplay.find("DISPLAY"), std::string::npos) << noDisplay;
}

// Typing into the text field and choosing from the popup choice through plughost editor's
// script (keys through XTEST), as under wine.
class PlughostTextSession : public ::testing::TestWithParam<TextSession> {
protected:
    void SetUp() override {
        if (!XvfbEnvironment::server() || !XvfbEnvironment::server()->running()) GTEST_SKIP() << "Xvfb could not be started";
    }
};

TEST_P(PlughostTextSession, TellsWhatTheUserTypedOrChose) {
    expectTextSession(GetParam(), PLUGHOST, GUI_TEST_PLUGIN);
}

INSTANTIATE_TEST_SUITE_P(Sessions, PlughostTextSession, ::testing::ValuesIn(textSessions()),
                         [](const auto& session) { return std::string(session.param.name); });

// On a screen smaller than the editor the window's pixels cannot be read: a clear failure
// after the editor was closed in order, not an X error that ends the program.
TEST_F(EditorX11Test, PlughostEditorOnASmallScreenReportsWhyThereIsNoPicture) {
    XvfbServer small("320x200x24", false);
    if (!small.running()) GTEST_SKIP() << "second Xvfb could not be started";
    const std::string png = ::testing::TempDir() + "gui_editor_small.png";
    std::remove(png.c_str());
    int status = -1;
    const std::string out = run("env DISPLAY=" + small.display() + " " + PLUGHOST + " editor " + GUI_TEST_PLUGIN +
                                    " --idle-ms 5 --png " + png,
                                status);
    EXPECT_EQ(WEXITSTATUS(status), 1) << out;
    EXPECT_NE(out.find("does not fit on the X screen (320 x 200)"), std::string::npos) << out;
    EXPECT_EQ(out.find("X Error"), std::string::npos) << out;
    EXPECT_FALSE(std::ifstream(png).good());
}

} // namespace

namespace {

// The toolkit's own X11 backend in this process (no headless platform installed).
TEST_F(EditorX11Test, PointerPollingReportsButtonsAndModifiers) {
    gui::RootView view(gui::Rect(0, 0, 100, 80), reinterpret_cast<void*>(host), nullptr);
    ASSERT_NE(view.getWindow(), 0u);
    gui::Platform& x11 = gui::Platform::get();
    const KeyCode alt = XKeysymToKeycode(display, XK_Alt_L);
    const KeyCode shift = XKeysymToKeycode(display, XK_Shift_L);
    const KeyCode control = XKeysymToKeycode(display, XK_Control_L);
    XTestFakeMotionEvent(display, -1, hostX + 30, hostY + 20, 0);
    struct Case {
        std::vector<KeyCode> keys;
        unsigned button;
        std::int32_t expected;
    } cases[] = {
        {{alt}, 1, gui::leftButton | gui::altKey},
        {{shift, control}, 3, gui::rightButton | gui::shiftKey | gui::controlKey},
        {{}, 2, gui::middleButton},
        {{shift}, 0, gui::shiftKey},
    };
    for (const Case& c : cases) {
        for (KeyCode k : c.keys) XTestFakeKeyEvent(display, k, True, 0);
        if (c.button) XTestFakeButtonEvent(display, c.button, True, 0);
        XSync(display, False);
        gui::Point where;
        EXPECT_EQ(x11.mouseButtons(0, where), c.expected);
        EXPECT_EQ(where, gui::Point(hostX + 30, hostY + 20)); // no window: screen coordinates
        if (c.button) XTestFakeButtonEvent(display, c.button, False, 0);
        for (KeyCode k : c.keys) XTestFakeKeyEvent(display, k, False, 0);
        XSync(display, False);
        EXPECT_EQ(x11.mouseButtons(view.getWindow(), where), 0);
        EXPECT_EQ(where, gui::Point(30, 20));
    }
    EXPECT_EQ(x11.cursorPosition(0), gui::Point(hostX + 30, hostY + 20));
    EXPECT_EQ(x11.cursorPosition(view.getWindow()), gui::Point(30, 20));
}

// As for a display on another machine: plain image requests, no shared memory, same pixels.
TEST_F(EditorX11Test, EditorWithoutSharedMemoryShowsTheSamePixels) {
    const Image expected = headlessPixels(0.0f, 0.5f);
    const int segments = sharedSegments();
    gui::x11AllowSharedMemory(false);
    {
        TestEffect effect(nullptr);
        auto* editor = static_cast<gui::GuiEditorBase*>(effect.getEditor());
        editor->open(reinterpret_cast<void*>(host));
        for (int i = 0; i < 10; ++i) {
            editor->idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        EXPECT_EQ(sharedSegments(), segments);
        EXPECT_EQ(differingPixels(screenPixels(host), expected), 0);
        editor->close();
    }
    gui::x11AllowSharedMemory(true);
}

TEST_F(EditorX11Test, SizeAndPositionWorkOnTheWindowTree) {
    // A frame at (100, 50) holding the host's window at (6, 24), which holds the editor.
    Window frame = XCreateSimpleWindow(display, DefaultRootWindow(display), 100, 50, 600, 340, 0, 0, 0);
    Window inner = XCreateSimpleWindow(display, frame, 6, 24, editorWidth, editorHeight, 0, 0, 0);
    XMapWindow(display, inner);
    XMapWindow(display, frame);
    XSync(display, False);
    {
        gui::RootView view(gui::Rect(0, 0, editorWidth, editorHeight), reinterpret_cast<void*>(inner), nullptr);
        std::int32_t x = 0, y = 0;
        EXPECT_TRUE(view.getPosition(x, y));
        EXPECT_EQ(x, 100);
        EXPECT_EQ(y, 50);
        gui::Rect size;
        EXPECT_TRUE(view.getSize(size));
        EXPECT_EQ(size, gui::Rect(106, 74, 106 + editorWidth, 74 + editorHeight));
        EXPECT_TRUE(view.setSize(600, 300));
        auto sizeOf = [this](Window w) {
            Window root = 0;
            int wx = 0, wy = 0;
            unsigned width = 0, height = 0, border = 0, depth = 0;
            XGetGeometry(display, w, &root, &wx, &wy, &width, &height, &border, &depth);
            return std::pair<unsigned, unsigned>(width, height);
        };
        EXPECT_EQ(sizeOf(view.getWindow()), std::make_pair(600u, 300u));
        EXPECT_EQ(sizeOf(inner), std::make_pair(600u, 300u));
        EXPECT_EQ(sizeOf(frame), std::make_pair(632u, 350u)); // keeps its 32 x 50 border
    }
    XDestroyWindow(display, frame);
    XSync(display, False);
}

} // namespace

namespace {

// What a user does, step by step, from another connection.
using Step = std::function<void(Display*)>;

Step moveTo(int x, int y) {
    return [x, y](Display* d) { XTestFakeMotionEvent(d, -1, hostX + x, hostY + y, 0); };
}
Step button(bool down) {
    return [down](Display* d) { XTestFakeButtonEvent(d, 1, down, 0); };
}
Step key(KeySym keysym, bool shift = false) {
    return [keysym, shift](Display* d) {
        const KeyCode code = XKeysymToKeycode(d, keysym);
        const KeyCode shiftCode = XKeysymToKeycode(d, XK_Shift_L);
        if (shift) XTestFakeKeyEvent(d, shiftCode, True, 0);
        XTestFakeKeyEvent(d, code, True, 0);
        XTestFakeKeyEvent(d, code, False, 0);
        if (shift) XTestFakeKeyEvent(d, shiftCode, False, 0);
    };
}

// The test editor in this process on the X11 backend: idled as a host would while the user acts.
class EditorX11TextTest : public EditorX11Test {
protected:
    void SetUp() override {
        EditorX11Test::SetUp();
        if (IsSkipped() || HasFatalFailure()) return;
        effect = std::make_unique<TestEffect>(nullptr);
        panel = static_cast<TestPanel*>(effect->getEditor());
        panel->open(reinterpret_cast<void*>(host));
        idleFor(10);
    }
    void TearDown() override {
        if (panel) panel->close();
        effect.reset();
        for (KeyCode code : spareKeys) {
            KeySym none = NoSymbol;
            XChangeKeyboardMapping(display, code, 1, &none, 1);
        }
        EditorX11Test::TearDown();
    }
    // Maps a key the default layout lacks onto a spare key code, as a change of layout would.
    void mapSpareKey(KeySym keysym) {
        if (XKeysymToKeycode(display, keysym)) return;
        int first = 0, last = 0, perCode = 0;
        XDisplayKeycodes(display, &first, &last);
        KeySym* map = XGetKeyboardMapping(display, KeyCode(first), last - first + 1, &perCode);
        for (int code = last; code >= first && map; --code) {
            bool unused = true;
            for (int i = 0; i < perCode; ++i) unused = unused && map[(code - first) * perCode + i] == NoSymbol;
            if (unused && std::find(spareKeys.begin(), spareKeys.end(), code) == spareKeys.end()) {
                XChangeKeyboardMapping(display, code, 1, &keysym, 1);
                spareKeys.push_back(KeyCode(code));
                break;
            }
        }
        if (map) XFree(map);
        XSync(display, False);
    }
    void idleFor(int passes) {
        for (int i = 0; i < passes; ++i) {
            panel->idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    // The texts the field and the choice told while the user took the steps.
    std::vector<std::string> act(const std::vector<Step>& steps) {
        const std::size_t before = panel->textsTold().size();
        std::atomic<bool> done(false);
        std::thread user(replay, XvfbEnvironment::server()->display(), steps, std::ref(done));
        while (!done) idleFor(1);
        user.join();
        idleFor(10);
        const auto& told = panel->textsTold();
        return std::vector<std::string>(told.begin() + std::ptrdiff_t(before), told.end());
    }

    std::unique_ptr<TestEffect> effect;
    TestPanel* panel = nullptr;
    std::vector<KeyCode> spareKeys;
};

TEST_F(EditorX11TextTest, AClickOpensTheEditLineAndTypingEndsWithReturnOrAClickElsewhere) {
    const std::vector<Step> openField = {moveTo(260, 110), button(true), button(false)};
    struct Case {
        const char* what;
        bool newLayout;
        std::vector<Step> steps;
        std::vector<std::string> told;
    } cases[] = {
        {"typing and Return", false, {key(XK_x), key(XK_y, true), key(XK_Return)}, {"3:abcxY"}},
        {"keys of a layout changed meanwhile", true, {key(XK_eacute), key(XK_EuroSign), key(XK_KP_Enter)},
         {"3:abcxY\xe9\x80"}},
        {"Return with the text unchanged", false, {key(XK_Return)}, {}},
        {"Backspace, Left, Delete, then a click elsewhere in the editor", false,
         {key(XK_BackSpace), key(XK_Left), key(XK_Delete), moveTo(500, 60), button(true), button(false)},
         {"3:abcxY"}},
        {"typing, then the focus taken by another window", false,
         {key(XK_q), [w = host](Display* d) { XSetInputFocus(d, w, RevertToParent, CurrentTime); }},
         {"3:abcxYq"}},
    };
    for (const Case& c : cases) {
        if (c.newLayout) {
            for (KeySym keysym : {XK_eacute, XK_EuroSign}) mapSpareKey(keysym);
        }
        std::vector<Step> steps = openField;
        steps.insert(steps.end(), c.steps.begin(), c.steps.end());
        EXPECT_EQ(act(steps), c.told) << c.what;
        // The line is gone with the edit.
        const auto views = childrenOf(host);
        ASSERT_EQ(views.size(), 1u);
        EXPECT_TRUE(childrenOf(views[0]).empty()) << c.what;
    }
}

// The menu of "Low", "-", "Mid", "High" opens under the choice at (200, 168) of the editor;
// its rows start 3 pixels down and are 20 pixels high, the separator 7.
TEST_F(EditorX11TextTest, APopupMenuChoosesWithAClickAndCancelsWithEscapeOrAClickOutside) {
    const std::vector<Step> openMenu = {moveTo(250, 159), button(true), button(false)};
    const auto entry = [](int y) { return moveTo(200 + 30, 168 + y); };
    struct Case {
        const char* what;
        std::vector<Step> steps;
        std::vector<std::string> told;
    } cases[] = {
        {"a click on an entry", {entry(60), button(true), button(false)}, {"4:High"}},
        {"Escape", {key(XK_Escape)}, {}},
        {"a click on the separator, then on an entry",
         {entry(26), button(true), button(false), entry(40), button(true), button(false)},
         {"4:Mid"}},
        {"a click outside, on the press pad", {moveTo(420, 220), button(true), button(false)}, {}},
        {"the keyboard", {key(XK_Down), key(XK_Down), key(XK_Return)}, {"4:Mid"}},
    };
    const std::size_t topLevel = childrenOf(DefaultRootWindow(display)).size();
    for (const Case& c : cases) {
        std::vector<Step> steps = openMenu;
        steps.insert(steps.end(), c.steps.begin(), c.steps.end());
        EXPECT_EQ(act(steps), c.told) << c.what;
        EXPECT_EQ(childrenOf(DefaultRootWindow(display)).size(), topLevel) << c.what << ": the menu is gone";
    }
    // The click that closed the menu did not reach the press pad below it.
    EXPECT_EQ(effect->getParameter(2), 0.0f);
    // Later clicks do.
    act({moveTo(420, 220), button(true), button(false)});
    EXPECT_EQ(effect->getParameter(2), float(gui::leftButton) / 64.0f);
}

} // namespace
