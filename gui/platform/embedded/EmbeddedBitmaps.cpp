// The module's bitmaps where there are no bitmap resources: the table that add_bitmap_table
// embeds in the code.
#include "../../BitmapResources.h"

namespace gui {

const EmbeddedBitmap* findEmbeddedBitmap(std::int32_t id) {
    for (std::size_t i = 0; i < embeddedBitmapCount; ++i) {
        if (embeddedBitmaps[i].id == id) return &embeddedBitmaps[i];
    }
    return nullptr;
}

std::unique_ptr<PixelBuffer> loadModuleBitmap(std::int32_t id) {
    const EmbeddedBitmap* found = findEmbeddedBitmap(id);
    return found ? decodeBmp(found->data, found->size) : nullptr;
}

} // namespace gui
