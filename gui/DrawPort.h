#pragma once
// A short-lived drawing context over one surface (a window's client area or an offscreen
// bitmap). Widgets receive one in draw, mouse and update; it also polls the pointer. Used on
// the editor thread only.
#include "Geometry.h"
#include "Surface.h"

#include <cstdint>
#include <memory>

namespace gui {

class RootView;
class PlatformWindow;
class Font;

class DrawPort {
public:
    // context may be null (offscreen ports attach theirs later); window may be null.
    DrawPort(RootView* owner, Surface* context, PlatformWindow* window);
    DrawPort(const DrawPort&) = delete;
    DrawPort& operator=(const DrawPort&) = delete;
    virtual ~DrawPort();

    void moveTo(Point p);
    void lineTo(Point p);
    void polyline(const Point* points, std::int32_t count);
    void setLineStyle(LineStyle style);
    void setLineWidth(std::int32_t width);
    void setPenColour(Colour colour);
    void setFillColour(Colour colour);
    void setTextColour(Colour colour);
    void setFont(FontId id, std::int32_t height = 0);
    void frameRect(const Rect& r);
    void fillRect(const Rect& r);
    void frameEllipse(const Rect& r);
    void fillEllipse(const Rect& r);
    void frameArc(const Rect& r, Point start, Point end);
    void fillPie(const Rect& r, Point start, Point end);
    void fillPolygon(const Point* points, std::int32_t count);
    void setPixel(Point p, Colour colour);
    void drawText(const char* text, const Rect& r, bool opaque, TextAlign align);
    // The pointer, polled: buttons with modifiers (MouseButtons bits), and the cursor in the
    // window's client coordinates (screen coordinates without a window). mousePosition answers
    // from the poll of the last mouseButtons call when no position was read since, so a
    // tracking pass costs one poll.
    std::int32_t mouseButtons();
    void mousePosition(Point& out);
    // The press this port was made for: the first mouseButtons call answers its buttons and
    // mousePosition its point until the first poll, however long ago the user let go; later
    // calls poll.
    void setPress(Point where, std::int32_t buttons);

    // Where the pen stands and how far into its dot pattern it is: a widget that shows a kept
    // copy of what it drew, instead of drawing it again, leaves the pen as the drawing did.
    struct PenPlace {
        Point position;
        std::uint32_t dotPhase = 0;
    };
    PenPlace penPlace() const { return PenPlace{penPosition_, dotPhase_}; }
    void setPenPlace(const PenPlace& place);
    // Whether text draws in the font that setFont(id, height) asks for: false when that font
    // could not be made and another one is still in use.
    bool drawsInFont(FontId id, std::int32_t height = 0) const;

    Surface* surface() const { return context_; }
    PlatformWindow* window() const { return window_; }
    RootView* owner() const { return owner_; }
    std::int32_t fontHeight() const { return fontHeight_; }
    Colour textColour() const { return textColour_; }
    Colour penColour() const { return penColour_; }
    Colour fillColour() const { return fillColour_; }
    std::int32_t lineWidth() const { return lineWidth_; }
    LineStyle lineStyle() const { return lineStyle_; }

protected:
    void setSurface(Surface* context) { context_ = context; }

private:
    Surface* context_;
    PlatformWindow* window_;
    RootView* owner_;
    std::int32_t fontHeight_ = 0;
    Colour textColour_ = whiteColour;
    std::int32_t lineWidth_ = 1;
    Colour penColour_ = whiteColour;
    Colour fillColour_ = blackColour;
    LineStyle lineStyle_ = solidLine;
    Point penPosition_;
    std::uint32_t dotPhase_ = 0;
    std::unique_ptr<Font> font_; // none until setFont: text then uses the default font
    FontId fontId_ = fontBold;   // the id font_ was made for
    Point pressWhere_;
    std::int32_t pressButtons_ = 0;
    bool pressButtonsPending_ = false;
    bool pressWherePending_ = false;
    Point polledWhere_;
    bool polledWhereUnread_ = false;
};

} // namespace gui
