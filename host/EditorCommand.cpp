// plughost editor PLUGIN [--preset FILE] [--png FILE] [--idle-ms N] [--script FILE]
// [--save-chunk FILE]: opens a plug-in's editor in a top-level window, with a preset loaded if
// asked, idles it, replays pointer actions and keys as a user's (and chunks loaded meanwhile),
// saves what the window shows and the plug-in's state, and prints the automation the host
// received. The window system's part is EditorHost.
#include "Arguments.h"
#include "AtomicFile.h"
#include "ChunkFile.h"
#include "Command.h"
#include "EditorHost.h"
#include "PluginPreset.h"
#include "PngFile.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

const char* const helpText =
    "Usage: plughost editor PLUGIN [--preset FILE] [--png FILE] [--idle-ms N] [--script FILE]\n"
    "                              [--save-chunk FILE]\n"
    "\n"
    "Opens the editor of the VST 2 plug-in PLUGIN in a top-level window %s\n"
    "and sends it effEditIdle every N milliseconds (default 20, 1 to 1000).\n"
    "\n"
    "  --preset FILE  load a preset file (.fxp into the current program, .fxb into every\n"
    "                 program) before the editor opens, as plughost process does\n"
    "  --png FILE     save what the window shows as a PNG file before closing\n"
    "  --idle-ms N    interval of the editor's idle calls\n"
    "  --script FILE  replay pointer actions and keys %s, one per line:\n"
    "                   move X Y       pointer to (X, Y) in the editor's coordinates\n"
    "                   press [B]      button B (1 left, 2 middle, 3 right; default 1) down\n"
    "                   release [B]    button B up\n"
    "                   keydown KEY    modifier KEY (shift, control or alt) down\n"
    "                   keyup KEY      modifier KEY up\n"
    "                   key KEY        type KEY: a character, or space, return, escape,\n"
    "                                  backspace, delete, tab, left, right, up, down, home\n"
    "                                  or end\n"
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

// A key as a script names it.
struct NamedKey {
    const char* name;
    EditorKey key;
};
// The modifiers a script may hold.
constexpr NamedKey modifiers[] = {{"shift", EditorKey::shift}, {"control", EditorKey::control}, {"alt", EditorKey::alt}};

// The keys a script types by name.
constexpr NamedKey namedKeys[] = {
    {"space", EditorKey(' ')},   {"return", EditorKey::returnKey}, {"escape", EditorKey::escape},
    {"backspace", EditorKey::backspace}, {"delete", EditorKey::deleteKey}, {"tab", EditorKey::tab},
    {"left", EditorKey::left},   {"right", EditorKey::right},      {"up", EditorKey::up},
    {"down", EditorKey::down},   {"home", EditorKey::home},        {"end", EditorKey::end},
};

// A key to type: one printable character, or one of the named keys.
std::optional<EditorKey> typedKey(const std::string& word) {
    if (word.size() == 1 && word[0] > ' ' && word[0] < 0x7F) return EditorKey(word[0]);
    for (const NamedKey& k : namedKeys) {
        if (word == k.name) return k.key;
    }
    return std::nullopt;
}

bool parseScript(const std::string& path, std::vector<EditorStep>& steps, std::string& error) {
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
            steps.push_back({EditorStep::move, *x, *y});
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
            steps.push_back({w[0] == "press" ? EditorStep::press : EditorStep::release, button, 0});
        } else if ((w[0] == "keydown" || w[0] == "keyup") && w.size() == 2) {
            const NamedKey* found = nullptr;
            for (const NamedKey& m : modifiers) {
                if (w[1] == m.name) found = &m;
            }
            if (!found) {
                error = where + ": unknown key '" + w[1] + "' (shift, control or alt)";
                return false;
            }
            steps.push_back({w[0] == "keydown" ? EditorStep::keyDown : EditorStep::keyUp, long(found->key), 0});
        } else if (w[0] == "key" && w.size() == 2) {
            const auto key = typedKey(w[1]);
            if (!key) {
                error = where + ": unknown key '" + w[1] + "' (a character or a key's name: see --help)";
                return false;
            }
            steps.push_back({EditorStep::key, long(*key), 0});
        } else if (w[0] == "wait" && w.size() == 2) {
            auto ms = parseInteger(w[1], 0, 60000, "pause", why);
            if (!ms) {
                error = where + ": " + why;
                return false;
            }
            steps.push_back({EditorStep::wait, *ms, 0});
        } else if (w[0] == "chunk" && w.size() == 2) {
            EditorStep step{EditorStep::chunk, 0, 0, {}, w[1]};
            if (!readChunkFile(w[1], step.bytes, why)) {
                error = where + ": " + why;
                return false;
            }
            steps.push_back(std::move(step));
        } else {
            error = where + ": expected 'move X Y', 'press [B]', 'release [B]', 'keydown KEY', 'keyup KEY', "
                            "'key KEY', 'wait MS' or 'chunk FILE'";
            return false;
        }
    }
    return true;
}

// Replays the steps while the main thread keeps the editor idle; a chunk refused by the plug-in
// is reported through refused.
void replay(EditorHost& host, PluginLoader& plugin, std::vector<EditorStep>& steps, long idleMs,
            std::string& refused, std::atomic<bool>& done) {
    for (EditorStep& step : steps) {
        if (step.kind == EditorStep::wait) {
            std::this_thread::sleep_for(std::chrono::milliseconds(step.a));
        } else if (step.kind == EditorStep::chunk) {
            if (plugin.dispatch(effSetChunk, 0, VstIntPtr(step.bytes.size()), step.bytes.data()) == 0 &&
                refused.empty())
                refused = "the plug-in refused the chunk in '" + step.file + "'";
        } else {
            host.perform(step);
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(idleMs));
    }
    // A modifier the script left down would stay down for everything else on the desktop.
    for (const NamedKey& m : modifiers) host.perform({EditorStep::keyUp, long(m.key), 0});
    done = true;
}

} // namespace

int editorCommand(const CommandArguments& arguments) {
    std::string plugin;
    std::string png;
    std::string script;
    std::string saveChunk;
    std::string presetPath;
    long idleMs = 20;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& a = arguments[i];
        if (a == "--help" || a == "-h") {
            std::printf(helpText, EditorHost::where(), EditorHost::how());
            return 0;
        }
        if (a == "--png" || a == "--idle-ms" || a == "--script" || a == "--save-chunk" || a == "--preset") {
            if (i + 1 >= arguments.size()) return reportUsage(name, a + " needs a value");
            const std::string& value = arguments[++i];
            if (a == "--preset") {
                presetPath = value;
            } else if (a == "--png") {
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
    std::vector<EditorStep> steps;
    if (!script.empty()) {
        std::string error;
        if (!parseScript(script, steps, error)) return reportUsage(name, error);
    }

    std::string error;
    std::optional<PresetFile> preset;
    if (!presetPath.empty()) {
        preset = readPresetFile(presetPath, error);
        if (!preset) return reportFailure(name, error);
    }
    auto host = EditorHost::connect(!steps.empty(), error);
    if (!host) return reportFailure(name, error);
    auto loaded = openPlugin(plugin, name);
    if (!loaded) return exitFailure;
    if (!(loaded->effect()->flags & effFlagsHasEditor)) return reportFailure(name, "the plug-in has no editor");
    if (preset && !applyPreset(*loaded, *preset, error))
        return reportFailure(name, "cannot load the preset '" + presetPath + "': " + error);
    ERect* rect = nullptr;
    loaded->dispatch(effEditGetRect, 0, 0, &rect);
    const int width = rect ? rect->right - rect->left : 0;
    const int height = rect ? rect->bottom - rect->top : 0;
    if (width <= 0 || height <= 0 || width > 8192 || height > 8192) {
        return reportFailure(name, "the editor reports no usable size");
    }
    void* window = host->openWindow(width, height, error);
    if (!window) return reportFailure(name, error);

    loaded->dispatch(effEditOpen, 0, 0, window);
    // The script starts once the editor shows (a window of its own inside ours, visible and
    // idled once): actions sent earlier could land on a window that is not there yet. An
    // editor that makes no window of its own is given two seconds.
    for (int waited = 0; waited < 2000 && !host->editorShows(); waited += int(idleMs)) {
        loaded->dispatch(effEditIdle);
        host->handleEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(idleMs));
    }
    loaded->dispatch(effEditIdle);
    host->handleEvents();
    std::atomic<bool> done(steps.empty());
    std::string refused;
    std::thread user;
    if (!steps.empty()) {
        user = std::thread(replay, std::ref(*host), std::ref(*loaded), std::ref(steps), idleMs, std::ref(refused),
                           std::ref(done));
    }
    // Idle until the script has run, then long enough for the editor to catch up.
    for (int after = 0; after < 25;) {
        loaded->dispatch(effEditIdle);
        host->handleEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(idleMs));
        if (done) ++after;
    }
    if (user.joinable()) user.join();
    loaded->dispatch(effEditIdle);
    host->handleEvents();

    int status = refused.empty() ? 0 : reportFailure(name, refused);
    if (!png.empty()) {
        std::vector<unsigned char> rgb;
        std::string why;
        if (!host->capture(rgb, why) || !writePngFile(png, rgb, width, height, why)) status = reportFailure(name, why);
    }
    for (const auto& change : loaded->automation()) {
        std::printf("automate %d %g\n", change.index, static_cast<double>(change.value));
    }
    std::fflush(stdout);
    loaded->dispatch(effEditClose);
    if (!saveChunk.empty()) {
        std::string why;
        AtomicFile file(saveChunk);
        if (file.create(why) < 0 || !writeChunk(*loaded, file, why) || !file.commit(why))
            status = reportFailure(name, why);
    }
    loaded->close();
    return status;
}
