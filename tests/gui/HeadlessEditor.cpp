#include "HeadlessEditor.h"

#include "TestEffect.h"
#include "gui/GuiEditorBase.h"
#include "gui/platform/headless/HeadlessPlatform.h"

#include <png.h>

Image headlessEditorPixels(float toggle, float level, float pad) {
    gui::HeadlessPlatform platform;
    gui::Platform::install(&platform);
    Image out;
    {
        TestEffect effect(nullptr);
        effect.setParameter(0, toggle);
        effect.setParameter(1, level);
        effect.setParameter(2, pad);
        gui::NativeWindow host = platform.createHostWindow(0, gui::Rect(0, 0, testEditorWidth, testEditorHeight));
        auto* editor = static_cast<gui::GuiEditorBase*>(effect.getEditor());
        editor->open(reinterpret_cast<void*>(host));
        editor->idle();
        gui::Surface* s = platform.surfaceOf(platform.childrenOf(host).at(0));
        for (int y = 0; y < s->height(); ++y)
            for (int x = 0; x < s->width(); ++x) out.push_back(s->pixel(x, y));
        editor->close();
    }
    gui::Platform::install(nullptr);
    return out;
}

Image readPngPixels(const std::string& path, int& width, int& height) {
    width = height = 0;
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return {};
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr)) return {};
    Image out;
    for (std::size_t i = 0; i + 2 < rgb.size(); i += 3)
        out.push_back(std::uint32_t(rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2]));
    width = int(image.width);
    height = int(image.height);
    return out;
}
