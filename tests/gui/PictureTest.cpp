// Pictures from the embedded bitmap table, transparent drawing, offscreen ports, BMP decoding.
#include "PixelTestSupport.h"
#include "gui/BitmapResources.h"
#include "gui/OffscreenPort.h"
#include "gui/Picture.h"
#include "gui/PngWriter.h"

#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

namespace gui {
namespace {

using test::box;
using test::framesPixel;
using test::pixelsOf;

// Ids of the test bitmaps (see CMakeLists.txt).
constexpr int framesId = 1;
constexpr int framesTopDownId = 2;
constexpr int keyOnlyId = 3;
constexpr int paletteId = 4;
constexpr int paletteBottomUpId = 5;

struct PictureHolder {
    explicit PictureHolder(int id) : p(new Picture(id)) {}
    ~PictureHolder() { p->release(); }
    Picture* p;
};

TEST(PictureTest, LoadsEmbeddedBitmapsInBothRowOrders) {
    for (int id : {framesId, framesTopDownId}) {
        PictureHolder pic(id);
        ASSERT_EQ(pic.p->width(), 30) << id;
        ASSERT_EQ(pic.p->height(), 60);
        PixelBuffer s(30, 60);
        DrawPort port(nullptr, &s, nullptr);
        pic.p->draw(port, Rect(0, 0, 30, 60), Point(0, 0));
        for (int y = 0; y < 60; ++y)
            for (int x = 0; x < 30; ++x) ASSERT_EQ(s.pixel(x, y), framesPixel(x, y)) << id << ": " << x << "," << y;
    }
    // Only the low 16 bits of the id count.
    PictureHolder high(0x10000 | framesId);
    EXPECT_EQ(high.p->width(), 30);
}

TEST(PictureTest, MissingIdGivesAnEmptyPictureThatDrawsNothing) {
    PictureHolder pic(999);
    EXPECT_EQ(pic.p->width(), 0);
    EXPECT_EQ(pic.p->height(), 0);
    PixelBuffer s(20, 20, pixelOf(redColour));
    DrawPort port(nullptr, &s, nullptr);
    pic.p->draw(port, Rect(0, 0, 20, 20), Point(0, 0));
    pic.p->drawTransparent(port, Rect(0, 0, 20, 20), Point(0, 0));
    EXPECT_EQ(pixelsOf(s, redColour).size(), 400u);
    Picture* sized = new Picture(12, 7);
    EXPECT_EQ(sized->width(), 12);
    sized->draw(port, Rect(0, 0, 20, 20), Point(0, 0));
    EXPECT_EQ(pixelsOf(s, redColour).size(), 400u);
    sized->release();
}

TEST(PictureTest, KeyColourMustMatchExactly) {
    PictureHolder key(keyOnlyId);
    PixelBuffer s(20, 20, pixelOf(redColour));
    DrawPort port(nullptr, &s, nullptr);
    key.p->drawTransparent(port, Rect(2, 2, 10, 10), Point(0, 0));
    EXPECT_EQ(pixelsOf(s, redColour).size(), 400u);
    key.p->draw(port, Rect(2, 2, 10, 10), Point(0, 0));
    EXPECT_EQ(pixelsOf(s, whiteColour), box(2, 2, 9, 9));
    // (255, 255, 254) at (1, 2) of the frames picture is opaque.
    PictureHolder frames(framesId);
    s.resize(20, 20, pixelOf(redColour));
    frames.p->drawTransparent(port, Rect(0, 0, 20, 20), Point(0, 0));
    EXPECT_EQ(s.pixel(1, 2), pixelOf(Colour{255, 255, 254, 0}));
    EXPECT_EQ(s.pixel(0, 0), pixelOf(redColour));
}

TEST(PictureTest, SourceOffsetPicksRowsForOpaqueAndTransparentDraws) {
    PictureHolder pic(framesId);
    for (bool transparent : {false, true}) {
        PixelBuffer s(50, 50, pixelOf(redColour));
        DrawPort port(nullptr, &s, nullptr);
        const Rect dest(10, 10, 40, 30);
        if (transparent) pic.p->drawTransparent(port, dest, Point(0, 20));
        else pic.p->draw(port, dest, Point(0, 20));
        for (int y = 0; y < 50; ++y) {
            for (int x = 0; x < 50; ++x) {
                Pixel expected = pixelOf(redColour);
                if (x >= 10 && x < 40 && y >= 10 && y < 30) {
                    Pixel p = framesPixel(x - 10, y - 10 + 20);
                    if (!(transparent && p == pixelOf(whiteColour))) expected = p;
                }
                ASSERT_EQ(s.pixel(x, y), expected) << transparent << " " << x << "," << y;
            }
        }
    }
    // The picture itself is unchanged by transparent drawing.
    PixelBuffer s(30, 60);
    DrawPort port(nullptr, &s, nullptr);
    pic.p->draw(port, Rect(0, 0, 30, 60), Point(0, 0));
    EXPECT_EQ(s.pixel(0, 0), pixelOf(whiteColour));
}

// drawAround leaves the holes as they were and draws everything else as draw does, however
// the holes lie: overlapping, unsorted, beyond the block or the surface, empty or inverted.
TEST(PictureTest, DrawAroundLeavesOnlyTheHolesOut) {
    PictureHolder pic(framesId);
    const Rect dest(5, 5, 45, 45);
    const Point src(0, 10);
    const std::vector<std::vector<Rect>> holeSets = {
        {},
        {Rect(10, 10, 20, 20)},
        {Rect(28, 8, 32, 30), Rect(8, 12, 25, 16), Rect(10, 0, 14, 60)},
        {Rect(-10, -10, 8, 8), Rect(40, 40, 90, 90)},
        {Rect(0, 0, 50, 50)},
        {Rect(20, 20, 20, 30), Rect(30, 30, 25, 40), Rect(15, 35, 30, 25)},
        {Rect(6, 6, 7, 7), Rect(44, 44, 45, 45), Rect(5, 20, 45, 21), Rect(25, 5, 26, 45)},
    };
    for (std::size_t set = 0; set < holeSets.size(); ++set) {
        const std::vector<Rect>& holes = holeSets[set];
        PixelBuffer s(50, 50, pixelOf(redColour));
        DrawPort port(nullptr, &s, nullptr);
        pic.p->drawAround(port, dest, src, holes.data(), std::int32_t(holes.size()));
        for (int y = 0; y < 50; ++y) {
            for (int x = 0; x < 50; ++x) {
                bool inHole = false;
                for (const Rect& h : holes) inHole = inHole || (x >= h.left && x < h.right && y >= h.top && y < h.bottom);
                const bool inDest = x >= dest.left && x < dest.right && y >= dest.top && y < dest.bottom &&
                                    y - dest.top + src.v < pic.p->height() && x - dest.left < pic.p->width();
                const Pixel expected = inDest && !inHole ? framesPixel(x - dest.left, y - dest.top + src.v)
                                                         : pixelOf(redColour);
                ASSERT_EQ(s.pixel(x, y), expected) << "set " << set << " at " << x << "," << y;
            }
        }
    }
}

// covers answers whether draw sets every pixel of dest: only with a bitmap holding the block.
TEST(PictureTest, CoversOnlyWhereTheBitmapHoldsTheWholeBlock) {
    PictureHolder pic(framesId);
    PictureHolder missing(999);
    const std::int32_t w = pic.p->width(), h = pic.p->height();
    EXPECT_TRUE(pic.p->covers(Rect(3, 4, 3 + w, 4 + h), Point(0, 0)));
    EXPECT_TRUE(pic.p->covers(Rect(0, 0, w - 2, 10), Point(2, h - 10)));
    EXPECT_FALSE(pic.p->covers(Rect(0, 0, w, h), Point(1, 0)));
    EXPECT_FALSE(pic.p->covers(Rect(0, 0, w, h + 1), Point(0, 0)));
    EXPECT_FALSE(pic.p->covers(Rect(0, 0, 4, 4), Point(-1, 0)));
    EXPECT_FALSE(missing.p->covers(Rect(0, 0, 0, 0), Point(0, 0)));
}

TEST(PictureTest, EightBitPaletteInBothRowOrders) {
    const Pixel palette[] = {0x0A141E, 0xC86432, 0xFFFFFF};
    for (int id : {paletteId, paletteBottomUpId}) {
        PictureHolder pic(id);
        ASSERT_EQ(pic.p->width(), 5);
        ASSERT_EQ(pic.p->height(), 3);
        PixelBuffer s(5, 3);
        DrawPort port(nullptr, &s, nullptr);
        pic.p->draw(port, Rect(0, 0, 5, 3), Point(0, 0));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 5; ++x) EXPECT_EQ(s.pixel(x, y), palette[(x + y) % 3]) << id;
    }
}

TEST(PictureTest, MalformedBmpsAreRefused) {
    const EmbeddedBitmap* good = findEmbeddedBitmap(framesId);
    ASSERT_NE(good, nullptr);
    std::vector<std::uint8_t> bytes(good->data, good->data + good->size);
    ASSERT_NE(decodeBmp(bytes.data(), bytes.size()), nullptr);
    auto patched = [&](std::size_t at, std::vector<std::uint8_t> with) {
        std::vector<std::uint8_t> b = bytes;
        std::copy(with.begin(), with.end(), b.begin() + std::ptrdiff_t(at));
        return decodeBmp(b.data(), b.size());
    };
    EXPECT_EQ(decodeBmp(bytes.data(), bytes.size() - 10), nullptr);   // truncated pixels
    EXPECT_EQ(decodeBmp(bytes.data(), 20), nullptr);                  // truncated header
    EXPECT_EQ(decodeBmp(nullptr, 0), nullptr);
    EXPECT_EQ(patched(0, {'X'}), nullptr);                            // magic
    EXPECT_EQ(patched(14 + 16, {1}), nullptr);                        // compressed
    EXPECT_EQ(patched(14 + 14, {32}), nullptr);                       // 32 bits per pixel
    EXPECT_EQ(patched(14 + 4, {0xFF, 0xFF, 0xFF, 0x7F}), nullptr);    // absurd width
    EXPECT_EQ(patched(14 + 8, {0, 0, 0, 0}), nullptr);                // zero height
    EXPECT_EQ(patched(10, {0xF0, 0xFF, 0xFF, 0xFF}), nullptr);        // pixels beyond the end
}

TEST(OffscreenPortTest, ConstructionsAndCopy) {
    PixelBuffer screen(40, 40, pixelOf(redColour));
    DrawPort port(nullptr, &screen, nullptr);
    {
        OffscreenPort plain(port);
        EXPECT_EQ(plain.width(), 20);
        EXPECT_EQ(plain.height(), 20);
        EXPECT_EQ(pixelsOf(plain.bitmap(), blackColour).size(), 400u);
    }
    {
        OffscreenPort filled(nullptr, 12, 9, greenColour);
        EXPECT_EQ(pixelsOf(filled.bitmap(), greenColour).size(), 108u);
        filled.setPixel(Point(0, 0), blueColour);
        filled.copyTo(port, Rect(5, 5, 17, 14), Point(0, 0));
        EXPECT_EQ(screen.pixel(5, 5), pixelOf(blueColour));
        EXPECT_EQ(screen.pixel(16, 13), pixelOf(greenColour));
        EXPECT_EQ(screen.pixel(17, 14), pixelOf(redColour));
    }
    {
        PictureHolder pic(framesId);
        OffscreenPort copy(port, pic.p);
        ASSERT_EQ(copy.width(), 30);
        EXPECT_EQ(copy.bitmap().pixel(7, 9), framesPixel(7, 9));
        // Copying from an offset.
        copy.copyTo(port, Rect(0, 0, 4, 4), Point(10, 20));
        EXPECT_EQ(screen.pixel(1, 1), framesPixel(11, 21));
    }
}

TEST(PngWriterTest, RoundTrip) {
    PixelBuffer s(7, 5, pixelOf(blueColour));
    s.row(2)[3] = pixelOf(Colour{1, 2, 3, 0});
    const auto path = std::filesystem::temp_directory_path() / "gui_png_roundtrip.png";
    ASSERT_TRUE(savePng(s, path.c_str()));
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&image, path.c_str()));
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> rgb(PNG_IMAGE_SIZE(image));
    ASSERT_TRUE(png_image_finish_read(&image, nullptr, rgb.data(), 0, nullptr));
    EXPECT_EQ(image.width, 7u);
    EXPECT_EQ(image.height, 5u);
    EXPECT_EQ(rgb[(2 * 7 + 3) * 3 + 2], 3);
    EXPECT_EQ(rgb[2], 255);
    std::filesystem::remove(path);
    EXPECT_FALSE(savePng(s, "/nonexistent-dir/x.png"));
}

} // namespace
} // namespace gui
