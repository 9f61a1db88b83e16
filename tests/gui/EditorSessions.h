// Sessions in a plug-in's editor through plughost editor: what a user does and what must come
// of it, tried wherever the built editor runs (a real X server, wine). Each plug-in keeps its
// table (editorSessions) with its factory in a library <name>_editor_sessions, so that a
// program linked with one of them meets that plug-in in process too (renderHeadlessEditor).
#pragma once

#include "PngReading.h"
#include "gui/Geometry.h"

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

// 0xRRGGBB pixels, row by row.
using Image = std::vector<std::uint32_t>;

// A script that holds a modifier pauses between the pointer's coming into the window and the
// keydown. The Windows plughost sends keys where the X server under wine never sees them, and
// wine lets a key go that X does not hold when the X events of the pointer's entry reach it:
// at once natively, but on an emulated machine often after the next step, which then loses Alt.
struct EditorSession {
    const char* name;   // a test name
    const char* script; // plughost editor's --script
    const char* idleMs;
    // The parameters the session leaves: each the last value the host receives for it, in the
    // order they are first reported. Every report moves its parameter further from where a
    // fresh instance has it toward that value; the editor then shows what a fresh one with
    // these values shows.
    std::vector<std::pair<int, float>> values;
    // How many reports reach the host, or anyReports where a slow editor may see fewer steps
    // of a drag.
    int reports;
};
inline constexpr int anyReports = -1;

// gtest names a session by its name.
inline void PrintTo(const EditorSession& session, std::ostream* out)
{
    *out << session.name;
}

// The linked plug-in's sessions.
const std::vector<EditorSession>& editorSessions();

// What plughost editor did in a session.
struct EditorRun {
    int status = -1;
    std::string output; // stdout, then stderr
    std::vector<std::pair<int, float>> automation;
    Image shown; // empty when no picture could be read
    int width = 0;
    int height = 0;
};

// Runs `plughost editor plugin --png ... --idle-ms ... --script ...` (plughost may be a
// launcher of the Windows one) with environment added to this process's.
EditorRun runEditorSession(const std::string& plughost, const std::string& plugin, const EditorSession& session,
                           const std::map<std::string, std::string>& environment = {});

// The linked plug-in's editor as the headless backend draws it in this process.
struct HeadlessEditor {
    Image pixels;
    int width = 0;
    int height = 0;
    // The boxes of the text widgets, whose glyphs each system's font service draws its own way.
    std::vector<gui::Rect> textAreas;
    // A fresh instance's parameters.
    std::vector<float> fresh;
};
// After a fresh instance's parameters were set to values.
HeadlessEditor renderHeadlessEditor(const std::vector<std::pair<int, float>>& values);

// gtest expectations: the run's automation is what the session says.
void expectSessionAutomation(const EditorSession& session, const EditorRun& run, const HeadlessEditor& fresh);
// Pixels of shown that differ from the headless picture outside its text areas; -1 when the
// sizes differ.
int differingOutsideText(const Image& shown, int width, const HeadlessEditor& expected);
// The text areas whose inside shows text in the headless picture but is plain in shown.
std::vector<gui::Rect> textAreasWithoutText(const Image& shown, int width, const HeadlessEditor& expected);

