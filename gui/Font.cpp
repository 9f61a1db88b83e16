#include "Font.h"

#include "platform/FontFace.h"

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <string>

namespace gui {

namespace {

struct SizeEntry {
    std::int32_t ascent = 0;
    std::int32_t descent = 0;
    std::array<Glyph, 256> glyphs;
};

} // namespace

// A face and what has been rendered of it, per pixel height.
struct FaceEntry {
    std::unique_ptr<FontFace> face;
    std::map<std::int32_t, std::unique_ptr<SizeEntry>> sizes;

    SizeEntry& size(std::int32_t height) {
        auto& slot = sizes[height];
        if (!slot) {
            slot = std::make_unique<SizeEntry>();
            face->metrics(std::max(height, 1), slot->ascent, slot->descent);
        }
        return *slot;
    }

    const Glyph& glyph(std::int32_t height, unsigned char c) {
        Glyph& g = size(height).glyphs[c];
        if (!g.loaded) {
            g = face->render(std::max(height, 1), c);
            g.loaded = true;
        }
        return g;
    }
};

namespace {

// Module-wide: faces by family and weight, kept until the module is unloaded.
class FontLibrary {
public:
    FaceEntry* face(const FontRow& row) {
        std::string key = std::string(row.face) + (row.weight >= 700 ? "/bold" : "/regular");
        auto found = faces_.find(key);
        if (found != faces_.end()) return found->second.get();
        std::unique_ptr<FaceEntry> entry;
        if (auto face = loadFontFace(row)) {
            entry = std::make_unique<FaceEntry>();
            entry->face = std::move(face);
        }
        FaceEntry* raw = entry.get();
        faces_.emplace(key, std::move(entry));
        return raw;
    }

private:
    std::map<std::string, std::unique_ptr<FaceEntry>> faces_;
};

FontLibrary& library() {
    static FontLibrary instance;
    return instance;
}

Pixel blend(Pixel under, Pixel over, unsigned coverage) {
    unsigned inv = 255 - coverage;
    unsigned r = (((under >> 16) & 255) * inv + ((over >> 16) & 255) * coverage + 127) / 255;
    unsigned g = (((under >> 8) & 255) * inv + ((over >> 8) & 255) * coverage + 127) / 255;
    unsigned b = ((under & 255) * inv + (over & 255) * coverage + 127) / 255;
    return (r << 16) | (g << 8) | b;
}

// Text is mostly drawn in one colour over one plain fill: the blends over that fill by
// coverage (0 gives the fill, 255 the colour), each worked out on first use and kept. Unknown
// ones are all ones, which no pixel is.
class Blends {
public:
    // For a draw in colour: blends kept for another colour are forgotten.
    void use(Pixel colour) {
        if (colour == colour_) return;
        colour_ = colour;
        under_ = unknown;
        value_.fill(unknown);
    }
    // Keyed by the first pixel drawn over after use.
    Pixel over(Pixel under, unsigned coverage) {
        if (under == under_) {
            Pixel& known = value_[coverage];
            if (known == unknown) known = blend(under, colour_, coverage);
            return known;
        }
        if (under_ == unknown) {
            under_ = under;
            return value_[coverage] = blend(under, colour_, coverage);
        }
        return blend(under, colour_, coverage);
    }

private:
    static constexpr Pixel unknown = ~Pixel(0);
    Pixel under_ = unknown;
    Pixel colour_ = unknown;
    std::array<Pixel, 256> value_{};
};

// Per thread: editors on different threads draw text at once.
Blends& blends() {
    thread_local Blends cache;
    return cache;
}

} // namespace

Font* Font::create(FontId id, std::int32_t height) {
    const FontRow& row = fontRow(id);
    FaceEntry* face = library().face(row);
    if (!face) return nullptr;
    return new Font(face, height > 0 ? height : row.height);
}

Font& Font::fallback() {
    static Font instance(library().face(fontRow(fontNormal)), fontRow(fontNormal).height);
    return instance;
}

std::int32_t Font::ascent() const {
    return face_ ? face_->size(height_).ascent : 0;
}

std::int32_t Font::lineHeight() const {
    if (!face_) return 0;
    SizeEntry& s = face_->size(height_);
    return s.ascent + s.descent;
}

std::int32_t Font::textWidth(const char* text) const {
    if (!face_ || !text) return 0;
    std::int32_t w = 0;
    for (const char* p = text; *p; ++p) w += face_->glyph(height_, static_cast<unsigned char>(*p)).advance;
    return w;
}

void Font::draw(Surface& s, const char* text, std::int32_t x, std::int32_t top, const Rect& clip,
                Pixel colour, bool opaque, Pixel background) const {
    if (!face_ || !text) return;
    Rect c(std::max(clip.left, 0), std::max(clip.top, 0), std::min(clip.right, s.width()),
           std::min(clip.bottom, s.height()));
    if (c.right <= c.left || c.bottom <= c.top) return;
    if (opaque) {
        std::int32_t l = std::max(x, c.left);
        std::int32_t r = std::min(x + textWidth(text), c.right);
        std::int32_t t = std::max(top, c.top);
        std::int32_t b = std::min(top + lineHeight(), c.bottom);
        for (std::int32_t y = t; y < b && l < r; ++y) std::fill(s.row(y) + l, s.row(y) + r, background);
        if (l < r && t < b) s.addDamage(l, t, r, b);
    }
    Blends& cache = blends();
    cache.use(colour);
    std::int32_t baseline = top + ascent();
    std::int32_t pen = x;
    for (const char* p = text; *p; ++p) {
        const Glyph& g = face_->glyph(height_, static_cast<unsigned char>(*p));
        std::int32_t gx = pen + g.left;
        std::int32_t gy = baseline - g.top;
        std::int32_t x0 = std::max(gx, c.left);
        std::int32_t x1 = std::min(gx + g.width, c.right);
        std::int32_t y0 = std::max(gy, c.top);
        std::int32_t y1 = std::min(gy + g.rows, c.bottom);
        for (std::int32_t y = y0; y < y1; ++y) {
            Pixel* row = s.row(y);
            const std::uint8_t* cov = g.coverage.data() + std::ptrdiff_t(y - gy) * g.width - gx;
            // Without a test of the coverage: its values follow no pattern a branch could learn.
            for (std::int32_t xx = x0; xx < x1; ++xx) row[xx] = cache.over(row[xx], cov[xx]);
        }
        if (x0 < x1 && y0 < y1) s.addDamage(x0, y0, x1, y1);
        pen += g.advance;
    }
}

} // namespace gui
