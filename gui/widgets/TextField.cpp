#include "TextField.h"

#include "../DrawPort.h"
#include "../RootView.h"

#include <cstring>

namespace gui {

namespace {
void copyText(char (&to)[256], const char* from) {
    std::strncpy(to, from, sizeof to - 1);
    to[sizeof to - 1] = 0;
}
} // namespace

TextField::TextField(const Rect& size, ValueListener* owner, std::int32_t ownerTag, const char* initial,
                     Picture* picture, std::int32_t textStyle)
    : ValueText(size, owner, ownerTag, picture, textStyle) {
    copyText(text, initial ? initial : "");
}

TextField::~TextField() = default;

void TextField::draw(DrawPort& port) {
    const float shown = getValue();
    if (!textConvert) {
        drawText(port, text, nullptr, shown);
        return;
    }
    char converted[256];
    converted[0] = 0;
    textConvert(text, converted);
    converted[sizeof converted - 1] = 0;
    drawText(port, converted, nullptr, shown);
}

void TextField::mouse(DrawPort& port, Point) {
    if (!getMouseEnabled() || !parent || port.mouseButtons() != leftButton) return;
    if (parent->getFocusWidget() == this) return;
    parent->setFocusWidget(this);
    beginEditing();
}

void TextField::beginEditing() {
    if (editWindow || !parent) return;
    const EditLineLook look{fontId, textColour, backColour};
    // Over the whole box, outline included.
    editWindow = Platform::get().createEditLine(parent->getWindow(),
                                                Rect(rect.left, rect.top, rect.right + 1, rect.bottom + 1), text,
                                                look, this);
    // No line, no edit: the next click may try again.
    if (!editWindow && parent->getFocusWidget() == this) parent->setFocusWidget(nullptr);
}

void TextField::endEditing() {
    if (!editWindow) return;
    char old[256];
    std::memcpy(old, text, sizeof old);
    editWindow->getText(text, sizeof text);
    // Gone before anyone is told, so that an edit that is already ending is not ended again.
    editWindow.reset();
    if (!parent) return;
    if (parent->getFocusWidget() == this) parent->setFocusWidget(nullptr);
    const bool changed = std::strcmp(old, text) != 0;
    auto finish = [this, changed](DrawPort& port) {
        if (changed && listener) listener->valueChanged(port, this);
        draw(port);
    };
    // Without a window to draw into (the host closed it), the listener still learns of the
    // text the user typed.
    if (!parent->withWindowPort(finish)) {
        DrawPort nowhere(parent, nullptr, nullptr);
        finish(nowhere);
    }
}

void TextField::editLineEnded() {
    endEditing();
}

void TextField::setText(const char* t) {
    if (!t) return;
    copyText(text, t);
    forceRedraw();
}

void TextField::getText(char* out) const {
    if (out) std::strcpy(out, text);
}

void TextField::setTextConvert(TextConvert convert) {
    textConvert = convert;
}

} // namespace gui
