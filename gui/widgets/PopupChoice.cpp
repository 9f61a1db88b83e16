#include "PopupChoice.h"

#include "../DrawPort.h"
#include "../Picture.h"
#include "../RootView.h"
#include "../platform/Platform.h"

#include <cstring>
#include <new>

namespace gui {

namespace {
constexpr auto relaxed = std::memory_order_relaxed;
constexpr std::size_t slotSize = 256;

void copyEntry(char* to, const char* from) {
    std::strncpy(to, from ? from : "", slotSize - 1);
    to[slotSize - 1] = 0;
}
} // namespace

PopupChoice::PopupChoice(const Rect& size, ValueListener* owner, std::int32_t ownerTag, Picture* picture,
                         Picture* pressed, std::int32_t textStyle)
    : ValueText(size, owner, ownerTag, picture, textStyle), pressedPicture(pressed) {
    if (pressedPicture) pressedPicture->retain();
}

PopupChoice::~PopupChoice() {
    removeAllEntries();
    if (pressedPicture) pressedPicture->release();
}

void PopupChoice::draw(DrawPort& port) {
    const std::int32_t shownEntry = current.load(relaxed);
    drawText(port, shownEntry >= 0 && shownEntry < count ? entries[shownEntry] : "", nullptr, getValue());
}

void PopupChoice::mouse(DrawPort& port, Point) {
    if (!getMouseEnabled() || !parent || port.mouseButtons() != leftButton) return;
    if (pressedPicture) {
        const std::int32_t shownEntry = current.load(relaxed);
        drawText(port, shownEntry >= 0 && shownEntry < count ? entries[shownEntry] : "", pressedPicture, getValue());
        // Seen now, not when the press is done: the menu waits for the user.
        if (PlatformWindow* window = port.window()) window->present();
    }
    parent->setFocusWidget(this);
    beginEditing();
}

void PopupChoice::beginEditing() {
    if (!parent) return;
    Platform& platform = Platform::get();
    const NativeWindow window = parent->getWindow();
    Rect screen;
    if (!platform.screenRect(window, screen)) screen = Rect();
    const std::int32_t shownEntry = current.load(relaxed);
    MenuEntry menu[maxEntries];
    for (std::int32_t i = 0; i < count; ++i) {
        menu[i].text = entries[i];
        menu[i].separator = isSeparator(i);
        menu[i].checked = (style & styleCheckCurrent) != 0 && i == shownEntry;
    }
    const Point at(screen.left + rect.left, screen.top + ((style & stylePopupAtTop) ? rect.top : rect.bottom));
    std::int32_t chosen = platform.popupMenu(window, at, menu, count);
    if (chosen < 0 || chosen >= count || isSeparator(chosen)) chosen = -1;
    // The click that closed the menu is not for the editor.
    platform.discardPendingPresses(window, 2);
    if (parent->getFocusWidget() == this) parent->setFocusWidget(nullptr);
    if (chosen == -1 && !pressedPicture) return;
    parent->withWindowPort([this, chosen](DrawPort& port) {
        if (chosen != -1) {
            current.store(chosen, relaxed);
            if (listener) listener->valueChanged(port, this);
        }
        draw(port);
    });
}

bool PopupChoice::isSeparator(std::int32_t index) const {
    return index >= 0 && index < count && std::strcmp(entries[index], "-") == 0;
}

bool PopupChoice::addEntry(const char* text, std::int32_t index) {
    if (count >= maxEntries) return false;
    char* slot = new (std::nothrow) char[slotSize];
    if (!slot) return false;
    entries[count] = slot;
    // An index past the end appends: the entries between would not exist.
    if (index >= 0 && index < count) {
        for (std::int32_t i = count; i > index; --i) std::memcpy(entries[i], entries[i - 1], slotSize);
        copyEntry(entries[index], text);
        if (current.load(relaxed) >= index) current.fetch_add(1, relaxed);
    } else {
        copyEntry(entries[count], text);
    }
    ++count;
    if (current.load(relaxed) < 0) current.store(0, relaxed);
    return true;
}

std::int32_t PopupChoice::getCurrent(char* out) const {
    const std::int32_t shownEntry = current.load(relaxed);
    if (shownEntry < 0 || shownEntry >= count) return -1;
    if (out) std::strcpy(out, entries[shownEntry]);
    return shownEntry;
}

bool PopupChoice::setCurrent(std::int32_t index) {
    if (index < 0 || index >= count || isSeparator(index)) return false;
    current.store(index, relaxed);
    forceRedraw();
    return true;
}

bool PopupChoice::getEntry(std::int32_t index, char* out) const {
    if (index < 0 || index >= count) return false;
    if (out) std::strcpy(out, entries[index]);
    return true;
}

bool PopupChoice::removeEntry(std::int32_t index) {
    if (index < 0 || index >= count) return false;
    for (std::int32_t i = index; i + 1 < count; ++i) std::memcpy(entries[i], entries[i + 1], slotSize);
    if (current.load(relaxed) >= index) current.fetch_sub(1, relaxed);
    delete[] entries[count - 1];
    entries[count - 1] = nullptr;
    --count;
    // Removing the first entry while it was current leaves the new first one current: a list
    // with entries always shows one.
    if (count == 0) current.store(-1, relaxed);
    else if (current.load(relaxed) < 0) current.store(0, relaxed);
    return true;
}

bool PopupChoice::removeAllEntries() {
    for (std::int32_t i = 0; i < count; ++i) {
        delete[] entries[i];
        entries[i] = nullptr;
    }
    count = 0;
    current.store(-1, relaxed);
    return true;
}

std::int32_t PopupChoice::getNbEntries() const {
    return count;
}

} // namespace gui
