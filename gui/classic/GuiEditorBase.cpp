#include "GuiEditorBase.h"

#include "../RootView.h"
#include "../platform/Platform.h"

#include "EffectBase.h"

namespace gui::classic {

namespace {
constexpr std::uint32_t pacedInterval = 100;
constexpr std::uint32_t pacingSleep = 10;
constexpr std::uint32_t hostIdleInterval = 50;
} // namespace

GuiEditorBase::GuiEditorBase(EffectBase* edited) : gui::GuiEditorBase(edited) {}

void GuiEditorBase::idle() {
    if (!inIdle) gui::GuiEditorBase::idle();
}

void GuiEditorBase::idleWhileTracking() {
    inIdle = true;
    Platform& platform = Platform::get();
    // Unsigned differences: correct across the wrap of the tick count.
    std::uint32_t elapsed = platform.tickCount() - lastIdleTime;
    EditorBase::idle(); // the refresh, when one was requested
    if (rootView) rootView->idle();
    if (elapsed < pacedInterval) {
        sleep(pacingSleep);
        elapsed += pacingSleep;
        if (elapsed < hostIdleInterval) {
            inIdle = false;
            return;
        }
    }
    // Only a paint: presses wait until the tracking loop has returned.
    platform.dispatchPendingPaint();
    lastIdleTime += elapsed;
    if (effect) effect->hostIdle();
    inIdle = false;
}

void GuiEditorBase::sleep(std::uint32_t milliseconds) {
    Platform::get().sleep(milliseconds);
}

} // namespace gui::classic
