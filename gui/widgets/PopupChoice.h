#pragma once
// One of a list of texts, shown in a box; a click opens a popup menu of the list under the box
// (or at its top) and the user's choice becomes the current entry, told to the listener.
// Entries that are exactly "-" are separators.
#include "ValueText.h"

#include <atomic>
#include <cstdint>

namespace gui {

class PopupChoice : public ValueText {
public:
    static constexpr std::int32_t maxEntries = 128;

    // pressedPicture (retained, may be null) is the box's look while the menu is open.
    PopupChoice(const Rect& size, ValueListener* listener, std::int32_t tag, Picture* background,
                Picture* pressedPicture, std::int32_t style);
    ~PopupChoice() override;

    // Editor thread: the current entry (nothing while there is none).
    void draw(DrawPort& port) override;
    // A click with the left button alone shows the pressed look and opens the menu.
    void mouse(DrawPort& port, Point where) override;
    // Shows the menu and waits for the user; a choice becomes current and is told to the
    // listener (which reads it with getCurrent).
    void beginEditing() override;

    // Editor thread. Texts are cut to 255 characters; out buffers take 256 bytes.
    // Inserts at index (moving the entries from there up; the current entry stays the same
    // text) or appends for an index below 0 or beyond the end; a null text is the empty one.
    // False when the list is full.
    virtual bool addEntry(const char* text, std::int32_t index = -1);
    // The current index (-1 when there is none) and its text into out.
    virtual std::int32_t getCurrent(char* out) const;
    // Any thread while the editor thread is not changing the list. False for an index out of
    // range or a separator; the next update draws the new entry.
    virtual bool setCurrent(std::int32_t index);
    virtual bool getEntry(std::int32_t index, char* out) const;
    virtual bool removeEntry(std::int32_t index);
    virtual bool removeAllEntries();
    virtual std::int32_t getNbEntries() const;

private:
    bool isSeparator(std::int32_t index) const;

    char* entries[maxEntries] = {};
    std::int32_t count = 0;
    // Set by the host's parameter thread through an editor, read by the editor thread.
    std::atomic<std::int32_t> current{-1};
    Picture* pressedPicture;
};

} // namespace gui
