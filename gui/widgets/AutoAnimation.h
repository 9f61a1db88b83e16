#pragma once
// Frames of a strip shown one after another while running; the owner steps the frames (from
// its idle, say) and the idle pass draws them. A click starts or stops it. The value is the
// source y of the frame shown, in pixels.
#include "ValueWidget.h"

#include <cstdint>

namespace gui {

class Picture;

class AutoAnimation : public ValueWidget {
public:
    // picture (retained) holds frameCount frames of frameHeight pixels from offset down.
    AutoAnimation(const Rect& size, ValueListener* listener, std::int32_t tag, std::int32_t frameCount,
                  std::int32_t frameHeight, Picture* picture, Point offset);
    ~AutoAnimation() override;

    // Editor thread, all of them. Draws nothing while stopped.
    void draw(DrawPort& port) override;
    // Stops a running animation at its first frame; starts a stopped one and tells the listener.
    void mouse(DrawPort& port, Point where) override;
    virtual void startAnimation();
    virtual void stopAnimation();
    // One frame on, back to the first after the last; and one back, to the last before the first.
    virtual void nextFrame();
    virtual void previousFrame();

    bool isRunning() const { return running; }

private:
    double lastFrameTop() const;

    Picture* picture;
    Point offset;
    std::int32_t frameCount;
    std::int32_t frameHeight;
    bool running = false;
    std::int32_t totalHeight;
};

} // namespace gui
