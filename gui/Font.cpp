#include "Font.h"

#include "WesternCodePage.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace gui {

namespace {

struct Glyph {
    bool loaded = false;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t rows = 0;
    std::int32_t advance = 0;
    std::vector<std::uint8_t> coverage;
};

struct SizeEntry {
    std::int32_t ascent = 0;
    std::int32_t descent = 0;
    std::array<Glyph, 256> glyphs;
};

} // namespace

struct FaceEntry {
    FT_Face face = nullptr;
    bool symbolMap = false;
    std::map<std::int32_t, std::unique_ptr<SizeEntry>> sizes;

    ~FaceEntry() {
        if (face) FT_Done_Face(face);
    }

    SizeEntry& size(std::int32_t height) {
        auto& slot = sizes[height];
        if (!slot) {
            slot = std::make_unique<SizeEntry>();
            if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(std::max(height, 1))) == 0) {
                slot->ascent = std::int32_t((face->size->metrics.ascender + 63) >> 6);
                slot->descent = std::int32_t((-face->size->metrics.descender + 63) >> 6);
            }
        }
        return *slot;
    }

    const Glyph& glyph(std::int32_t height, unsigned char c) {
        SizeEntry& entry = size(height);
        Glyph& g = entry.glyphs[c];
        if (g.loaded) return g;
        g.loaded = true;
        if (FT_Set_Pixel_Sizes(face, 0, FT_UInt(std::max(height, 1))) != 0) return g;
        FT_UInt index = FT_Get_Char_Index(face, symbolMap ? 0xF000u + c : unicodeOfWestern(c));
        if (index == 0 && symbolMap) index = FT_Get_Char_Index(face, c);
        if (FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) return g;
        FT_GlyphSlot slot = face->glyph;
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = std::int32_t(slot->bitmap.width);
        g.rows = std::int32_t(slot->bitmap.rows);
        g.advance = std::int32_t((slot->advance.x + 32) >> 6);
        if (slot->bitmap.pixel_mode == FT_PIXEL_MODE_GRAY && g.width > 0 && g.rows > 0) {
            g.coverage.resize(std::size_t(g.width) * std::size_t(g.rows));
            for (std::int32_t y = 0; y < g.rows; ++y) {
                const unsigned char* src = slot->bitmap.buffer + y * slot->bitmap.pitch;
                std::copy(src, src + g.width, g.coverage.begin() + std::ptrdiff_t(y) * g.width);
            }
        } else {
            g.width = 0;
            g.rows = 0;
        }
        return g;
    }
};

namespace {

// Module-wide: resolved faces by family and weight; freed when the module is unloaded.
class FontLibrary {
public:
    ~FontLibrary() {
        faces_.clear();
        if (library_) FT_Done_FreeType(library_);
        if (config_) FcConfigDestroy(config_);
    }

    FaceEntry* face(const FontRow& row) {
        std::string key = std::string(row.face) + (row.weight >= 700 ? "/bold" : "/regular");
        auto found = faces_.find(key);
        if (found != faces_.end()) return found->second.get();
        auto entry = load(row);
        FaceEntry* raw = entry.get();
        faces_.emplace(key, std::move(entry));
        return raw;
    }

private:
    std::unique_ptr<FaceEntry> load(const FontRow& row) {
        if (!library_ && FT_Init_FreeType(&library_) != 0) {
            library_ = nullptr;
            return nullptr;
        }
        std::string file;
        int index = 0;
        // A configuration of our own: the host's use of fontconfig is left alone, and ours
        // goes away with the module.
        if (!config_) {
            // fontconfig keeps process-wide state that it never frees; pinned, it stays
            // reachable when a host unloads us instead of turning into a leak.
            dlopen("libfontconfig.so.1", RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
            config_ = FcInitLoadConfigAndFonts();
        }
        if (config_) {
            FcPattern* pattern = FcPatternCreate();
            FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(row.face));
            // Where the small screen face is missing, a narrow sans face stands in before the
            // plain one: read-outs of 21 pixels must hold "100%" inside their frame.
            if (std::string(row.face) == "Small Fonts") {
                for (const char* family : {"Arial Narrow", "Liberation Sans Narrow", "Arial"}) {
                    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
                }
            }
            FcPatternAddInteger(pattern, FC_WEIGHT,
                                row.weight >= 700 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
            FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
            FcPatternAddDouble(pattern, FC_PIXEL_SIZE, row.height);
            FcConfigSubstitute(config_, pattern, FcMatchPattern);
            FcDefaultSubstitute(pattern);
            FcResult result = FcResultNoMatch;
            FcPattern* match = FcFontMatch(config_, pattern, &result);
            if (match) {
                FcChar8* path = nullptr;
                if (FcPatternGetString(match, FC_FILE, 0, &path) == FcResultMatch && path) {
                    file = reinterpret_cast<const char*>(path);
                }
                FcPatternGetInteger(match, FC_INDEX, 0, &index);
                FcPatternDestroy(match);
            }
            FcPatternDestroy(pattern);
        }
        if (file.empty()) return nullptr;
        auto entry = std::make_unique<FaceEntry>();
        if (FT_New_Face(library_, file.c_str(), index, &entry->face) != 0) {
            entry->face = nullptr;
            return nullptr;
        }
        if (FT_Select_Charmap(entry->face, FT_ENCODING_UNICODE) != 0 &&
            FT_Select_Charmap(entry->face, FT_ENCODING_MS_SYMBOL) == 0) {
            entry->symbolMap = true;
        }
        return entry;
    }

    FT_Library library_ = nullptr;
    FcConfig* config_ = nullptr;
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
            for (std::int32_t xx = x0; xx < x1; ++xx) {
                unsigned a = cov[xx];
                if (a == 255) row[xx] = colour;
                else if (a) row[xx] = blend(row[xx], colour, a);
            }
        }
        if (x0 < x1 && y0 < y1) s.addDamage(x0, y0, x1, y1);
        pen += g.advance;
    }
}

} // namespace gui
