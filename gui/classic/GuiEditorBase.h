#pragma once
// The older generation's editor base: while the mouse is held it paces the tracking loop
// itself (a short sleep on every pass) and gives the host idle time and one pending paint at
// most every 50 ms; the host's own editor idle does nothing while that runs.
#include "../GuiEditorBase.h"

#include <cstdint>

namespace gui::classic {

class GuiEditorBase : public gui::GuiEditorBase {
public:
    explicit GuiEditorBase(EffectBase* effect);

    // Editor thread (effEditIdle): nothing while the tracking idle runs (a host that idles
    // the editor from inside its own idle callback).
    void idle() override;
    // Editor thread, once per pass of every tracking loop: the refresh and the view's idle
    // every time; while less than 100 ms passed since the host last had idle time, a 10 ms
    // sleep, and the host's idle with one pending paint only once 50 ms have passed.
    void idleWhileTracking() override;
    // Suspends the calling thread.
    void sleep(std::uint32_t milliseconds);

private:
    bool inIdle = false;
};

} // namespace gui::classic
