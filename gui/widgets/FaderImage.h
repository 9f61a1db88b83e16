#pragma once
// A fader's slot and handle composed in an offscreen port of the fader's size, kept from draw
// to draw: composed again only when what decides its pixels changed, so that drawing the
// fader where its handle did not move is one copy to the window. Both widget generations'
// faders draw through it. Editor thread.
#include "../Geometry.h"
#include "HeldPicture.h"

#include <cstdint>
#include <memory>

namespace gui {

class DrawPort;
class OffscreenPort;
class RootView;

class FaderImage {
public:
    // Everything the offscreen's pixels depend on besides its size. Pictures never change
    // their pixels, so a picture stands for them; the kept image holds the ones it shows, so
    // that no other picture can take their place at the same address.
    struct Look {
        Picture* background = nullptr;
        Point backOffset;
        bool transparentBackground = false;
        Picture* handle = nullptr;
        Rect handleAt; // in the offscreen
        bool transparentHandle = false;
        constexpr bool operator==(const Look&) const = default;
    };

    FaderImage();
    ~FaderImage();
    FaderImage(const FaderImage&) = delete;
    FaderImage& operator=(const FaderImage&) = delete;

    // Copies the image of look, width x height, to dest on port, composing it first unless
    // it is kept for look, size and view (an offscreen belongs to one view). False, with
    // nothing drawn, when no offscreen could be made.
    bool draw(DrawPort& port, RootView* view, std::int32_t width, std::int32_t height, const Look& look,
              const Rect& dest);
    bool exists() const { return image != nullptr; }

private:
    std::unique_ptr<OffscreenPort> image;
    Look composed; // what the kept offscreen shows
    HeldPicture composedBackground;
    HeldPicture composedHandle;

};

} // namespace gui
