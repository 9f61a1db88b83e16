#include "EditLineText.h"

#include "../DrawPort.h"

#include <algorithm>
#include <cstdlib>

namespace gui {

namespace {
// The bold row's face at normal weight is the normal row's.
FontId regularFont(FontId id) {
    const FontId row = (id >= 0 && id <= 6) ? id : fontBold;
    return row == fontBold ? fontNormal : row;
}
} // namespace

EditLineText::EditLineText(const char* text, const EditLineLook& look, std::int32_t width, std::int32_t height)
    : text_(text ? text : ""), look_(look), width_(std::max(width, 0)), height_(std::max(height, 0)),
      ownFont_(Font::create(regularFont(look.font), fontRow(look.font).height)),
      font_(ownFont_ ? ownFont_.get() : &Font::fallback()) {
    if (text_.size() > std::size_t(maxLength)) text_.resize(std::size_t(maxLength));
    caret_ = std::int32_t(text_.size());
}

void EditLineText::getText(char* out, std::int32_t capacity) const {
    if (!out || capacity < 1) return;
    const std::size_t n = std::min(text_.size(), std::size_t(capacity - 1));
    std::copy_n(text_.begin(), n, out);
    out[n] = 0;
}

bool EditLineText::type(unsigned char c) {
    if (c < 0x20 || c == 0x7F || text_.size() >= std::size_t(maxLength)) return false;
    text_.insert(std::size_t(caret_), 1, char(c));
    ++caret_;
    return true;
}

bool EditLineText::key(EditKey k) {
    const std::int32_t length = std::int32_t(text_.size());
    switch (k) {
    case EditKey::enter:
        return true;
    case EditKey::backspace:
        if (caret_ > 0) text_.erase(std::size_t(--caret_), 1);
        break;
    case EditKey::deleteForward:
        if (caret_ < length) text_.erase(std::size_t(caret_), 1);
        break;
    case EditKey::left:
        caret_ = std::max(caret_ - 1, 0);
        break;
    case EditKey::right:
        caret_ = std::min(caret_ + 1, length);
        break;
    case EditKey::home:
        caret_ = 0;
        break;
    case EditKey::end:
        caret_ = length;
        break;
    }
    return false;
}

std::int32_t EditLineText::widthOf(std::int32_t characters) const {
    return font_->textWidth(text_.substr(0, std::size_t(characters)).c_str());
}

std::int32_t EditLineText::textLeft() {
    const std::int32_t full = widthOf(std::int32_t(text_.size()));
    // One column more than the text for the caret after its last character.
    if (full + 1 <= width_) {
        scroll_ = 0;
        return (width_ - full) / 2;
    }
    const std::int32_t caretX = widthOf(caret_);
    if (caretX - scroll_ > width_ - 1) scroll_ = caretX - (width_ - 1);
    if (caretX < scroll_) scroll_ = caretX;
    scroll_ = std::clamp(scroll_, 0, full + 1 - width_);
    return -scroll_;
}

void EditLineText::caretAt(std::int32_t x) {
    const std::int32_t left = textLeft();
    std::int32_t best = 0;
    for (std::int32_t i = 1; i <= std::int32_t(text_.size()); ++i) {
        if (std::abs(left + widthOf(i) - x) < std::abs(left + widthOf(best) - x)) best = i;
    }
    caret_ = best;
}

void EditLineText::draw(Surface& s) {
    const std::int32_t left = textLeft();
    const Rect area(0, 0, std::min(width_, s.width()), std::min(height_, s.height()));
    const std::int32_t top = (height_ - font_->lineHeight()) / 2;
    DrawPort port(nullptr, &s, nullptr);
    port.setFillColour(look_.back);
    port.fillRect(Rect(-1, -1, area.right, area.bottom));
    font_->draw(s, text_.c_str(), left, top, area, pixelOf(look_.text), false, 0);
    const std::int32_t caretX = std::clamp(left + widthOf(caret_), 0, std::max(width_ - 1, 0));
    port.setPenColour(look_.text);
    port.moveTo(Point(caretX, std::max(top, 0)));
    port.lineTo(Point(caretX, std::min(top + font_->lineHeight(), height_)));
}

} // namespace gui
