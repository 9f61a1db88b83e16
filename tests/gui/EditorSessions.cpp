#include "EditorSessions.h"

#include "HostTestSupport.h"
#include "gui/GuiEditorBase.h"
#include "gui/RootView.h"
#include "gui/platform/headless/HeadlessPlatform.h"
#include "gui/widgets/ValueText.h"

#include "EffectBase.h"
#include "Module.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>

EditorRun runEditorSession(const std::string& plughost, const std::string& plugin, const EditorSession& session,
                           const std::map<std::string, std::string>& environment)
{
    ScratchFolder dir;
    writeText(dir / "script.txt", session.script);
    const std::string png = (dir / "editor.png").string();
    const CommandResult result = runCommand({plughost, "editor", plugin, "--png", png, "--idle-ms", session.idleMs,
                                             "--script", (dir / "script.txt").string()},
                                            environment);
    EditorRun run;
    run.status = result.exitCode;
    run.output = result.out + result.err;
    std::istringstream lines(result.out);
    for (std::string word; lines >> word;) {
        int index = 0;
        float value = 0.0f;
        if (word == "automate" && lines >> index >> value)
            run.automation.emplace_back(index, value);
    }
    run.shown = readPngPixels(png, run.width, run.height);
    return run;
}

HeadlessEditor renderHeadlessEditor(const std::vector<std::pair<int, float>>& values)
{
    gui::HeadlessPlatform platform;
    gui::Platform::install(&platform);
    HeadlessEditor out;
    {
        const auto host = [](AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) -> VstIntPtr {
            return opcode == audioMasterVersion ? 2400 : 0;
        };
        std::unique_ptr<EffectBase> effect(createEffectInstance(host));
        auto* editor = effect ? dynamic_cast<gui::GuiEditorBase*>(effect->getEditor()) : nullptr;
        ERect* size = nullptr;
        if (editor && editor->getRect(&size) && size) {
            for (VstInt32 i = 0; i < effect->getAEffect()->numParams; ++i)
                out.fresh.push_back(effect->getParameter(i));
            for (auto [index, value] : values)
                effect->setParameter(index, value);
            const gui::NativeWindow window =
                platform.createHostWindow(0, gui::Rect(0, 0, size->right - size->left, size->bottom - size->top));
            editor->open(reinterpret_cast<void*>(window));
            editor->idle();
            gui::RootView* view = editor->getRootView();
            const gui::Surface& s = *platform.surfaceOf(view->getWindow());
            out.width = s.width();
            out.height = s.height();
            for (int y = 0; y < s.height(); ++y)
                for (int x = 0; x < s.width(); ++x)
                    out.pixels.push_back(s.pixel(x, y) & 0xFFFFFFu);
            for (std::int32_t i = 0; i < view->widgetCount(); ++i) {
                if (auto* text = dynamic_cast<gui::ValueText*>(view->widgetAt(i)))
                    out.textAreas.push_back(text->getRect());
            }
            editor->close();
            platform.destroyWindow(window);
        }
    }
    gui::Platform::install(nullptr);
    return out;
}

void expectSessionAutomation(const EditorSession& session, const EditorRun& run, const HeadlessEditor& fresh)
{
    if (session.reports != anyReports) {
        EXPECT_EQ(run.automation.size(), std::size_t(session.reports)) << run.output;
    }
    std::map<int, float> at;
    std::vector<int> order;
    for (auto [index, value] : run.automation) {
        auto goal = std::find_if(session.values.begin(), session.values.end(),
                                 [index](const auto& v) { return v.first == index; });
        if (goal == session.values.end()) {
            ADD_FAILURE() << "parameter " << index << " was not to change: " << run.output;
            continue;
        }
        if (!at.count(index)) {
            order.push_back(index);
            at[index] = index < int(fresh.fresh.size()) ? fresh.fresh[size_t(index)] : 0.0f;
        }
        // Strictly on from the last report (or the fresh value), never beyond the goal.
        const float from = at[index];
        const float direction = goal->second > from ? 1.0f : -1.0f;
        EXPECT_GT((value - from) * direction, 0.0f) << "parameter " << index << ": " << run.output;
        EXPECT_LE((value - goal->second) * direction, 1e-5f) << "parameter " << index << ": " << run.output;
        at[index] = value;
    }
    std::vector<int> expectedOrder;
    for (auto [index, value] : session.values) {
        expectedOrder.push_back(index);
        EXPECT_NEAR(at.count(index) ? at[index] : NAN, value, 1e-5) << "parameter " << index << ": " << run.output;
    }
    EXPECT_EQ(order, expectedOrder) << run.output;
}

namespace {

bool inside(const gui::Rect& r, int x, int y)
{
    return x >= r.left && x <= r.right && y >= r.top && y <= r.bottom;
}

} // namespace

int differingOutsideText(const Image& shown, int width, const HeadlessEditor& expected)
{
    if (shown.size() != expected.pixels.size() || width != expected.width)
        return -1;
    int differing = 0;
    for (std::size_t i = 0; i < shown.size(); ++i) {
        const int x = int(i % std::size_t(width));
        const int y = int(i / std::size_t(width));
        const bool text = std::any_of(expected.textAreas.begin(), expected.textAreas.end(),
                                      [x, y](const gui::Rect& r) { return inside(r, x, y); });
        differing += !text && shown[i] != expected.pixels[i];
    }
    return differing;
}

std::vector<gui::Rect> textAreasWithoutText(const Image& shown, int width, const HeadlessEditor& expected)
{
    // Inside the frames: pixels other than the box's own colour (that of its first inner pixel).
    const auto marks = [width](const Image& image, const gui::Rect& r) {
        int n = 0;
        const std::uint32_t box = image[std::size_t(r.top + 2) * std::size_t(width) + std::size_t(r.left + 2)];
        for (int y = r.top + 2; y <= r.bottom - 2; ++y)
            for (int x = r.left + 2; x <= r.right - 2; ++x)
                n += image[std::size_t(y) * std::size_t(width) + std::size_t(x)] != box;
        return n;
    };
    std::vector<gui::Rect> plain;
    if (shown.size() != expected.pixels.size())
        return expected.textAreas;
    for (const gui::Rect& r : expected.textAreas) {
        if (marks(expected.pixels, r) >= 5 && marks(shown, r) < 5)
            plain.push_back(r);
    }
    return plain;
}
