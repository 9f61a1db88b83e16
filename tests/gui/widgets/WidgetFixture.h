#pragma once
// A headless editor for widget tests: a host window, an effect and its editor (the newer
// generation's editor base, or the older one's), a root view whose first paint is done, and the
// pixels of the view's window.
#include "gui/GuiEditorBase.h"
#include "gui/RootView.h"
#include "gui/platform/headless/HeadlessPlatform.h"

#include "EffectBaseExt.h"

#include <gtest/gtest.h>

#include <functional>

namespace gui::test {

template <class EditorBase>
class BasicWidgetFixture : public ::testing::Test {
protected:
    // The view fills a host window of this size at (300, 200) on the screen.
    explicit BasicWidgetFixture(std::int32_t width = 240, std::int32_t height = 160) {
        hostIdles = 0;
        onHostIdle = nullptr;
        Platform::install(&platform);
        host = platform.createHostWindow(0, Rect(300, 200, 300 + width, 200 + height));
        effect = new Effect;
        editor = new Editor(effect);
        view = new RootView(Rect(0, 0, width, height), reinterpret_cast<void*>(host), editor);
        editor->setView(view);
        platform.dispatchPendingEvents(); // the first paint
    }
    ~BasicWidgetFixture() override {
        editor->setView(nullptr);
        delete view;
        delete effect; // and its editor
        onHostIdle = nullptr;
        Platform::install(nullptr);
    }

    Surface& pixels() { return *platform.surfaceOf(view->getWindow()); }
    void press(Point where, std::int32_t buttons) {
        platform.postButtonPress(view->getWindow(), where, buttons);
        platform.dispatchPendingEvents();
    }

    // The host's idle calls, and what the host does on each (a host may idle the editor).
    static inline int hostIdles = 0;
    static inline std::function<void()> onHostIdle;

    class Effect : public EffectBaseExt {
    public:
        Effect() : EffectBaseExt(host, 1, 1) {}
        void process(float**, float**, VstInt32) override {}

    private:
        static VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
            if (opcode == audioMasterIdle) {
                ++hostIdles;
                if (onHostIdle) onHostIdle();
            }
            return 0;
        }
    };

    class Editor : public EditorBase {
    public:
        explicit Editor(EffectBase* edited) : EditorBase(edited) {}
        void setView(RootView* v) { this->rootView = v; }
    };

    HeadlessPlatform platform;
    NativeWindow host = 0;
    Effect* effect = nullptr;
    Editor* editor = nullptr;
    RootView* view = nullptr;
};

using WidgetFixture = BasicWidgetFixture<GuiEditorBase>;

} // namespace gui::test
