#pragma once
// A widget's reference to a picture: retained while held, released when replaced or dropped.
#include "../Picture.h"

namespace gui {

class HeldPicture {
public:
    explicit HeldPicture(Picture* picture = nullptr) { reset(picture); }
    HeldPicture(const HeldPicture&) = delete;
    HeldPicture& operator=(const HeldPicture&) = delete;
    ~HeldPicture() { reset(nullptr); }

    // Retains the new picture before releasing the old: holding the same one again keeps it.
    void reset(Picture* picture) {
        if (picture) picture->retain();
        if (held) held->release();
        held = picture;
    }
    Picture* get() const { return held; }
    Picture* operator->() const { return held; }
    explicit operator bool() const { return held != nullptr; }

private:
    Picture* held = nullptr;
};

} // namespace gui
