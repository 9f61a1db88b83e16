// A plug-in's LV2 UI in a real (private) X server, loaded as LV2 hosts load it: embedded in
// the host's window (ui:parent), pumped by the idle interface, told the ports' values. Each of
// the editor's sessions (short click, Alt-click, drags; the table the VST 2 editor meets too)
// reaches the host as the same parameter values, now as port writes, and the picture is the
// VST 2 editor's. Built once per plug-in with its sessions, like its VST 2 X server tests.
#include "DelayParameters.h"
#include "EditorSessions.h"
#include "HostTestSupport.h"
#include "Lv2Host.h"
#include "ShaperChunk.h"
#include "ShaperParameters.h"
#include "XvfbTestSupport.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <lv2/atom/atom.h>
#include <lv2/ui/ui.h>
#include <lv2/urid/urid.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <iterator>
#include <cstring>
#include <span>
#include <sstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

const std::span<const Parameter> parameters = PLUGIN_PARAMETERS;
constexpr LV2_URID eventTransfer = 1;
constexpr LV2_URID chunkType = 2;

struct Host {
    std::vector<std::pair<uint32_t, float>> writes;
    // The atom:Chunk messages' bodies.
    std::vector<std::vector<unsigned char>> messages;
    int width = 0;
    int height = 0;
};

void writePort(LV2UI_Controller controller, uint32_t port, uint32_t size, uint32_t format, const void* buffer)
{
    auto& host = *static_cast<Host*>(controller);
    if (format == 0 && size == sizeof(float)) {
        host.writes.push_back({port, *static_cast<const float*>(buffer)});
    } else if (format == eventTransfer && size >= sizeof(LV2_Atom)) {
        LV2_Atom atom;
        std::memcpy(&atom, buffer, sizeof atom);
        const auto* body = static_cast<const unsigned char*>(buffer) + sizeof atom;
        if (atom.type == chunkType && atom.size == size - sizeof atom)
            host.messages.emplace_back(body, body + atom.size);
    }
}

LV2_URID mapUri(LV2_URID_Map_Handle, const char* uri)
{
    if (std::strcmp(uri, LV2_ATOM__eventTransfer) == 0)
        return eventTransfer;
    return std::strcmp(uri, LV2_ATOM__Chunk) == 0 ? chunkType : 3;
}

// The parameter a control port carries: they follow the audio ports, in the table's order.
int parameterOf(uint32_t port)
{
    int control = static_cast<int>(port) - FIRST_CONTROL_PORT;
    for (int i = 0; i < static_cast<int>(parameters.size()); ++i) {
        if (parameters[i].scale == ParameterScale::none)
            continue;
        if (control-- == 0)
            return i;
    }
    return -1;
}

uint32_t portOf(int parameter)
{
    uint32_t port = FIRST_CONTROL_PORT;
    for (int i = 0; i < parameter; ++i)
        port += parameters[i].scale == ParameterScale::none ? 0 : 1;
    return port;
}

int resized(LV2UI_Feature_Handle handle, int width, int height)
{
    static_cast<Host*>(handle)->width = width;
    static_cast<Host*>(handle)->height = height;
    return 0;
}

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
        } else if (what == "wait") {
            int ms = 0;
            words >> ms;
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
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

struct UiRun {
    Host host;
    Image shown;
    int width = 0;
    int height = 0;
};

// Opens the UI in a window of the server, tells it the ports' defaults, replays the script
// while idling it every pauseMs, reads its picture and closes it.
void runUi(const std::string& script, int pauseMs, UiRun& run)
{
    const HeadlessEditor fresh = renderHeadlessEditor({});
    run.width = fresh.width;
    run.height = fresh.height;
    const std::string display = XvfbEnvironment::server()->display();
    Display* d = XOpenDisplay(display.c_str());
    ASSERT_NE(d, nullptr);
    const Window parent = XCreateSimpleWindow(d, DefaultRootWindow(d), 0, 0, unsigned(run.width),
                                              unsigned(run.height), 0, 0, 0);
    XSelectInput(d, parent, StructureNotifyMask);
    XMapWindow(d, parent);
    XEvent e;
    do {
        XWindowEvent(d, parent, StructureNotifyMask, &e);
    } while (e.type != MapNotify);

    void* library = dlopen(PLUGIN_UI, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto descriptorOf = reinterpret_cast<LV2UI_DescriptorFunction>(dlsym(library, "lv2ui_descriptor"));
    ASSERT_NE(descriptorOf, nullptr);
    const LV2UI_Descriptor* ui = descriptorOf(0);
    ASSERT_NE(ui, nullptr);
    EXPECT_STREQ(ui->URI, PLUGIN_URI "#ui");
    EXPECT_EQ(descriptorOf(1), nullptr);
    const auto* idle = static_cast<const LV2UI_Idle_Interface*>(ui->extension_data(LV2_UI__idleInterface));
    ASSERT_NE(idle, nullptr);

    Host& host = run.host;
    LV2UI_Resize resize{&host, resized};
    LV2_URID_Map map{nullptr, mapUri};
    const LV2_Feature parentFeature{LV2_UI__parent, reinterpret_cast<void*>(parent)};
    const LV2_Feature idleFeature{LV2_UI__idleInterface, nullptr};
    const LV2_Feature resizeFeature{LV2_UI__resize, &resize};
    const LV2_Feature mapFeature{LV2_URID__map, &map};
    const LV2_Feature* features[] = {&parentFeature, &idleFeature, &resizeFeature, &mapFeature, nullptr};
    LV2UI_Widget widget = nullptr;
    LV2UI_Handle handle = ui->instantiate(ui, PLUGIN_URI, PLUGIN_BUNDLE, writePort, &host, &widget, features);
    ASSERT_NE(handle, nullptr);
    EXPECT_NE(widget, nullptr);
    EXPECT_EQ(host.width, run.width);
    EXPECT_EQ(host.height, run.height);
    // As a host does when the UI opens: every control port's value.
    for (int i = 0; i < static_cast<int>(parameters.size()); ++i) {
        const Parameter& p = parameters[i];
        if (p.scale == ParameterScale::none)
            continue;
        const float value = static_cast<float>(p.toUser(p.defaultValue));
        ui->port_event(handle, portOf(i), sizeof value, 0, &value);
    }

    for (int i = 0; i < 10; ++i) {
        idle->idle(handle);
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
    std::atomic<bool> replaying{true};
    std::thread user([&] {
        replay(display, parent, script, pauseMs);
        replaying = false;
    });
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (replaying && std::chrono::steady_clock::now() < end) {
        idle->idle(handle);
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }
    user.join();
    for (int i = 0; i < 10; ++i) {
        idle->idle(handle);
        std::this_thread::sleep_for(std::chrono::milliseconds(pauseMs));
    }

    XSync(d, False);
    XImage* image = XGetImage(d, reinterpret_cast<Window>(widget), 0, 0, unsigned(run.width), unsigned(run.height),
                              AllPlanes, ZPixmap);
    ASSERT_NE(image, nullptr);
    for (int y = 0; y < run.height; ++y) {
        for (int x = 0; x < run.width; ++x)
            run.shown.push_back(static_cast<std::uint32_t>(XGetPixel(image, x, y) & 0xffffff));
    }
    XDestroyImage(image);
    ui->cleanup(handle);
    dlclose(library);
    XDestroyWindow(d, parent);
    XCloseDisplay(d);
}

TEST_P(Lv2UiSession, ReachesThePortsAsTheVst2EditorReachesItsHost)
{
    const EditorSession& session = GetParam();
    UiRun ui;
    runUi(session.script, std::stoi(session.idleMs), ui);
    if (HasFatalFailure())
        return;
    EditorRun run;
    std::ostringstream writes;
    for (auto [port, value] : ui.host.writes) {
        const int index = parameterOf(port);
        ASSERT_GE(index, 0) << port;
        run.automation.push_back({index, parameters[index].toNormalised(value)});
        writes << "port " << port << " = " << value << "\n";
    }
    run.output = writes.str();
    expectSessionAutomation(session, run, renderHeadlessEditor({}));
    EXPECT_EQ(ui.shown, renderHeadlessEditor(session.values).pixels) << "the VST 2 editor's picture";
}

#ifdef CURVE_SCRIPT
// A curve drawn in the UI reaches the plug-in as the state's bytes, ending with what the VST 2
// editor saves for the same drawing.
TEST(Lv2UiCurve, ADrawnCurveGoesToThePluginAsItsState)
{
    if (!XvfbEnvironment::server() || !XvfbEnvironment::server()->running())
        GTEST_SKIP() << "Xvfb could not be started";
    std::ifstream file(CURVE_SCRIPT);
    const std::string script((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    ASSERT_FALSE(script.empty());
    UiRun ui;
    runUi(script, 10, ui);
    if (HasFatalFailure())
        return;
    ASSERT_GE(ui.host.messages.size(), 2u) << "the request for the state, then the edits";
    EXPECT_TRUE(ui.host.messages.front().empty()) << "the UI asks for the state first";
    EXPECT_TRUE(ui.host.writes.empty()) << "no port moves";

    vorlane::ShaperState drawn;
    ASSERT_TRUE(vorlane::decodeChunk(ui.host.messages.back().data(), ui.host.messages.back().size(), drawn));
    EXPECT_EQ(drawn.count, 5) << "three points drawn on the straight line";

    ScratchFolder scratch;
    const std::string saved = (scratch / "drawn.chunk").string();
    const CommandResult vst = runCommand({PLUGHOST, "editor", PLUGIN_VST, "--script", CURVE_SCRIPT, "--save-chunk", saved});
    ASSERT_EQ(vst.exitCode, 0) << vst.err;
    const std::string bytes = readText(saved);
    vorlane::ShaperState expected;
    ASSERT_TRUE(vorlane::decodeChunk(bytes.data(), bytes.size(), expected));
    ASSERT_EQ(drawn.count, expected.count);
    for (int i = 0; i < drawn.count; ++i)
        EXPECT_EQ(drawn.points[i], expected.points[i]) << "point " << i;
    EXPECT_NE(ui.shown, renderHeadlessEditor({}).pixels) << "the drawn curve shows";

    // The last message, as the host passes it on to the plug-in: it holds exactly the state
    // the VST 2 editor saved, and tells it.
    setenv("LV2_PATH", LV2_BUNDLES ":/usr/lib/lv2", 1);
    lv2host::Instance dsp(PLUGIN_URI);
    ASSERT_TRUE(dsp.ok());
    const std::vector<float> silence(2 * 64, 0.0f);
    dsp.render(silence, 2);
    dsp.takeNotified();
    dsp.sendChunk(ui.host.messages.back());
    dsp.render(silence, 2);
    dsp.render(silence, 2);  // told in the run after the worker's answer
    const auto told = dsp.takeNotified();
    ASSERT_EQ(told.size(), 1u);
    EXPECT_EQ(told[0], std::vector<unsigned char>(bytes.begin(), bytes.end()));
}
#endif

INSTANTIATE_TEST_SUITE_P(Sessions, Lv2UiSession, ::testing::ValuesIn(editorSessions()),
                         [](const auto& session) { return std::string(session.param.name); });

}  // namespace
