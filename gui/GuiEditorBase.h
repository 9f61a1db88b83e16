#pragma once
// The editor base of bitmap editors: the rectangle the host asks for, the root view that
// draws the editor, idle forwarding to it, and the throttled idle of mouse-tracking loops.
#include "EditorBase.h"

#include <cstdint>

class EffectBase;

namespace gui {

class RootView;

class GuiEditorBase : public EditorBase {
public:
    // Host thread (the effect's constructor): attaches itself to the effect.
    explicit GuiEditorBase(EffectBase* effect);
    // Host thread (effect destruction); the root view is gone by then.
    ~GuiEditorBase() override;

    // Host thread (effEditGetRect).
    VstInt32 getRect(ERect** out) override;
    // Editor thread (effEditOpen): the concrete editor then builds its root view.
    VstInt32 open(void* parent) override;
    // Editor thread (effEditIdle and tracking loops).
    void idle() override;
    // Editor thread: draws the whole editor now; the argument is not used.
    virtual void redraw(const ERect* area);

    // Editor thread, once per pass of every tracking loop: at most every 50 ms runs idle and
    // gives the host idle time. The older widget generation's editor paces it differently.
    virtual void idleWhileTracking();

    EffectBase* getEffect() const { return effect; }
    RootView* getRootView() const { return rootView; }

protected:
    ERect rect{};
    RootView* rootView = nullptr;
    std::uint32_t lastIdleTime;
};

} // namespace gui
