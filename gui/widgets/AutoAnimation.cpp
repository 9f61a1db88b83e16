#include "AutoAnimation.h"

#include "../Picture.h"
#include "WidgetMath.h"

namespace gui {

AutoAnimation::AutoAnimation(const Rect& size, ValueListener* owner, std::int32_t ownerTag, std::int32_t frames,
                             std::int32_t height, Picture* strip, Point stripOffset)
    : ValueWidget(size, owner, ownerTag), picture(strip), offset(stripOffset), frameCount(frames),
      frameHeight(height), totalHeight(truncateToInt(double(frames) * double(height))) {
    if (picture) picture->retain();
}

AutoAnimation::~AutoAnimation() {
    if (picture) picture->release();
}

void AutoAnimation::draw(DrawPort& port) {
    if (!running) return;
    const float shown = getValue();
    if (picture) picture->draw(port, rect, Point(offset.h, truncateToInt(double(shown) + offset.v)));
    setOldValue(shown);
}

void AutoAnimation::mouse(DrawPort& port, Point) {
    if (!getMouseEnabled()) return;
    setValue(0.0f);
    if (running) {
        draw(port);
        stopAnimation();
        return;
    }
    startAnimation();
    setOldValue(-1.0f);
    if (listener) listener->valueChanged(port, this);
}

void AutoAnimation::startAnimation() {
    running = true;
}

void AutoAnimation::stopAnimation() {
    running = false;
}

void AutoAnimation::nextFrame() {
    const double next = double(getValue()) + frameHeight;
    setValue(next > lastFrameTop() ? 0.0f : float(next));
}

void AutoAnimation::previousFrame() {
    const double previous = double(getValue()) - frameHeight;
    setValue(float(previous < 0.0 ? lastFrameTop() : previous));
}

double AutoAnimation::lastFrameTop() const {
    return double(totalHeight) - frameHeight;
}

} // namespace gui
