// Vorlane's editor in a real (private) X server, driven through plughost editor: a curve point
// dragged with XTEST changes the sound plughost process renders from the saved chunk, and the
// chunk gives the same curve to a fresh instance; a chunk the host loads from another thread
// while the editor is open is drawn, exactly as the headless backend draws it.
#include "CurveView.h"
#include "HostTestSupport.h"
#include "ShaperPanel.h"
#include "ShaperPlugin.h"
#include "XvfbTestSupport.h"
#include "gui/RootView.h"
#include "gui/platform/headless/HeadlessPlatform.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <sstream>
#include <utility>
#include <vector>

namespace {

// The curve view's corner in the editor.
constexpr int curveLeft = 167;
constexpr int curveTop = 11;

// The editor pixel of a curve point: the span runs from 11 to 255 of the view.
gui::Point editorPixel(float x, float y)
{
    return gui::Point(curveLeft + 11 + int(244.0f * x), curveTop + 11 + int(244.0f * y));
}

using Bytes = std::string;

Bytes chunkOf(const std::vector<CurvePoint>& points)
{
    Bytes b("Vorlane v1.0", 13);
    const auto put = [&b](const void* p, size_t n) { b.append(static_cast<const char*>(p), n); };
    const std::int32_t n = std::int32_t(points.size());
    put(&n, 4);
    for (CurvePoint p : points) {
        put(&p.x, 4);
        put(&p.y, 4);
    }
    const float values[7] = {0.5f, 0.5f, 0.5f, 0.5f, 0.0f, 0.0f, 0.0f};
    put(values, sizeof values);
    return b;
}

float floatAt(const Bytes& b, size_t offset)
{
    float v;
    std::memcpy(&v, b.data() + offset, 4);
    return v;
}

Sound phrase()
{
    Sound sound{44100, 2, {}};
    for (long f = 0; f < 4000; ++f) {
        const double t = double(f) / 44100.0;
        sound.samples.push_back(float(0.7 * std::sin(2.0 * M_PI * 220.0 * t)));
        sound.samples.push_back(float(0.5 * std::sin(2.0 * M_PI * 330.0 * t)));
    }
    return sound;
}

using Image = std::vector<std::uint32_t>;

// The editor as the headless backend draws it with the given chunk loaded.
Image headless(const Bytes& chunk)
{
    gui::HeadlessPlatform platform;
    gui::Platform::install(&platform);
    Image out;
    {
        ShaperPlugin effect([](AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) -> VstIntPtr { return 0; });
        Bytes copy = chunk;
        effect.setChunk(copy.data(), VstInt32(copy.size()), false);
        const gui::NativeWindow host = platform.createHostWindow(0, gui::Rect(0, 0, 568, 290));
        auto* panel = static_cast<ShaperPanel*>(effect.getEditor());
        panel->open(reinterpret_cast<void*>(host));
        panel->idle();
        const gui::Surface& s = *platform.surfaceOf(panel->getRootView()->getWindow());
        for (int y = 0; y < s.height(); ++y)
            for (int x = 0; x < s.width(); ++x)
                out.push_back(s.pixel(x, y));
        panel->close();
    }
    gui::Platform::install(nullptr);
    return out;
}

class VorlaneEditorX11 : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!XvfbEnvironment::server() || !XvfbEnvironment::server()->running())
            GTEST_SKIP() << "Xvfb could not be started";
    }
    CommandResult editor(const std::vector<std::string>& options)
    {
        std::vector<std::string> command = {PLUGHOST, "editor", VORLANE_PLUGIN, "--idle-ms", "10"};
        command.insert(command.end(), options.begin(), options.end());
        return runCommand(command, {{"DISPLAY", XvfbEnvironment::server()->display()}});
    }
    ScratchFolder dir;
};

TEST_F(VorlaneEditorX11, DraggedCurvePointChangesTheSoundAndTravelsInTheChunk)
{
    const gui::Point from = editorPixel(0.5f, 0.5f);
    writeText(dir / "drag.txt", "move " + std::to_string(from.h) + " " + std::to_string(from.v) +
                                    "\npress\nmove " + std::to_string(from.h) + " " + std::to_string(from.v - 30) +
                                    "\nmove " + std::to_string(from.h) + " " + std::to_string(from.v - 60) +
                                    "\nmove " + std::to_string(from.h) + " " + std::to_string(from.v - 90) +
                                    "\nwait 60\nrelease\nwait 60\n");
    const auto drawn = (dir / "drawn.chunk").string();
    CommandResult result = editor({"--script", (dir / "drag.txt").string(), "--save-chunk", drawn});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "automate 0 0\n");
    const Bytes chunk = readText(drawn);
    ASSERT_EQ(chunk.size(), 45u + 8u * 3u) << "a third point";
    EXPECT_NEAR(floatAt(chunk, 17 + 8), 0.5f, 0.01f);
    EXPECT_NEAR(floatAt(chunk, 17 + 12), 0.5f - 90.0f / 244.0f, 0.01f);

    ASSERT_TRUE(writeSound(dir / "in.wav", phrase()));
    const auto in = (dir / "in.wav").string();
    result = runCommand({PLUGHOST, "process", VORLANE_PLUGIN, in, (dir / "plain.wav").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    const auto again = (dir / "again.chunk").string();
    result = runCommand({PLUGHOST, "process", VORLANE_PLUGIN, in, (dir / "drawn.wav").string(), "--load-chunk",
                         drawn, "--save-chunk", again});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_NE(readSound(dir / "drawn.wav").samples, readSound(dir / "plain.wav").samples);
    EXPECT_EQ(readText(again), chunk) << "a fresh instance holds the same curve";
}

TEST_F(VorlaneEditorX11, ChunkLoadedWhileTheEditorIsOpenIsDrawn)
{
    const Bytes preset = chunkOf({{0, 1}, {0.25f, 0.25f}, {0.6f, 0.7f}, {1, 0}});
    writeText(dir / "preset.chunk", preset);
    writeText(dir / "load.txt", "wait 100\nchunk " + (dir / "preset.chunk").string() + "\nwait 200\n");
    const auto png = (dir / "shown.png").string();
    const auto saved = (dir / "saved.chunk").string();
    const CommandResult result = editor({"--script", (dir / "load.txt").string(), "--png", png, "--save-chunk", saved});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    EXPECT_EQ(result.out, "");
    const Image shown = readPng(png, 568, 290);
    const Image expected = headless(preset);
    ASSERT_EQ(shown.size(), expected.size());
    int differing = 0;
    for (size_t i = 0; i < shown.size(); ++i)
        differing += shown[i] != expected[i];
    EXPECT_EQ(differing, 0);
    EXPECT_EQ(readText(saved), preset);
}

// After an Alt drag (one of the sessions), a 5 ms click with Control puts the dial back to its
// default, which reaches the host as automation too.
TEST_F(VorlaneEditorX11, AltDragsADialLinearlyAndAShortControlClickResetsIt)
{
    writeText(dir / "dial.txt", "move 130 93\nkeydown alt\npress\nmove 130 78\nmove 130 63\nwait 60\nrelease\n"
                                "keyup alt\nwait 60\nmove 130 93\nkeydown control\npress\nrelease\nkeyup control\n");
    const auto png = (dir / "dial.png").string();
    const CommandResult result = editor({"--script", (dir / "dial.txt").string(), "--png", png});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    std::vector<std::pair<int, float>> automation;
    std::istringstream lines(result.out);
    for (std::string word; lines >> word;) {
        int index = 0;
        float value = 0.0f;
        if (word == "automate" && lines >> index >> value)
            automation.emplace_back(index, value);
    }
    ASSERT_GE(automation.size(), 2u) << result.out;
    float highest = 0.0f;
    for (auto [index, value] : automation) {
        EXPECT_EQ(index, 1) << result.out;
        highest = std::max(highest, value);
    }
    EXPECT_NEAR(highest, 0.8f, 1e-5) << result.out;
    EXPECT_EQ(automation.back().second, 0.5f) << result.out;
    EXPECT_EQ(readPng(png, 568, 290), headless(chunkOf({{0, 1}, {1, 0}})));
}

}  // namespace

namespace {

// What plughost editor says about chunks it cannot take or give.
TEST_F(VorlaneEditorX11, ChunkOptionsAndScriptLinesFailClearly)
{
    writeText(dir / "bad.chunk", "not a chunk at all, not a chunk at all, not a chunk at all");
    writeText(dir / "refused.txt", "chunk " + (dir / "bad.chunk").string() + "\n");
    writeText(dir / "missing.txt", "chunk " + (dir / "none.chunk").string() + "\n");
    const struct {
        std::vector<std::string> options;
        int exitCode;
        const char* message;
    } cases[] = {
        {{"--save-chunk"}, 2, "--save-chunk needs a value"},
        {{"--png", "same", "--save-chunk", "same"}, 2, "name the same file"},
        {{"--script", (dir / "missing.txt").string()}, 2, "script line 1: cannot read"},
        {{"--script", (dir / "refused.txt").string()}, 1, "refused the chunk in"},
        {{"--save-chunk", (dir / "no-folder" / "x.chunk").string()}, 1, "no-folder"},
    };
    for (const auto& c : cases) {
        const CommandResult result = editor(c.options);
        EXPECT_EQ(result.exitCode, c.exitCode) << c.message << "\n" << result.err;
        EXPECT_NE(result.err.find(c.message), std::string::npos) << result.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "same"));
}

}  // namespace
