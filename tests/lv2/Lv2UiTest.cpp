// Ombrisk's LV2 UI in a real (private) X server, loaded as LV2 hosts load it: embedded in the
// host's window (ui:parent), pumped by the idle interface, told the ports' values. Each of the
// editor's sessions (short click, Alt-click, drag; the table the VST 2 editor meets too)
// reaches the host as the same parameter values, now as port writes, and the picture is the
// VST 2 editor's.
#include "DelayParameters.h"
#include "EditorSessions.h"
#include "XvfbTestSupport.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/ui/ui.h>

#include <chrono>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

struct Host {
    std::vector<std::pair<uint32_t, float>> writes;
    int width = 0;
    int height = 0;
};

void writePort(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    if (format == 0 && size == sizeof(float))
        static_cast<Host*>(controller)->writes.push_back({port, *static_cast<const float*>(buffer)});
}

int resized(LV2UI_Feature_Handle handle, int width, int height)
{
    static_cast<Host*>(handle)->width = width;
    static_cast<Host*>(handle)->height = height;
    return 0;
}

constexpr uint32_t firstControlPort = 3;

// The script's pointer and Alt steps through XTEST, on a connection of their own.
void replay(const std::string& display, Window window, const std::string& script, int pauseMs)
{
    Display* d = XOpenDisplay(display.c_str());
    if (!d)
        return;
    std::istringstream lines(script);
    std::string line;
    const KeyCode alt = XKeysymToKeycode(d, XK_Alt_L);
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string what;
        words >> what;
        if (what == "move") {
            int x = 0, y = 0, rx = 0, ry = 0;
            words >> x >> y;
            Window child = 0;
            XTranslateCoordinates(d, window, DefaultRootWindow(d), x, y, &rx, &ry, &child);
            XTestFakeMotionEvent(d, -1, rx, ry, 0);
        } else if (what == "press" || what == "release") {
            XTestFakeButtonEvent(d, 1, what == "press", 0);
        } else if (what == "keydown" || what == "keyup") {
            XTestFakeKeyEvent(d, alt, what == "keydown", 0);
        }
        XFlush(d);
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
    XCloseDisplay(d);
}

class Lv2UiSession : public ::testing::TestWithParam<EditorSession> {
protected:
    void SetUp() override
    {
        if (!XvfbEnvironment::server() || !XvfbEnvironment::server()->running())
            GTEST_SKIP() << "Xvfb could not be started";
    }
};

TEST_P(Lv2UiSession, ReachesThePortsAsTheVst2EditorReachesItsHost)
{
    const EditorSession& session = GetParam();
    const std::string display = XvfbEnvironment::server()->display();
    Display* d = XOpenDisplay(display.c_str());
    ASSERT_NE(d, nullptr);
    const Window parent = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, 240, 160, 0, 0, 0);
    XSelectInput(d, parent, StructureNotifyMask);
    XMapWindow(d, parent);
    XEvent e;
    do {
        XWindowEvent(d, parent, StructureNotifyMask, &e);
    } while (e.type != MapNotify);

    void* library = dlopen(OMBRISK_UI, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto descriptorOf = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
    ASSERT_NE(descriptorOf, nullptr);
    const LV2UI_Descriptor* ui = descriptorOf(0);
    ASSERT_NE(ui, nullptr);
    EXPECT_STREQ(ui->URI, "urn:ombrisk-vorlane:ombrisk#ui");
    EXPECT_EQ(descriptorOf(1), nullptr);
    const auto* idle = static_cast<const LV2UI_Idle_Interface*>(ui->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idle, nullptr);

    Host host;
    LV2UI_Resize resize{&host, resized};
    const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)};
    const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
    const LV2_Feature resizeFeature{LV2_UI__resize, &resize};
    const LV2_Feature* features[] = {&parentFeature, &idleFeature, &resizeFeature, nullptr};
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle handle = ui->instantiate(ui, "urn:ombrisk-vorlane:ombrisk", LV2_BUNDLES "/Ombrisk.lv2/", writePort,
                                          &host, &widget, features);
    ASSERT_NE(handle, nullptr);
    EXPECT_NE(widget, nullptr);
    EXPECT_EQ(host.width, 240);
    EXPECT_EQ(host.height, 160);
    // As a host does when the UI opens: every control port's value.
    for (int i = 0; i < ombrisk::parameterCount; ++i) {
        const Parameter& p = ombrisk::parameters[i];
        const float value = static_cast<float>(p.toUser(p.defaultValue));
        ui->port_event(handle, firstControlPort + static_cast<uint32_t>(i), sizeof value, 0, &value);
    }

    const int pauseMs = std::stoi(session.idleMs);
    for (int i = 0; i < 10; ++i) {
        idle->idle(handle);
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
    std::thread user(replay, display, parent, std::string(session.script), pauseMs);
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    bool replaying = true;
    std::thread waiter([&] {
        user.join();
        replaying = false;
    });
    while (replaying && std::chrono::steady_clock::now() < end) {
        idle->idle(handle);
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
    waiter.join();
    for (int i = 0; i < 10; ++i) {
        idle->idle(handle);
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }

    EditorRun run;
    std::ostringstream writes;
    for (auto [port, value] : host.writes) {
        const int index = static_cast<int>(port - firstControlPort);
        ASSERT_GE(index, 0);
        ASSERT_LT(index, ombrisk::parameterCount);
        run.automation.push_back({index, ombrisk::parameters[index].toNormalised(value)});
        writes << "port " << port << " = " << value << "\n";
    }
    run.output = writes.str();
    const HeadlessEditor fresh = renderHeadlessEditor({});
    expectSessionAutomation(session, run, fresh);

    XSync(d, False);
    XImage* image = XGetImage(d, reinterpret_cast<Window>(widget), 0, 0, 240, 160, AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    Image shown;
    for (int y = 0; y < 160; ++y) {
        for (int x = 0; x < 240; ++x)
            shown.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y) & 0xffffff));
    }
    XDestroyImage(image);
    EXPECT_EQ(shown, renderHeadlessEditor(session.values).pixels) << "the VST 2 editor's picture";

    ui->cleanup(handle);
    dlclose(library);
    XDestroyWindow(d, parent);
    XCloseDisplay(d);
}

INSTANTIATE_TEST_SUITE_P(Sessions, Lv2UiSession, ::testing::ValuesIn(editorSessions()),
                         [](const auto& session) { return std::string(session.param.name); });

}  // namespace
