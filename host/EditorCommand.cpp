// plughost editor PLUGIN [--png FILE] [--idle-ms N] [--script FILE] [--save-chunk FILE]: opens
// a plug-in's editor in a top-level X11 window, idles it, replays pointer and modifier actions
// through XTEST (and chunks loaded meanwhile), saves what the window shows and the plug-in's
// state, and prints the automation the host received.
#include "Arguments.h"
#include "AtomicFile.h"
#include "ChunkFile.h"
#include "Command.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <png.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

// A busy server can refuse a connection for a moment (EAGAIN); try a few times.
Display* connect() {
    for (int attempt = 0; attempt < 20; ++attempt) {
        if (Display* display = XOpenDisplay(nullptr)) return display;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return nullptr;
}

const char* const helpText =
    "Usage: plughost editor PLUGIN [--png FILE] [--idle-ms N] [--script FILE] [--save-chunk FILE]\n"
    "\n"
    "Opens the editor of the VST 2 plug-in PLUGIN in a top-level window on the X display named\n"
    "by DISPLAY and sends it effEditIdle every N milliseconds (default 20, 1 to 1000).\n"
    "\n"
    "  --png FILE     save what the window shows as a PNG file before closing\n"
    "  --idle-ms N    interval of the editor's idle calls\n"
    "  --script FILE  replay pointer and modifier actions through the XTEST extension, one\n"
    "                 per line:\n"
    "                   move X Y       pointer to (X, Y) in the editor's coordinates\n"
    "                   press [B]      button B (1 left, 2 middle, 3 right; default 1) down\n"
    "                   release [B]    button B up\n"
    "                   keydown KEY    modifier KEY (shift, control or alt) down\n"
    "                   keyup KEY      modifier KEY up\n"
    "                   wait MS        pause for MS milliseconds\n"
    "                   chunk FILE     hand FILE's bytes to the plug-in as its saved state\n"
    "                                  (effSetChunk) from the script's own thread, as a host\n"
    "                                  loading a preset while the editor is open\n"
    "                 each action is followed by a pause of one idle interval; '#' starts a\n"
    "                 comment; modifiers still down at the end are let go\n"
    "  --save-chunk FILE  write the plug-in's saved state (effGetChunk) once the editor is\n"
    "                 closed, for example a curve drawn in it for plughost process --load-chunk\n"
    "\n"
    "Without a script the editor is idled 25 times. Then the automation the host received is\n"
    "printed, one 'automate INDEX VALUE' line per change, in order.\n";

constexpr const char* name = "editor";

struct Step {
    enum Kind { move, press, release, keyDown, keyUp, wait, chunk } kind;
    long a;
    long b;
    std::vector<char> bytes = {}; // chunk: the file's bytes
    std::string file = {};        // chunk: where they came from
};

// The modifiers a script may hold, as the keys on the left of a keyboard.
struct Modifier {
    const char* name;
    KeySym key;
};
constexpr Modifier modifiers[] = {{"shift", XK_Shift_L}, {"control", XK_Control_L}, {"alt", XK_Alt_L}};

bool parseScript(const std::string& path, std::vector<Step>& steps, std::string& error) {
    std::ifstream in(path);
    if (!in) {
        error = "cannot read script '" + path + "'";
        return false;
    }
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        if (const auto hash = line.find('#'); hash != std::string::npos) line.erase(hash);
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string word; words >> word;) w.push_back(word);
        if (w.empty()) continue;
        const std::string where = "script line " + std::to_string(number);
        std::string why;
        if (w[0] == "move" && w.size() == 3) {
            auto x = parseInteger(w[1], -32768, 32767, "x", why);
            auto y = x ? parseInteger(w[2], -32768, 32767, "y", why) : std::nullopt;
            if (!y) {
                error = where + ": " + why;
                return false;
            }
            steps.push_back({Step::move, *x, *y});
        } else if ((w[0] == "press" || w[0] == "release") && w.size() <= 2) {
            long button = 1;
            if (w.size() == 2) {
                auto b = parseInteger(w[1], 1, 3, "button", why);
                if (!b) {
                    error = where + ": " + why;
                    return false;
                }
                button = *b;
            }
            steps.push_back({w[0] == "press" ? Step::press : Step::release, button, 0});
        } else if ((w[0] == "keydown" || w[0] == "keyup") && w.size() == 2) {
            const Modifier* found = nullptr;
            for (const Modifier& m : modifiers) {
                if (w[1] == m.name) found = &m;
            }
            if (!found) {
                error = where + ": unknown key '" + w[1] + "' (shift, control or alt)";
                return false;
            }
            steps.push_back({w[0] == "keydown" ? Step::keyDown : Step::keyUp, long(found->key), 0});
        } else if (w[0] == "wait" && w.size() == 2) {
            auto ms = parseInteger(w[1], 0, 60000, "pause", why);
            if (!ms) {
                error = where + ": " + why;
                return false;
            }
            steps.push_back({Step::wait, *ms, 0});
        } else if (w[0] == "chunk" && w.size() == 2) {
            Step step{Step::chunk, 0, 0, {}, w[1]};
            if (!readChunkFile(w[1], step.bytes, why)) {
                error = where + ": " + why;
                return false;
            }
            steps.push_back(std::move(step));
        } else {
            error = where + ": expected 'move X Y', 'press [B]', 'release [B]', 'keydown KEY', 'keyup KEY', "
                            "'wait MS' or 'chunk FILE'";
            return false;
        }
    }
    return true;
}

// Replays the steps on a connection of its own while the main thread keeps the editor idle; a
// chunk refused by the plug-in is reported through refused.
void replay(std::vector<Step>& steps, PluginLoader& plugin, Window window, long idleMs, std::string& refused,
            std::atomic<bool>& done) {
    Display* display = connect();
    if (display) {
        for (Step& step : steps) {
            switch (step.kind) {
            case Step::move: {
                int x = 0;
                int y = 0;
                Window child = 0;
                XTranslateCoordinates(display, window, DefaultRootWindow(display), int(step.a), int(step.b), &x, &y,
                                      &child);
                XTestFakeMotionEvent(display, -1, x, y, 0);
                break;
            }
            case Step::press:
            case Step::release:
                XTestFakeButtonEvent(display, unsigned(step.a), step.kind == Step::press, 0);
                break;
            case Step::keyDown:
            case Step::keyUp:
                XTestFakeKeyEvent(display, XKeysymToKeycode(display, KeySym(step.a)), step.kind == Step::keyDown, 0);
                break;
            case Step::wait:
                std::this_thread::sleep_for(std::chrono::milliseconds(step.a));
                break;
            case Step::chunk:
                if (plugin.dispatch(effSetChunk, 0, VstIntPtr(step.bytes.size()), step.bytes.data()) == 0 &&
                    refused.empty()) {
                    refused = "the plug-in refused the chunk in '" + step.file + "'";
                }
                break;
            }
            XFlush(display);
            std::this_thread::sleep_for(std::chrono::milliseconds(idleMs));
        }
        // A modifier the script left down would stay down for everything else on the display.
        for (const Modifier& m : modifiers) XTestFakeKeyEvent(display, XKeysymToKeycode(display, m.key), False, 0);
        XCloseDisplay(display);
    }
    done = true;
}

bool hasViewableChild(Display* display, Window window) {
    XSync(display, False);
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    bool viewable = false;
    if (XQueryTree(display, window, &root, &parent, &children, &count)) {
        for (unsigned i = 0; i < count && !viewable; ++i) {
            XWindowAttributes attributes{};
            viewable = XGetWindowAttributes(display, children[i], &attributes) && attributes.map_state == IsViewable;
        }
        if (children) XFree(children);
    }
    return viewable;
}

int readErrors = 0;
int countReadError(Display*, XErrorEvent*) {
    ++readErrors;
    return 0;
}

bool savePng(Display* display, Window window, int width, int height, const std::string& path,
             std::string& error) {
    const int screen = DefaultScreen(display);
    if (width > DisplayWidth(display, screen) || height > DisplayHeight(display, screen)) {
        error = "the editor (" + std::to_string(width) + " x " + std::to_string(height) +
                ") does not fit on the X screen (" + std::to_string(DisplayWidth(display, screen)) + " x " +
                std::to_string(DisplayHeight(display, screen)) + "): its pixels cannot be read";
        return false;
    }
    // A window partly off the screen cannot be read; that is an answer, not a reason to exit.
    XSync(display, False);
    readErrors = 0;
    const XErrorHandler previous = XSetErrorHandler(countReadError);
    XImage* image = XGetImage(display, window, 0, 0, unsigned(width), unsigned(height), AllPlanes, ZPixmap);
    XSync(display, False);
    XSetErrorHandler(previous);
    if (!image || readErrors) {
        if (image) XDestroyImage(image);
        error = "cannot read the window's pixels (is it wholly on the screen?)";
        return false;
    }
    std::vector<png_byte> rgb;
    rgb.reserve(std::size_t(width) * std::size_t(height) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long p = XGetPixel(image, x, y);
            const auto channel = [p](unsigned long mask) {
                int shift = 0;
                while (mask && !((mask >> shift) & 1)) ++shift;
                const unsigned long max = mask >> shift;
                return png_byte(max ? ((p & mask) >> shift) * 255 / max : 0);
            };
            rgb.push_back(channel(image->red_mask));
            rgb.push_back(channel(image->green_mask));
            rgb.push_back(channel(image->blue_mask));
        }
    }
    XDestroyImage(image);
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    png.width = png_uint_32(width);
    png.height = png_uint_32(height);
    png.format = PNG_FORMAT_RGB;
    png_alloc_size_t size = 0;
    if (!png_image_write_to_memory(&png, nullptr, &size, 0, rgb.data(), 0, nullptr)) {
        error = "cannot encode the PNG";
        return false;
    }
    std::vector<png_byte> bytes(size);
    if (!png_image_write_to_memory(&png, bytes.data(), &size, 0, rgb.data(), 0, nullptr)) {
        error = "cannot encode the PNG";
        return false;
    }
    AtomicFile file(path);
    const int fd = file.create(error);
    if (fd < 0) return false;
    for (std::size_t done = 0; done < size;) {
        const ssize_t n = write(fd, bytes.data() + done, size - done);
        if (n <= 0) {
            error = "cannot write '" + path + "'";
            return false;
        }
        done += std::size_t(n);
    }
    return file.commit(error);
}

} // namespace

int editorCommand(const CommandArguments& arguments) {
    std::string plugin;
    std::string png;
    std::string script;
    std::string saveChunk;
    long idleMs = 20;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--help" || a == "-h") {
            std::fputs(helpText, stdout);
            return 0;
        }
        if (a == "--png" || a == "--idle-ms" || a == "--script" || a == "--save-chunk") {
            if (i + 1 >= arguments.size()) return reportUsage(name, a + " needs a value");
            const std::string& value = arguments[++i];
            if (a == "--png") {
                png = value;
            } else if (a == "--save-chunk") {
                saveChunk = value;
            } else if (a == "--script") {
                script = value;
            } else {
                std::string error;
                auto n = parseInteger(value, 1, 1000, "--idle-ms", error);
                if (!n) return reportUsage(name, error);
                idleMs = *n;
            }
        } else if (!a.empty() && a[0] == '-') {
            return reportUsage(name, "unknown option '" + a + "'");
        } else if (plugin.empty()) {
            plugin = a;
        } else {
            return reportUsage(name, "unexpected argument '" + a + "'");
        }
    }
    if (plugin.empty()) return reportUsage(name, "missing PLUGIN");
    if (!png.empty() && png == saveChunk) return reportUsage(name, "--png and --save-chunk name the same file");
    std::vector<Step> steps;
    if (!script.empty()) {
        std::string error;
        if (!parseScript(script, steps, error)) return reportUsage(name, error);
    }

    if (!std::getenv("DISPLAY")) return reportFailure(name, "DISPLAY is not set: the editor needs an X display");
    Display* display = connect();
    if (!display) return reportFailure(name, "cannot open the X display '" + std::string(std::getenv("DISPLAY")) + "'");
    int event = 0, error = 0, major = 0, minor = 0;
    if (!steps.empty() && !XTestQueryExtension(display, &event, &error, &major, &minor)) {
        XCloseDisplay(display);
        return reportFailure(name, "the X server has no XTEST extension");
    }
    auto loaded = openPlugin(plugin, name);
    if (!loaded) {
        XCloseDisplay(display);
        return exitFailure;
    }
    if (!(loaded->effect()->flags & effFlagsHasEditor)) {
        XCloseDisplay(display);
        return reportFailure(name, "the plug-in has no editor");
    }
    ERect* rect = nullptr;
    loaded->dispatch(effEditGetRect, 0, 0, &rect);
    const int width = rect ? rect->right - rect->left : 0;
    const int height = rect ? rect->bottom - rect->top : 0;
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) {
        XCloseDisplay(display);
        return reportFailure(name, "the editor reports no usable size");
    }

    Window window = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, unsigned(width),
                                        unsigned(height), 0, 0, 0);
    XStoreName(display, window, "plughost editor");
    XSelectInput(display, window, StructureNotifyMask);
    XMapWindow(display, window);
    XEvent e;
    do {
        XWindowEvent(display, window, StructureNotifyMask, &e);
    } while (e.type != MapNotify);

    loaded->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(window));
    // The script starts once the editor shows (a window of its own inside ours, mapped and
    // idled once): actions sent earlier could land on a window that is not there yet. An
    // editor that makes no window of its own is given two seconds.
    for (int waited = 0; waited < 2000 && !hasViewableChild(display, window); waited += int(idleMs)) {
        loaded->dispatch(effEditIdle);
        std::this_thread::sleep_for(std::chrono::milliseconds(idleMs));
    }
    loaded->dispatch(effEditIdle);
    std::atomic<bool> done(steps.empty());
    std::string refused;
    std::thread user;
    if (!steps.empty()) {
        user = std::thread(replay, std::ref(steps), std::ref(*loaded), window, idleMs, std::ref(refused),
                           std::ref(done));
    }
    // Idle until the script has run, then long enough for the editor to catch up.
    for (int after = 0; after < 25;) {
        loaded->dispatch(effEditIdle);
        while (XPending(display) > 0) XNextEvent(display, &e);
        std::this_thread::sleep_for(std::chrono::milliseconds(idleMs));
        if (done) ++after;
    }
    if (user.joinable()) user.join();
    loaded->dispatch(effEditIdle);

    int status = refused.empty() ? 0 : reportFailure(name, refused);
    if (!png.empty()) {
        std::string why;
        XSync(display, False);
        if (!savePng(display, window, width, height, png, why)) status = reportFailure(name, why);
    }
    for (const auto& change : loaded->automation()) {
        std::printf("automate %d %g\n", change.index, static_cast<double>(change.value));
    }
    loaded->dispatch(effEditClose);
    if (!saveChunk.empty()) {
        std::string why;
        AtomicFile file(saveChunk);
        if (file.create(why) < 0 || !writeChunk(*loaded, file, why) || !file.commit(why))
            status = reportFailure(name, why);
    }
    loaded->close();
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    return status;
}
