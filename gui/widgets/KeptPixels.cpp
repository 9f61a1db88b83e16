#include "KeptPixels.h"

#include "../DrawPort.h"
#include "../Raster.h"

namespace gui {

bool KeptPixels::show(DrawPort& port) const {
    if (!kept || !port.surface()) return kept;
    raster::copyBlock(*port.surface(), area, pixels, Point(0, 0));
    return true;
}

bool KeptPixels::keep(DrawPort& port, const Rect& wanted, Picture* first, Picture* second) {
    const Surface* s = port.surface();
    if (!s || wanted.left < 0 || wanted.top < 0 || wanted.right <= wanted.left || wanted.bottom <= wanted.top ||
        wanted.right > s->width() || wanted.bottom > s->height()) {
        forget();
        return false;
    }
    if (pixels.width() != wanted.width() || pixels.height() != wanted.height()) {
        pixels.resize(wanted.width(), wanted.height());
    }
    raster::copyBlock(pixels, Rect(0, 0, wanted.width(), wanted.height()), *s, Point(wanted.left, wanted.top));
    pixels.clearDamage();
    area = wanted;
    firstPicture.reset(first);
    secondPicture.reset(second);
    kept = true;
    return true;
}

void KeptPixels::forget() {
    kept = false;
    firstPicture.reset(nullptr);
    secondPicture.reset(nullptr);
}

} // namespace gui
