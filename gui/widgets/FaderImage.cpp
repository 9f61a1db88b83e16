#include "FaderImage.h"

#include "../OffscreenPort.h"
#include "../Picture.h"

#include <new>

namespace gui {

FaderImage::FaderImage() = default;

FaderImage::~FaderImage() = default;

bool FaderImage::draw(DrawPort& port, RootView* view, std::int32_t width, std::int32_t height, const Look& look,
                      const Rect& dest) {
    const Rect whole(0, 0, width, height);
    const bool fresh = !image || image->owner() != view || image->width() != width || image->height() != height;
    if (fresh) {
        // A new offscreen starts black.
        image.reset(new (std::nothrow) OffscreenPort(view, width, height, blackColour));
        if (!image) return false;
    }
    if (fresh || !(look == composed)) {
        // A kept one is made black again unless the slot is about to cover it wholly.
        const bool slotCovers =
            look.background && !look.transparentBackground && look.background->covers(whole, look.backOffset);
        if (!fresh && !slotCovers) {
            image->setFillColour(blackColour);
            image->fillRect(Rect(-1, -1, width, height));
        }
        if (look.background) {
            if (look.transparentBackground) look.background->drawTransparent(*image, whole, look.backOffset);
            else look.background->draw(*image, whole, look.backOffset);
        }
        if (look.handle) {
            if (look.transparentHandle) look.handle->drawTransparent(*image, look.handleAt, Point(0, 0));
            else look.handle->draw(*image, look.handleAt, Point(0, 0));
        }
        composed = look;
        composedBackground.reset(look.background);
        composedHandle.reset(look.handle);
    }
    image->copyTo(port, dest, Point(0, 0));
    return true;
}

} // namespace gui
