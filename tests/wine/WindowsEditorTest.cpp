// The test plug-in's editor in a window of the Windows plughost: it shows what the headless
// backend draws (outside its text, which GDI renders in its own way), and scripted clicks and
// a drag move its widgets, with their buttons, and reach the host as automation.
#include "HeadlessEditor.h"
#include "HostTestSupport.h"

#include <gtest/gtest.h>

namespace {

// The boxes of the test editor's texts, whose glyphs GDI renders: the read-out, the text
// field and the popup choice; and the read-out's text colour.
bool inText(int x, int y)
{
    const struct {
        int left, top, right, bottom;
    } boxes[] = {{199, 39, 360, 60}, {201, 101, 329, 119}, {201, 151, 299, 167}};
    for (const auto& b : boxes) {
        if (x >= b.left && x <= b.right && y >= b.top && y <= b.bottom)
            return true;
    }
    return false;
}
constexpr std::uint32_t textColour = 0xE6E6A0;

TEST(WindowsEditor, ShowsTheHeadlessPixelsAndAutomatesAScriptedDrag)
{
    ScratchFolder dir;
    // Click the toggle, drag the fader handle (value 0.5 sits at 124..135) to the top, then
    // right-click the press pad, which reports the buttons of the press (4 / 64).
    writeText(dir / "script.txt",
              "move 56 56\npress\nrelease\nwait 50\n"
              "move 130 130\npress\nwait 50\nmove 130 100\nmove 130 60\nmove 130 20\nwait 50\nrelease\n"
              "move 420 220\npress 3\nrelease 3\n");
    const auto result = runCommand({PLUGHOST, "editor", GUI_TEST_PLUGIN, "--png", (dir / "editor.png").string(),
                                    "--idle-ms", "10", "--script", (dir / "script.txt").string()});
    ASSERT_EQ(result.exitCode, 0) << result.err;
    // The toggle first, then the fader along the way and at the top, then the pad.
    EXPECT_EQ(result.out.rfind("automate 0 1\n", 0), 0u) << result.out;
    EXPECT_NE(result.out.find("automate 1 "), std::string::npos) << result.out;
    EXPECT_TRUE(result.out.ends_with("automate 1 1\nautomate 2 0.0625\n")) << result.out;

    int width = 0, height = 0;
    const Image shown = readPngPixels((dir / "editor.png").string(), width, height);
    ASSERT_EQ(width, testEditorWidth);
    ASSERT_EQ(height, testEditorHeight);
    const Image expected = headlessEditorPixels(1.0f, 1.0f, 4.0f / 64.0f);
    int differing = 0;
    int textPixels = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t pixel = shown[size_t(y) * size_t(width) + size_t(x)];
            if (inText(x, y))
                textPixels += pixel == textColour;
            else
                differing += pixel != expected[size_t(y) * size_t(width) + size_t(x)];
        }
    }
    EXPECT_EQ(differing, 0);
    // "Level 1.00" in the read-out's colour: the platform's glyphs reach the surface.
    EXPECT_GE(textPixels, 20);
}

} // namespace
