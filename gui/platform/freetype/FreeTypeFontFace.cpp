// The font service on Linux: faces resolved with fontconfig ("Arial" to a metric-compatible
// face) and rendered by FreeType.
#include "../FontFace.h"
#include "../../WesternCodePage.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <string>

namespace gui {

namespace {

// FreeType and our own fontconfig configuration, shared by the faces and freed after the last
// of them (faces may outlive the module's other statics).
class FreeTypeLibrary {
public:
    FreeTypeLibrary() {
        if (FT_Init_FreeType(&library_) != 0) library_ = nullptr;
        // fontconfig keeps process-wide state that it never frees; pinned, it stays
        // reachable when a host unloads us instead of turning into a leak.
        dlopen("libfontconfig.so.1", RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
        // A configuration of our own: the host's use of fontconfig is left alone, and ours
        // goes away with the module.
        config_ = FcInitLoadConfigAndFonts();
    }
    ~FreeTypeLibrary() {
        if (library_) FT_Done_FreeType(library_);
        if (config_) FcConfigDestroy(config_);
    }
    FreeTypeLibrary(const FreeTypeLibrary&) = delete;
    FreeTypeLibrary& operator=(const FreeTypeLibrary&) = delete;

    FT_Library library() const { return library_; }

    // The file and face index fontconfig picks for the row; false when none.
    bool match(const FontRow& row, std::string& file, int& index) const {
        if (!config_) return false;
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
        FcPattern* found = FcFontMatch(config_, pattern, &result);
        if (found) {
            FcChar8* path = nullptr;
            if (FcPatternGetString(found, FC_FILE, 0, &path) == FcResultMatch && path) {
                file = reinterpret_cast<const char*>(path);
            }
            FcPatternGetInteger(found, FC_INDEX, 0, &index);
            FcPatternDestroy(found);
        }
        FcPatternDestroy(pattern);
        return !file.empty();
    }

private:
    FT_Library library_ = nullptr;
    FcConfig* config_ = nullptr;
};

std::shared_ptr<FreeTypeLibrary> sharedLibrary() {
    static std::shared_ptr<FreeTypeLibrary> instance = std::make_shared<FreeTypeLibrary>();
    return instance;
}

class FreeTypeFace : public FontFace {
public:
    FreeTypeFace(std::shared_ptr<FreeTypeLibrary> library, FT_Face face, bool symbolMap)
        : library_(std::move(library)), face_(face), symbolMap_(symbolMap) {}
    ~FreeTypeFace() override { FT_Done_Face(face_); }
    FreeTypeFace(const FreeTypeFace&) = delete;
    FreeTypeFace& operator=(const FreeTypeFace&) = delete;

    void metrics(std::int32_t height, std::int32_t& ascent, std::int32_t& descent) override {
        if (FT_Set_Pixel_Sizes(face_, 0, FT_UInt(height)) != 0) return;
        ascent = std::int32_t((face_->size->metrics.ascender + 63) >> 6);
        descent = std::int32_t((-face_->size->metrics.descender + 63) >> 6);
    }

    Glyph render(std::int32_t height, unsigned char c) override {
        Glyph g;
        if (FT_Set_Pixel_Sizes(face_, 0, FT_UInt(height)) != 0) return g;
        FT_UInt index = FT_Get_Char_Index(face_, symbolMap_ ? 0xF000u + c : unicodeOfWestern(c));
        if (index == 0 && symbolMap_) index = FT_Get_Char_Index(face_, c);
        if (FT_Load_Glyph(face_, index, FT_LOAD_RENDER | FT_LOAD_TARGET_LIGHT) != 0) return g;
        FT_GlyphSlot slot = face_->glyph;
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

private:
    std::shared_ptr<FreeTypeLibrary> library_;
    FT_Face face_;
    bool symbolMap_;
};

} // namespace

std::unique_ptr<FontFace> loadFontFace(const FontRow& row) {
    std::shared_ptr<FreeTypeLibrary> library = sharedLibrary();
    std::string file;
    int index = 0;
    if (!library->library() || !library->match(row, file, index)) return nullptr;
    FT_Face face = nullptr;
    if (FT_New_Face(library->library(), file.c_str(), index, &face) != 0) return nullptr;
    bool symbolMap = false;
    if (FT_Select_Charmap(face, FT_ENCODING_UNICODE) != 0 &&
        FT_Select_Charmap(face, FT_ENCODING_MS_SYMBOL) == 0) {
        symbolMap = true;
    }
    return std::make_unique<FreeTypeFace>(std::move(library), face, symbolMap);
}

} // namespace gui
