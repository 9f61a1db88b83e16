#include "Widget.h"

#include "OffscreenPort.h"
#include "RootView.h"

namespace gui {

Widget::Widget(const Rect& r) : rect(r) {}

Widget::~Widget() = default;

void Widget::draw(DrawPort&) {}

void Widget::mouse(DrawPort&, Point) {}

void Widget::update(DrawPort&) {}

void Widget::endEditing() {}

void Widget::beginEditing() {}

void Widget::setBackdrop(OffscreenPort* port) {
    if (port && port->width() >= rect.width() && port->height() >= rect.height()) backdrop = port;
}

bool Widget::takesPresses() const {
    return true;
}

bool Widget::coversRect() const {
    return false;
}

void Widget::drawInView(DrawPort& port) {
    draw(port);
}

void Widget::redraw() {
    if (parent) parent->redrawWidget(this);
}

} // namespace gui
