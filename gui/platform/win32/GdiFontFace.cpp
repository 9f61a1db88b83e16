// The font service on Windows: GDI fonts made as the font table describes them, their glyphs
// taken as 8-bit coverage masks (GetGlyphOutline), so that text is blended into our surfaces
// like every other drawing.
#include "../FontFace.h"

#include <windows.h>

#include <map>

namespace gui {

namespace {

// GGO_GRAY8_BITMAP coverage runs from 0 to 64.
constexpr unsigned grayLevels = 64;

class GdiFontFace : public FontFace {
public:
    explicit GdiFontFace(const FontRow& row) : row_(row), context_(CreateCompatibleDC(nullptr)) {}
    ~GdiFontFace() override {
        if (context_) {
            if (previous_) SelectObject(context_, previous_);
            DeleteDC(context_);
        }
        for (auto& [height, font] : fonts_) {
            if (font) DeleteObject(font);
        }
    }
    GdiFontFace(const GdiFontFace&) = delete;
    GdiFontFace& operator=(const GdiFontFace&) = delete;

    bool usable() const { return context_ != nullptr; }

    void metrics(std::int32_t height, std::int32_t& ascent, std::int32_t& descent) override {
        TEXTMETRICA metrics{};
        if (!select(height) || !GetTextMetricsA(context_, &metrics)) return;
        ascent = metrics.tmAscent;
        descent = metrics.tmDescent;
    }

    Glyph render(std::int32_t height, unsigned char c) override {
        Glyph g;
        if (!select(height)) return g;
        const MAT2 identity{{0, 1}, {0, 0}, {0, 0}, {0, 1}};
        GLYPHMETRICS metrics{};
        const DWORD size = GetGlyphOutlineA(context_, c, GGO_GRAY8_BITMAP, &metrics, 0, nullptr, &identity);
        if (size == GDI_ERROR) {
            // No outline (a space, or a face without the character): the advance alone.
            ABC widths{};
            INT width = 0;
            if (GetCharABCWidthsA(context_, c, c, &widths)) {
                g.advance = widths.abcA + std::int32_t(widths.abcB) + widths.abcC;
            } else if (GetCharWidth32A(context_, c, c, &width)) {
                g.advance = width;
            }
            return g;
        }
        g.advance = metrics.gmCellIncX;
        g.left = metrics.gmptGlyphOrigin.x;
        g.top = metrics.gmptGlyphOrigin.y;
        if (size == 0) return g;
        std::vector<std::uint8_t> buffer(size);
        if (GetGlyphOutlineA(context_, c, GGO_GRAY8_BITMAP, &metrics, size, buffer.data(), &identity) == GDI_ERROR) {
            return g;
        }
        g.width = std::int32_t(metrics.gmBlackBoxX);
        g.rows = std::int32_t(metrics.gmBlackBoxY);
        const std::size_t pitch = (std::size_t(g.width) + 3) & ~std::size_t(3);
        if (pitch * std::size_t(g.rows) > buffer.size()) {
            g.width = g.rows = 0;
            return g;
        }
        g.coverage.resize(std::size_t(g.width) * std::size_t(g.rows));
        for (std::int32_t y = 0; y < g.rows; ++y) {
            for (std::int32_t x = 0; x < g.width; ++x) {
                const unsigned level = buffer[std::size_t(y) * pitch + std::size_t(x)];
                g.coverage[std::size_t(y) * std::size_t(g.width) + std::size_t(x)] =
                    std::uint8_t((std::min(level, grayLevels) * 255 + grayLevels / 2) / grayLevels);
            }
        }
        return g;
    }

private:
    // Makes (once per height) and selects the font as the table row describes it.
    bool select(std::int32_t height) {
        HFONT& font = fonts_[height];
        if (!font) {
            LOGFONTA description{};
            description.lfHeight = -height;
            description.lfWeight = row_.weight;
            description.lfCharSet = ANSI_CHARSET;
            description.lfOutPrecision = OUT_STRING_PRECIS;
            description.lfClipPrecision = CLIP_STROKE_PRECIS;
            description.lfQuality = DEFAULT_QUALITY;
            description.lfPitchAndFamily = BYTE(row_.pitchAndFamily);
            lstrcpynA(description.lfFaceName, row_.face, LF_FACESIZE);
            font = CreateFontIndirectA(&description);
            if (!font) return false;
        }
        HGDIOBJ was = SelectObject(context_, font);
        if (!previous_) previous_ = was;
        return true;
    }

    FontRow row_;
    HDC context_;
    HGDIOBJ previous_ = nullptr;
    std::map<std::int32_t, HFONT> fonts_;
};

} // namespace

std::unique_ptr<FontFace> loadFontFace(const FontRow& row) {
    auto face = std::make_unique<GdiFontFace>(row);
    if (!face->usable()) return nullptr;
    return face;
}

} // namespace gui
