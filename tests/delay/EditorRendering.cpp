#include "EditorRendering.h"

#include "DelayPanel.h"
#include "DelayPlugin.h"
#include "gui/RootView.h"

Image pixelsOf(const gui::Surface& surface)
{
    Image out;
    for (int y = 0; y < surface.height(); ++y)
        for (int x = 0; x < surface.width(); ++x)
            out.push_back(surface.pixel(x, y) & 0xFFFFFFu);
    return out;
}

Image renderEditor(gui::HeadlessPlatform& platform, const std::vector<std::pair<int, float>>& values)
{
    const auto host = [](AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) -> VstIntPtr {
        return opcode == audioMasterVersion ? 2400 : 0;
    };
    DelayPlugin plugin(host);
    for (auto [index, value] : values)
        plugin.setParameter(index, value);
    const gui::NativeWindow window = platform.createHostWindow(0, gui::Rect(0, 0, 240, 160));
    auto* panel = static_cast<DelayPanel*>(plugin.getEditor());
    panel->open(reinterpret_cast<void*>(window));
    panel->idle();
    Image out = pixelsOf(*platform.surfaceOf(panel->getRootView()->getWindow()));
    panel->close();
    platform.destroyWindow(window);
    return out;
}
