// The font service: fontconfig finds faces, FreeType draws their glyphs.
//
// Finding: a request becomes a fontconfig pattern (family, weight, slant, and
// the ja language, since the documents are Japanese: a name no installed face
// has then lands on a Japanese face rather than a Latin one). The
// configuration is the system's plus the program's own aliases (kAliases),
// which put installed Japanese faces in front of the Windows face names the
// documents use. The best match is the face; fontconfig's sorted list for the
// same pattern supplies, per character, a face that has a character the first
// one lacks. It is asked for only when such a character comes up.
//
// Sizing as GDI did it: a negative height is the em size in pixels; a
// positive one the cell height (winAscent + winDescent scaled to it); 0 the
// default 16-pixel em. Ascent and descent come from OS/2 winAscent and
// winDescent (the hhea ascender and descender when a face has no OS/2 table).
//
// Glyphs: outlines only (embedded bitmaps are 1-bit), light hinting (vertical
// only: crisp baselines and stems, undistorted shapes, advances rounded to
// whole pixels), grey coverage. Bold asked of a face that is not bold is
// synthesised by FreeType's emboldening (which widens the advance by the
// stroke, as GDI's simulated bold widened it); italic asked of an upright
// face by an oblique slant of the outline. Each rendered glyph is kept, per
// face and character, so warm text never rasterises again.
//
// fontconfig and FreeType start on the first Open (an engine is cheap to
// make). Faces keep the FreeType library and configuration alive, so a face
// may outlive its engine.
#include "platform/fonts/FontEngine.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_SYNTHESIS_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace platform {

// What every face of an engine shares; the last face or engine to go frees it.
// (Not in the anonymous namespace: FontEngine::State holds one.)
struct FontEngineCore {
    FT_Library library = nullptr;
    FcConfig* config = nullptr;
    ~FontEngineCore() {
        if (library) FT_Done_FreeType(library);
        if (config) FcConfigDestroy(config);
    }
};

namespace {

// Windows faces named by the documents, and the installed faces that stand in
// for them, best first. Fixed-pitch names prefer fixed-pitch faces,
// proportional names proportional ones, Mincho names serif faces; fontconfig's
// own ja preference comes after these. (fontconfig takes one family per
// alias, so the file is made from this table.)
struct AliasGroup {
    const char* names;  // separated by '|'
    const char* prefer;
};
const AliasGroup kAliases[] = {
    {"ＭＳ ゴシック|MS Gothic|Osaka－等幅",
     "IPAGothic|IPAexGothic|Noto Sans Mono CJK JP|Noto Sans CJK JP|TakaoGothic|VL Gothic|IPAPGothic"},
    {"ＭＳ Ｐゴシック|MS PGothic|MS UI Gothic|メイリオ|Meiryo|Meiryo UI|游ゴシック|Yu Gothic|Yu Gothic UI|Osaka",
     "IPAPGothic|IPAexGothic|Noto Sans CJK JP|TakaoPGothic|VL PGothic|IPAGothic"},
    {"ＭＳ 明朝|MS Mincho", "IPAMincho|IPAexMincho|Noto Serif CJK JP|TakaoMincho|IPAPMincho|IPAGothic"},
    {"ＭＳ Ｐ明朝|MS PMincho|游明朝|Yu Mincho",
     "IPAPMincho|IPAexMincho|Noto Serif CJK JP|TakaoPMincho|IPAMincho|IPAPGothic"},
};

// "<family>a</family><family>b</family>" for "a|b".
void AppendFamilies(std::string& out, const char* list) {
    for (const char* p = list;;) {
        const char* end = std::strchr(p, '|');
        out += "<family>";
        out.append(p, end ? size_t(end - p) : std::strlen(p));
        out += "</family>";
        if (!end) break;
        p = end + 1;
    }
}

std::string AliasFile() {
    std::string xml = "<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n<fontconfig>\n";
    for (const AliasGroup& g : kAliases) {
        for (const char* p = g.names;;) {
            const char* end = std::strchr(p, '|');
            xml += "<alias binding=\"same\"><family>";
            xml.append(p, end ? size_t(end - p) : std::strlen(p));
            xml += "</family><prefer>";
            AppendFamilies(xml, g.prefer);
            xml += "</prefer></alias>\n";
            if (!end) break;
            p = end + 1;
        }
    }
    return xml + "</fontconfig>\n";
}

constexpr int32_t kDefaultEm = 16;
// Larger sizes are clamped: a glyph of this em is already 16 MB of coverage.
constexpr int64_t kLargestEm = 4096;
constexpr FT_Int32 kLoadFlags = FT_LOAD_TARGET_LIGHT | FT_LOAD_NO_BITMAP;

int32_t Scale(int64_t units, int64_t ppem, int64_t upem) {
    if (upem <= 0) return 0;
    const int64_t v = units * ppem;
    return int32_t(v >= 0 ? (v + upem / 2) / upem : -((-v + upem / 2) / upem));
}

struct Vertical {
    int64_t ascent, descent;  // font units
};

Vertical FaceVertical(FT_Face face) {
    const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
    if (os2 && os2->version != 0xFFFF && int64_t(os2->usWinAscent) + os2->usWinDescent > 0) {
        return {os2->usWinAscent, os2->usWinDescent};
    }
    return {face->ascender, -int64_t(face->descender)};
}

// A pattern for the request, with the configuration's substitutions applied.
FcPattern* RequestPattern(FcConfig* config, const std::string& family, bool bold, bool italic, bool ja) {
    FcPattern* p = FcPatternCreate();
    if (!p) return nullptr;
    if (!family.empty()) FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
    FcPatternAddInteger(p, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(p, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    if (ja) FcPatternAddString(p, FC_LANG, reinterpret_cast<const FcChar8*>("ja"));
    FcPatternAddBool(p, FC_SCALABLE, FcTrue);
    FcConfigSubstitute(config, p, FcMatchPattern);
    FcDefaultSubstitute(p);
    return p;
}

// One FreeType face at the text's size, with the synthesis it needs.
struct SizedFace {
    FT_Face face = nullptr;
    std::string file;
    int index = 0;
    bool embolden = false;
    bool oblique = false;
};

class FreeTypeGlyphs final : public GlyphSource {
public:
    FreeTypeGlyphs(std::shared_ptr<FontEngineCore> core, FcPattern* request, bool bold, bool italic)
        : m_core(std::move(core)), m_request(request), m_bold(bold), m_italic(italic) {}

    ~FreeTypeGlyphs() override {
        for (SizedFace& f : m_faces) FT_Done_Face(f.face);
        if (m_sorted) FcFontSetDestroy(m_sorted);
        if (m_request) FcPatternDestroy(m_request);
    }

    // Opens the matched font as the first face and takes the metrics from it.
    bool OpenFirst(FcPattern* match, int32_t height) {
        SizedFace f;
        if (!OpenFace(match, f, 0, height)) return false;
        m_faces.push_back(f);
        SetMetrics(f.face, height);
        return true;
    }

    const FontMetrics& Metrics() const noexcept override { return m_metrics; }

    bool Glyph(char32_t c, GlyphImage& out) override {
        auto it = m_cache.find(c);
        if (it == m_cache.end()) it = m_cache.emplace(c, Render(c)).first;
        const Cached& g = it->second;
        if (!g.present) return false;
        out.left = g.left;
        out.top = g.top;
        out.width = g.width;
        out.height = g.height;
        out.pitch = g.width;
        out.coverage = g.width > 0 ? m_store.data() + g.offset : nullptr;
        out.advance = g.advance;
        return true;
    }

private:
    struct Cached {
        bool present = false;
        int32_t left = 0, top = 0, width = 0, height = 0, advance = 0;
        size_t offset = 0;
    };

    // Opens the font of a fontconfig pattern at the text's em size (height is
    // the request's for the first face; later faces take its em).
    bool OpenFace(FcPattern* font, SizedFace& f, FT_UInt ppem, int32_t height) {
        FcChar8* file = nullptr;
        if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) return false;
        int index = 0;
        FcPatternGetInteger(font, FC_INDEX, 0, &index);
        FT_Face face = nullptr;
        if (FT_New_Face(m_core->library, reinterpret_cast<const char*>(file), index, &face) != 0) return false;
        if (ppem == 0) {
            int64_t em = kDefaultEm;
            if (height < 0) em = -int64_t(height);
            if (height > 0) {
                const Vertical v = FaceVertical(face);
                em = v.ascent + v.descent > 0 ? (int64_t(height) * face->units_per_EM + (v.ascent + v.descent) / 2) /
                                                    (v.ascent + v.descent)
                                              : height;
            }
            ppem = FT_UInt(std::clamp<int64_t>(em, 1, kLargestEm));
        }
        if (FT_Set_Pixel_Sizes(face, 0, ppem) != 0) {
            FT_Done_Face(face);
            return false;
        }
        // The face's own style decides the synthesis (fontconfig's matched
        // pattern already says "bold" of a regular face it means to embolden).
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        const bool boldFace = (face->style_flags & FT_STYLE_FLAG_BOLD) ||
                              (os2 && os2->version != 0xFFFF && os2->usWeightClass >= 600);
        f.face = face;
        f.file = reinterpret_cast<const char*>(file);
        f.index = index;
        f.embolden = m_bold && !boldFace;
        f.oblique = m_italic && !(face->style_flags & FT_STYLE_FLAG_ITALIC);
        m_ppem = ppem;
        return true;
    }

    void SetMetrics(FT_Face face, int32_t height) {
        const int64_t upem = face->units_per_EM, ppem = m_ppem;
        const Vertical v = FaceVertical(face);
        FontMetrics& m = m_metrics;
        if (height > 0 && v.ascent + v.descent > 0) {
            m.ascent = int32_t((int64_t(height) * v.ascent + (v.ascent + v.descent) / 2) / (v.ascent + v.descent));
            m.descent = height - m.ascent;
        } else {
            m.ascent = Scale(v.ascent, ppem, upem);
            m.descent = Scale(v.descent, ppem, upem);
        }
        m.height = m.ascent + m.descent;
        m.maxCharWidth = Scale(face->max_advance_width, ppem, upem);
        const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        m.averageCharWidth = os2 && os2->xAvgCharWidth > 0 ? Scale(os2->xAvgCharWidth, ppem, upem) : m.maxCharWidth / 2;
        // FreeType gives the underline's centre (negative below the baseline);
        // the bar keeps inside the descent where it fits.
        if (face->underline_thickness > 0) {
            m.underlineThickness = std::max(1, Scale(face->underline_thickness, ppem, upem));
            const double centre = -double(face->underline_position) * double(ppem) / double(upem);
            m.underlinePosition = int32_t(std::lround(centre - m.underlineThickness / 2.0));
        } else {
            m.underlineThickness = std::max<int32_t>(1, int32_t(ppem / 14));
            m.underlinePosition = 1;
        }
        if (m.underlinePosition + m.underlineThickness > m.descent) {
            m.underlinePosition = m.descent - m.underlineThickness;
        }
        m.underlinePosition = std::max(m.underlinePosition, 0);
        if (os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0) {
            m.strikeOutThickness = std::max(1, Scale(os2->yStrikeoutSize, ppem, upem));
            m.strikeOutPosition = Scale(os2->yStrikeoutPosition, ppem, upem);
        } else {
            m.strikeOutThickness = m.underlineThickness;
            m.strikeOutPosition = (m.ascent * 3 + 5) / 10 + m.strikeOutThickness;
        }
    }

    // The face that has c: one opened already, else the next of fontconfig's
    // sorted list whose character set holds it. Null when none has it.
    const SizedFace* FaceFor(char32_t c, FT_UInt& glyphIndex) {
        for (const SizedFace& f : m_faces) {
            if ((glyphIndex = FT_Get_Char_Index(f.face, c)) != 0) return &f;
        }
        if (!m_sortDone) {
            m_sortDone = true;
            FcResult result;
            m_sorted = FcFontSort(m_core->config, m_request, FcTrue, nullptr, &result);
        }
        if (!m_sorted) return nullptr;
        for (int i = 0; i < m_sorted->nfont; ++i) {
            FcPattern* font = m_sorted->fonts[i];
            FcCharSet* chars = nullptr;
            if (FcPatternGetCharSet(font, FC_CHARSET, 0, &chars) != FcResultMatch || !FcCharSetHasChar(chars, c)) {
                continue;
            }
            FcChar8* file = nullptr;
            int index = 0;
            if (FcPatternGetString(font, FC_FILE, 0, &file) != FcResultMatch) continue;
            FcPatternGetInteger(font, FC_INDEX, 0, &index);
            const bool opened = std::any_of(m_faces.begin(), m_faces.end(), [&](const SizedFace& f) {
                return f.index == index && f.file == reinterpret_cast<const char*>(file);
            });
            if (opened) continue;
            FcPattern* prepared = FcFontRenderPrepare(m_core->config, m_request, font);
            SizedFace f;
            const bool ok = prepared && OpenFace(prepared, f, m_ppem, 0);
            if (prepared) FcPatternDestroy(prepared);
            if (!ok) continue;
            m_faces.push_back(f);
            if ((glyphIndex = FT_Get_Char_Index(f.face, c)) != 0) return &m_faces.back();
        }
        return nullptr;
    }

    Cached Render(char32_t c) {
        Cached g;
        FT_UInt index = 0;
        const SizedFace* f = FaceFor(c, index);
        if (!f || FT_Load_Glyph(f->face, index, kLoadFlags) != 0) return g;
        FT_GlyphSlot slot = f->face->glyph;
        if (f->oblique) FT_GlyphSlot_Oblique(slot);
        if (f->embolden) FT_GlyphSlot_Embolden(slot);
        if (slot->format != FT_GLYPH_FORMAT_BITMAP && FT_Render_Glyph(slot, FT_RENDER_MODE_NORMAL) != 0) return g;
        const FT_Bitmap& bm = slot->bitmap;
        g.present = true;
        g.advance = int32_t((slot->advance.x + 32) >> 6);
        g.left = slot->bitmap_left;
        g.top = slot->bitmap_top;
        g.width = int32_t(bm.width);
        g.height = int32_t(bm.rows);
        g.offset = m_store.size();
        if (g.width == 0 || g.height == 0) {
            g.width = g.height = 0;
            return g;
        }
        m_store.resize(g.offset + size_t(g.width) * size_t(g.height));
        uint8_t* dst = m_store.data() + g.offset;
        for (int32_t y = 0; y < g.height; ++y, dst += g.width) {
            const unsigned char* row = bm.buffer + ptrdiff_t(y) * bm.pitch;
            switch (bm.pixel_mode) {
            case FT_PIXEL_MODE_GRAY:
                if (bm.num_grays == 256) {
                    std::memcpy(dst, row, size_t(g.width));
                } else {
                    const int top = std::max(1, int(bm.num_grays) - 1);
                    for (int32_t x = 0; x < g.width; ++x) dst[x] = uint8_t(std::min(255, row[x] * 255 / top));
                }
                break;
            case FT_PIXEL_MODE_MONO:
                for (int32_t x = 0; x < g.width; ++x) dst[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? 255 : 0;
                break;
            case FT_PIXEL_MODE_BGRA:
                for (int32_t x = 0; x < g.width; ++x) dst[x] = row[x * 4 + 3];
                break;
            default:
                std::memset(dst, 0, size_t(g.width));
                break;
            }
        }
        return g;
    }

    std::shared_ptr<FontEngineCore> m_core;
    FcPattern* m_request;  // for the sorted list of fallback faces
    FcFontSet* m_sorted = nullptr;
    bool m_sortDone = false;
    bool m_bold, m_italic;
    FT_UInt m_ppem = 0;
    std::vector<SizedFace> m_faces;  // the matched face first, then fallbacks
    FontMetrics m_metrics;
    std::unordered_map<char32_t, Cached> m_cache;
    std::vector<uint8_t> m_store;  // the cached glyphs' coverage
};

}  // namespace

struct FontEngine::State {
    std::shared_ptr<FontEngineCore> core;
    bool started = false;

    // Starts fontconfig and FreeType once; false when either cannot start.
    bool Start() {
        if (started) return core != nullptr;
        started = true;
        auto c = std::make_shared<FontEngineCore>();
        if (FT_Init_FreeType(&c->library) != 0) {
            c->library = nullptr;
            return false;
        }
        c->config = FcInitLoadConfig();
        if (!c->config) return false;
        const std::string aliases = AliasFile();
        FcConfigParseAndLoadFromMemory(c->config, reinterpret_cast<const FcChar8*>(aliases.c_str()), FcTrue);
        if (!FcConfigBuildFonts(c->config)) return false;
        core = std::move(c);
        return true;
    }
};

FontEngine::FontEngine() : m_state(std::make_unique<State>()) {}
FontEngine::~FontEngine() = default;

std::unique_ptr<FontFace> FontEngine::Open(const FontRequest& request) {
    if (!m_state->Start()) return nullptr;
    const bool bold = request.weight >= 600, italic = request.italic;
    // Beyond the largest em nothing changes but the memory a glyph takes.
    const int32_t height = int32_t(std::clamp<int64_t>(request.height, -kLargestEm, kLargestEm));
    FcPattern* pattern = RequestPattern(m_state->core->config, request.face, bold, italic, true);
    if (!pattern) return nullptr;
    FcResult result;
    FcPattern* match = FcFontMatch(m_state->core->config, pattern, &result);
    auto glyphs = std::make_unique<FreeTypeGlyphs>(m_state->core, pattern, bold, italic);
    const bool opened = match && glyphs->OpenFirst(match, height);
    if (match) FcPatternDestroy(match);
    if (!opened) return nullptr;
    return std::make_unique<FontFace>(std::move(glyphs), request.underline, request.strikeOut);
}

bool FontEngine::FaceCoversLanguage(const std::string& face, const char* language) {
    if (!language || !m_state->Start()) return false;
    // The name's own face (or its alias's), without the ja preference that
    // Open adds: the question is about the face the name stands for.
    FcPattern* pattern = RequestPattern(m_state->core->config, face, false, false, false);
    if (!pattern) return false;
    FcResult result;
    FcPattern* match = FcFontMatch(m_state->core->config, pattern, &result);
    FcPatternDestroy(pattern);
    if (!match) return false;
    FcLangSet* langs = nullptr;
    const bool covers = FcPatternGetLangSet(match, FC_LANG, 0, &langs) == FcResultMatch &&
                        FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>(language)) != FcLangDifferentLang;
    FcPatternDestroy(match);
    return covers;
}

}  // namespace platform
