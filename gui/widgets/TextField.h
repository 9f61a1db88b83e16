#pragma once
// A line of text the user edits in place: a click opens an edit line over the box, and Return
// or a loss of focus ends the edit, telling the listener when the text changed.
#include "../platform/Platform.h"
#include "ValueText.h"

#include <cstdint>
#include <memory>

namespace gui {

// Writes at most 255 characters and a terminating zero into shown (256 bytes, whose first
// byte is 0 on the call) for the stored text.
using TextConvert = void (*)(const char* text, char* shown);

class TextField : public ValueText, private EditLineListener {
public:
    // A null text stores the empty string; texts are cut to 255 characters.
    TextField(const Rect& size, ValueListener* listener, std::int32_t tag, const char* text, Picture* background,
              std::int32_t style);
    ~TextField() override;

    // Editor thread, all of them.
    void draw(DrawPort& port) override;
    // A click with the left button alone starts an edit, unless one is running here.
    void mouse(DrawPort& port, Point where) override;
    // Takes the edit line's text, closes the line, tells the listener when the text changed
    // (it reads it with getText) and draws the field. Nothing when no edit runs.
    void endEditing() override;
    // Opens the edit line with the stored text over the box.
    void beginEditing() override;

    // A null text changes nothing; a text makes the next update redraw.
    virtual void setText(const char* text);
    // Copies the text (at most 255 characters and the terminator) into out, when out is not null.
    virtual void getText(char* out) const;
    virtual void setTextConvert(TextConvert convert);

    bool isEditing() const { return editWindow != nullptr; }

private:
    void editLineEnded() override;

    std::unique_ptr<PlatformEditLine> editWindow;
    char text[256];
    TextConvert textConvert = nullptr;
};

} // namespace gui
