#pragma once
// A headless editor for widget tests: a host window, an effect and its editor, a root view
// whose first paint is done, and the pixels of the view's window.
#include "gui/GuiEditorBase.h"
#include "gui/RootView.h"
#include "gui/platform/headless/HeadlessPlatform.h"

#include "EffectBaseExt.h"

#include <gtest/gtest.h>

namespace gui::test {

class WidgetFixture : public ::testing::Test {
protected:
    WidgetFixture() {
        hostIdles = 0;
        Platform::install(&platform);
        host = platform.createHostWindow(0, Rect(300, 200, 540, 360));
        effect = new Effect;
        editor = new Editor(effect);
        view = new RootView(Rect(0, 0, 240, 160), reinterpret_cast<void*>(host), editor);
        editor->setView(view);
        platform.dispatchPendingEvents(); // the first paint
    }
    ~WidgetFixture() override {
        editor->setView(nullptr);
        delete view;
        delete effect; // and its editor
        Platform::install(nullptr);
    }

    Surface& pixels() { return *platform.surfaceOf(view->getWindow()); }
    void press(Point where, std::int32_t buttons) {
        platform.postButtonPress(view->getWindow(), where, buttons);
        platform.dispatchPendingEvents();
    }

    static inline int hostIdles = 0;

    class Effect : public EffectBaseExt {
    public:
        Effect() : EffectBaseExt(host, 1, 1) {}
        void process(float**, float**, VstInt32) override {}

    private:
        static VstIntPtr host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
            if (opcode == audioMasterIdle) ++hostIdles;
            return 0;
        }
    };

    class Editor : public GuiEditorBase {
    public:
        explicit Editor(EffectBase* edited) : GuiEditorBase(edited) {}
        void setView(RootView* v) { rootView = v; }
    };

    HeadlessPlatform platform;
    NativeWindow host = 0;
    Effect* effect = nullptr;
    Editor* editor = nullptr;
    RootView* view = nullptr;
};

} // namespace gui::test
