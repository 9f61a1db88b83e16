#pragma once
// A headless editor of the older widget generation: a host window, an effect, the older editor
// base with its paced tracking idle, a root view whose first paint is done, scripted pointer
// polls in the view's coordinates and a listener that records what it is told.
#include "gui/DrawPort.h"
#include "gui/RootView.h"
#include "gui/classic/GuiEditorBase.h"
#include "gui/classic/ValueWidget.h"
#include "gui/platform/headless/HeadlessPlatform.h"

#include "EffectBaseExt.h"

#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <vector>

namespace gui::classic::test {

// Records each change it is told of and redraws the widget, as the editors do.
class Recorder : public ValueListener {
public:
    void valueChanged(DrawPort& port, gui::ValueWidget* widget) override {
        told.push_back(widget->getValue());
        widget->update(port);
    }
    std::vector<float> told;
};

class ClassicFixture : public ::testing::Test {
protected:
    // The host window's screen position; the view fills it.
    static constexpr Point hostAt{300, 200};

    explicit ClassicFixture(std::int32_t width = 240, std::int32_t height = 160) {
        hostIdles = 0;
        onHostIdle = nullptr;
        Platform::install(&platform);
        platform.setClock(100000);
        host = platform.createHostWindow(0, Rect(hostAt.h, hostAt.v, hostAt.h + width, hostAt.v + height));
        effect = new Effect;
        editor = new Editor(effect);
        view = new RootView(Rect(0, 0, width, height), reinterpret_cast<void*>(host), editor);
        editor->setView(view);
        platform.dispatchPendingEvents(); // the first paint
    }
    ~ClassicFixture() override {
        editor->setView(nullptr);
        delete view;
        delete effect; // and its editor
        Platform::install(nullptr);
    }

    Surface& pixels() { return *platform.surfaceOf(view->getWindow()); }

    // Polls after the press answer these in turn (10 ms apart); the last one stays, so end
    // with buttons 0.
    struct Poll {
        Point where;
        std::int32_t buttons;
    };
    void script(std::initializer_list<Poll> polls) {
        for (const Poll& p : polls) {
            platform.queuePointer(Point(hostAt.h + p.where.h, hostAt.v + p.where.v), p.buttons, 10);
        }
    }
    void press(Point where, std::int32_t buttons) {
        platform.postButtonPress(view->getWindow(), where, buttons);
        platform.dispatchPendingEvents();
    }
    // A press whose polls find everything let go, the pointer already elsewhere.
    void click(Point where, std::int32_t buttons) {
        script({{Point(0, 0), 0}});
        press(where, buttons);
    }
    template <class W>
    W* add(W* widget) {
        view->addWidget(widget);
        view->idle();
        return widget;
    }

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
    Recorder recorder;
};

} // namespace gui::classic::test
