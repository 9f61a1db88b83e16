#include "DrawPort.h"

#include "Font.h"
#include "Raster.h"
#include "platform/Platform.h"

#include <algorithm>
#include <climits>

namespace gui {

namespace {
raster::Pen penOf(Colour colour, std::int32_t width, LineStyle style) {
    return raster::Pen{pixelOf(colour), width < 1 ? 1 : width, style == dottedLine};
}
} // namespace

DrawPort::DrawPort(RootView* owner, Surface* context, PlatformWindow* window)
    : context_(context), window_(window), owner_(owner) {}

DrawPort::~DrawPort() = default;

void DrawPort::moveTo(Point p) {
    penPosition_ = p;
    dotPhase_ = 0;
}

void DrawPort::lineTo(Point p) {
    if (context_) raster::line(*context_, penPosition_, p, penOf(penColour_, lineWidth_, lineStyle_), dotPhase_);
    penPosition_ = p;
}

void DrawPort::polyline(const Point* points, std::int32_t count) {
    if (!context_ || !points) return;
    std::uint32_t phase = 0;
    raster::Pen pen = penOf(penColour_, lineWidth_, lineStyle_);
    for (std::int32_t i = 1; i < count; ++i) raster::line(*context_, points[i - 1], points[i], pen, phase);
}

void DrawPort::setLineStyle(LineStyle style) {
    lineStyle_ = style == dottedLine ? dottedLine : solidLine;
}

void DrawPort::setLineWidth(std::int32_t width) {
    lineWidth_ = width;
}

void DrawPort::setPenColour(Colour colour) {
    penColour_ = colour;
}

void DrawPort::setFillColour(Colour colour) {
    fillColour_ = colour;
}

void DrawPort::setTextColour(Colour colour) {
    textColour_ = colour;
}

void DrawPort::setFont(FontId id, std::int32_t height) {
    if (id < 0 || id > 6) id = 0;
    fontHeight_ = height != 0 ? height : fontRow(id).height;
    // Widgets set their font on every draw: the one in use already is kept.
    if (font_ && fontId_ == id && font_->height() == fontHeight_) return;
    // A font that cannot be made leaves the previous one in use.
    if (Font* font = Font::create(id, fontHeight_)) {
        font_.reset(font);
        fontId_ = id;
    }
}

void DrawPort::setPenPlace(const PenPlace& place) {
    penPosition_ = place.position;
    dotPhase_ = place.dotPhase;
}

bool DrawPort::drawsInFont(FontId id, std::int32_t height) const {
    if (id < 0 || id > 6) id = 0;
    if (height == 0) height = fontRow(id).height;
    return font_ && fontId_ == id && font_->height() == height;
}

void DrawPort::frameRect(const Rect& r) {
    moveTo(Point(r.left, r.top));
    lineTo(Point(r.right, r.top));
    lineTo(Point(r.right, r.bottom));
    lineTo(Point(r.left, r.bottom));
    lineTo(Point(r.left, r.top));
}

void DrawPort::fillRect(const Rect& r) {
    if (context_) {
        raster::fillBox(*context_, std::int64_t(r.left) + 1, std::int64_t(r.top) + 1, std::int64_t(r.right) - 1,
                        std::int64_t(r.bottom) - 1, pixelOf(fillColour_));
    }
}

void DrawPort::frameEllipse(const Rect& r) {
    if (!context_) return;
    // In 64 bits: a rectangle may span more than the 32-bit range.
    Point top(std::int32_t(r.left + (std::int64_t(r.right) - r.left) / 2), r.top);
    raster::ellipseOutline(*context_, r, penOf(penColour_, lineWidth_, lineStyle_), false, top, top);
}

void DrawPort::fillEllipse(const Rect& r) {
    if (context_) raster::ellipseFill(*context_, r, pixelOf(fillColour_), false, Point(), Point());
}

void DrawPort::frameArc(const Rect& r, Point start, Point end) {
    if (context_) raster::ellipseOutline(*context_, r, penOf(penColour_, lineWidth_, lineStyle_), true, start, end);
}

void DrawPort::fillPie(const Rect& r, Point start, Point end) {
    if (context_) raster::ellipseFill(*context_, r, pixelOf(fillColour_), true, start, end);
}

void DrawPort::fillPolygon(const Point* points, std::int32_t count) {
    if (context_) raster::fillPolygon(*context_, points, count, pixelOf(fillColour_));
}

void DrawPort::setPixel(Point p, Colour colour) {
    if (context_) raster::plot(*context_, p.h, p.v, pixelOf(colour));
}

void DrawPort::drawText(const char* text, const Rect& r, bool opaque, TextAlign align) {
    if (!context_ || !text) return;
    const Font& font = font_ ? *font_ : Font::fallback();
    Rect box = r;
    if (align != alignCentre && align != alignRight && box.left < INT32_MAX) box.left += 1;
    // Placement in 64 bits, then kept near the surface: text far outside is clipped anyway.
    const std::int64_t width = font.textWidth(text);
    std::int64_t x = box.left;
    if (align == alignCentre) x = box.left + ((std::int64_t(box.right) - box.left) - width) / 2;
    else if (align == alignRight) x = box.right - width;
    const std::int64_t top = box.top + ((std::int64_t(box.bottom) - box.top) - font.lineHeight()) / 2;
    const auto near = [](std::int64_t v) { return std::int32_t(std::clamp<std::int64_t>(v, -1000000, 1000000)); };
    font.draw(*context_, text, near(x), near(top), box, pixelOf(textColour_), opaque, pixelOf(fillColour_));
}

std::int32_t DrawPort::mouseButtons() {
    if (pressButtonsPending_) {
        pressButtonsPending_ = false;
        return pressButtons_;
    }
    const std::int32_t buttons = Platform::get().mouseButtons(window_ ? window_->handle() : 0, polledWhere_);
    polledWhereUnread_ = true;
    pressWherePending_ = false; // the poll knows a newer position than the press
    return buttons;
}

void DrawPort::mousePosition(Point& out) {
    if (pressWherePending_) {
        pressWherePending_ = false;
        out = pressWhere_;
    } else if (polledWhereUnread_) {
        polledWhereUnread_ = false;
        out = polledWhere_;
    } else {
        out = Platform::get().cursorPosition(window_ ? window_->handle() : 0);
    }
}

void DrawPort::setPress(Point where, std::int32_t buttons) {
    pressWhere_ = where;
    pressButtons_ = buttons;
    pressButtonsPending_ = true;
    pressWherePending_ = true;
    polledWhereUnread_ = false;
}

} // namespace gui
