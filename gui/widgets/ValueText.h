#pragma once
// A value shown as one line of text in a box: through the owner's value-to-text function or
// as "%2.2f". Its drawText is the box and text drawing that the editable text widgets share.
#include "KeptPixels.h"
#include "ValueWidget.h"

#include <cstdint>
#include <string>

namespace gui {

class Picture;

// Writes at most 255 characters and a terminating zero for value into text (256 bytes, whose
// first byte is 0 on the call); what it writes depends on the value alone.
using ValueToString = void (*)(float value, char* text);

// Style bits of the text widgets; other bits have no effect.
inline constexpr std::int32_t styleShadowText = 4;     // text first drawn 1 pixel right and down in the shadow colour
inline constexpr std::int32_t style3DIn = 0x80;        // sunken frame (wins over style3DOut)
inline constexpr std::int32_t style3DOut = 0x100;      // raised frame
inline constexpr std::int32_t stylePopupAtTop = 0x200; // a popup menu opens at the top edge, not the bottom
inline constexpr std::int32_t styleCheckCurrent = 0x400; // a popup menu shows the current entry checked

class ValueText : public ValueWidget {
public:
    // No listener, tag 0; background (retained) may be null: the box is then filled and framed.
    ValueText(const Rect& size, Picture* background, std::int32_t style);
    ~ValueText() override;

    // Editor thread.
    void draw(DrawPort& port) override;

    // Editor thread. The look setters make the next update redraw when the setting changes
    // (colours compared on red, green and blue only); setBackOffset and setValueToString only
    // store.
    virtual void setFontId(FontId id);
    virtual void setTextColour(Colour colour);
    virtual void setBackColour(Colour colour);
    virtual void setFrameColour(Colour colour);
    virtual void setShadowColour(Colour colour);
    virtual void setTextAlign(TextAlign align);
    virtual void setBackOffset(Point offset);
    virtual void setValueToString(ValueToString function);

    FontId getFontId() const { return fontId; }
    Colour getTextColour() const { return textColour; }
    Colour getBackColour() const { return backColour; }
    Colour getFrameColour() const { return frameColour; }
    Colour getShadowColour() const { return shadowColour; }
    TextAlign getTextAlign() const { return alignment; }
    std::int32_t getStyle() const { return style; }

protected:
    // For the editable text widgets, which tell a listener.
    ValueText(const Rect& size, ValueListener* listener, std::int32_t tag, Picture* background, std::int32_t style);

    // Makes the next update redraw however the value moves meanwhile.
    void forceRedraw();
    // The box (picture when given, else the background, else filled and framed in the
    // colours), the 3D edges, then the text; the widget then counts as drawn at shown.
    void drawText(DrawPort& port, const char* text, Picture* picture, float shown);

    TextAlign alignment = alignCentre;
    std::int32_t style;
    FontId fontId = fontNormal;
    Colour textColour = whiteColour;
    Colour backColour = blackColour;
    Colour frameColour = blackColour;
    Colour shadowColour = redColour;
    Point backOffset;
    Picture* background;
    ValueToString valueToString = nullptr;

private:
    // Stores a look setting; a real change forces a redraw.
    template <class Setting>
    void changeLook(Setting& setting, Setting wanted);

    // Everything but the text that decides the pixels drawText sets.
    struct Look {
        Rect rect;
        Picture* box;
        Point backOffset;
        std::int32_t style;
        FontId fontId;
        Colour textColour;
        Colour backColour;
        Colour frameColour;
        Colour shadowColour;
        TextAlign alignment;
        constexpr bool operator==(const Look&) const = default;
    };
    // What drawText would set the pixels of whatever lies beneath: the box's outline with
    // all four edges when lines or a fill draw it, else the picture's rect. Empty when some
    // pixel drawn would depend on what lies beneath (a picture that does not cover the box,
    // shadow text reaching past it).
    Rect determinedArea(Picture* box) const;
    // The port's settings as drawing the box and text leaves them.
    void settleLikeDrawing(DrawPort& port, Picture* box) const;

    // The text of the value last drawn, and what it was made from.
    std::string formatted;
    std::uint32_t formattedBits = 0;
    ValueToString formattedBy = nullptr;
    bool formattedValid = false;
    // The box and text as last drawn, for the look and text they were drawn with.
    KeptPixels kept;
    Look keptLook{};
    std::string keptText;
    DrawPort::PenPlace keptPen;
};

} // namespace gui
