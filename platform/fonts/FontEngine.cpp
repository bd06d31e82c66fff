// The font service. (Being built: no face opens yet.)
#include "platform/fonts/FontEngine.h"

#include <utility>

namespace platform {

FontFace::FontFace(std::unique_ptr<GlyphSource> glyphs, bool underline, bool strikeOut) noexcept
    : m_glyphs(std::move(glyphs)), m_underline(underline), m_strikeOut(strikeOut) {}
FontFace::~FontFace() = default;
const FontMetrics& FontFace::Metrics() const noexcept { return m_glyphs->Metrics(); }
void FontFace::DrawText(const char32_t*, size_t, CoveragePlane&, int32_t, int32_t, int32_t, int32_t) {}
int32_t FontFace::MeasureText(const char32_t*, size_t) { return 0; }

struct FontEngine::State {};
FontEngine::FontEngine() : m_state(std::make_unique<State>()) {}
FontEngine::~FontEngine() = default;
std::unique_ptr<FontFace> FontEngine::Open(const FontRequest&) { return nullptr; }
bool FontEngine::FaceCoversLanguage(const std::string&, const char*) { return false; }

}  // namespace platform
