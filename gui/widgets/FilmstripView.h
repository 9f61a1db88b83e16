#pragma once
// Shows one frame of a strip of frames stacked from the top: the frame nearest to the value's
// place between the first (0) and the last (1). Display only.
#include "ValueWidget.h"

#include <cstdint>

namespace gui {

class Picture;

class FilmstripView : public ValueWidget {
public:
    // picture (retained) holds frameCount frames of frameHeight pixels from offset down.
    FilmstripView(const Rect& size, ValueListener* listener, std::int32_t tag, std::int32_t frameCount,
                  std::int32_t frameHeight, Picture* picture, Point offset);
    ~FilmstripView() override;

    // Editor thread. A value above 1 is stored as 1.
    void draw(DrawPort& port) override;

private:
    Picture* picture;
    Point offset;
    std::int32_t frameCount;
    std::int32_t frameHeight;
};

} // namespace gui
