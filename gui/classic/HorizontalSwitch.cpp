#include "HorizontalSwitch.h"

#include "../DrawPort.h"
#include "../Picture.h"
#include "../widgets/WidgetMath.h"

namespace gui::classic {

HorizontalSwitch::HorizontalSwitch(const Rect& size, ValueListener* owner, std::int32_t ownerTag,
                                   std::int32_t height, std::int32_t count, Picture* strip)
    : ValueWidget(size, owner, ownerTag, strip), frameHeight(height), frameCount(count) {
    setDefaultValue(0.0f);
}

bool HorizontalSwitch::coversRect() const {
    return backgroundCovers(rect, Point(0, switchFrameTop(getValue(), frameCount, frameHeight, true)));
}

void HorizontalSwitch::draw(DrawPort& port) {
    drawBackground(port, rect, Point(0, switchFrameTop(getValue(), frameCount, frameHeight, true)));
    setDirty(false);
}

void HorizontalSwitch::mouse(DrawPort& port, Point where) {
    // The press's own buttons and point, however long ago it was let go.
    const std::int32_t pressed = port.mouseButtons();
    port.mousePosition(where);
    if (!getMouseEnabled() || !(pressed & leftButton) || restoreDefault(port, pressed)) return;
    const std::int32_t length = background ? background->width() : 0;
    for (;;) {
        setValue(switchValueAt(where.h - rect.left, length, frameCount, true));
        notifyIfDirty(port);
        idleWhileTracking();
        // Pressing or letting go of anything ends the drag.
        if (port.mouseButtons() != pressed) return;
        port.mousePosition(where);
    }
}

} // namespace gui::classic
