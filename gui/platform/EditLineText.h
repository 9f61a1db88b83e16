#pragma once
// What every backend's edit line holds and shows: the text, the caret, the sideways scroll,
// and the editing keys. The backend feeds it keys and clicks and shows the pixels it draws.
#include "../Font.h"
#include "../Surface.h"
#include "Platform.h"

#include <cstdint>
#include <memory>
#include <string>

namespace gui {

// The keys an edit line acts on besides typed characters.
enum class EditKey : std::int32_t { enter, backspace, deleteForward, left, right, home, end };

class EditLineText {
public:
    // The longest text a line takes: what the text widgets store.
    static constexpr std::int32_t maxLength = 255;

    // The caret starts after the text; a longer text is cut.
    EditLineText(const char* text, const EditLineLook& look, std::int32_t width, std::int32_t height);

    const std::string& text() const { return text_; }
    // As PlatformEditLine::getText.
    void getText(char* out, std::int32_t capacity) const;
    std::int32_t caret() const { return caret_; }
    std::int32_t width() const { return width_; }
    std::int32_t height() const { return height_; }

    // A typed character in the Western code page, inserted at the caret; control characters
    // and characters beyond the longest text are refused (false).
    bool type(unsigned char c);
    // Acts on a key; true for enter, which ends the editing.
    bool key(EditKey k);
    // Puts the caret on the character boundary nearest to x (local pixels).
    void caretAt(std::int32_t x);
    // The whole line: background, text and caret, over the surface's top-left width x height.
    void draw(Surface& s);

private:
    std::int32_t widthOf(std::int32_t characters) const;
    // Left of the text's first pixel: centred while text and caret fit, else scrolled so that
    // the caret stays in view.
    std::int32_t textLeft();

    std::string text_;
    std::int32_t caret_ = 0;
    std::int32_t scroll_ = 0;
    EditLineLook look_;
    std::int32_t width_;
    std::int32_t height_;
    std::unique_ptr<Font> ownFont_;
    const Font* font_;
};

} // namespace gui
