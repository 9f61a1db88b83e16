#include "GuiEditorBase.h"

#include "RootView.h"
#include "platform/Platform.h"

#include "EffectBase.h"

namespace gui {

namespace {
constexpr std::uint32_t trackingIdleInterval = 50;
}

GuiEditorBase::GuiEditorBase(EffectBase* editedEffect)
    : EditorBase(editedEffect), lastIdleTime(Platform::get().tickCount()) {
    if (effect) effect->setEditor(this);
}

GuiEditorBase::~GuiEditorBase() = default;

VstInt32 GuiEditorBase::getRect(ERect** out) {
    if (out) *out = &rect;
    return 1;
}

VstInt32 GuiEditorBase::open(void* parent) {
    requestRefresh();
    parentWindow = parent;
    return 0;
}

void GuiEditorBase::idle() {
    // There is no event thread: the window's queued paints, presses and destruction are
    // handled here, and only while a view exists (no editor open, no work).
    if (rootView) Platform::get().dispatchPendingEvents();
    EditorBase::idle();
    if (rootView) rootView->idle();
}

void GuiEditorBase::redraw(const ERect*) {
    if (rootView) rootView->redrawWidget(nullptr);
}

void GuiEditorBase::idleWhileTracking() {
    const std::uint32_t now = Platform::get().tickCount();
    // Unsigned difference: correct across the wrap of the tick count.
    if (now - lastIdleTime < trackingIdleInterval) return;
    lastIdleTime = now;
    // Deliberately more than a blocked message loop would do: idle also handles the window's
    // queued paints and destruction while the mouse is held (presses wait), so the editor stays
    // painted and a host that destroys its window mid-drag is noticed (the view stops drawing
    // and the next poll of the pointer finds no buttons).
    idle();
    if (effect) effect->hostIdle();
}

} // namespace gui
