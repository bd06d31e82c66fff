#pragma once
// A glyph source of exact boxes, for layout tests that must hold to the pixel:
// every character is one filled rectangle at a fixed place relative to the
// pen, with a coverage level of its own so that tests can tell characters (and
// the larger-value combination) apart. Characters listed as missing have no
// glyph, as a character no face has.
//
//   platform::FontFace face(std::make_unique<testfonts::SyntheticGlyphs>(), false, false);
#include "platform/fonts/FontEngine.h"

#include <cstdint>
#include <string>
#include <vector>

namespace testfonts {

class SyntheticGlyphs final : public platform::GlyphSource {
public:
    struct Style {
        int32_t ascent = 8;
        int32_t descent = 3;
        int32_t advance = 6;
        // The box of every glyph, relative to the pen on the baseline.
        int32_t boxLeft = 1;
        int32_t boxTop = 7;  // rows above the baseline
        int32_t boxWidth = 4;
        int32_t boxHeight = 9;  // so 2 rows below the baseline
        int32_t underlinePosition = 1;
        int32_t underlineThickness = 1;
        int32_t strikeOutPosition = 3;
        int32_t strikeOutThickness = 2;
    };

    SyntheticGlyphs() : SyntheticGlyphs(Style{}) {}
    explicit SyntheticGlyphs(const Style& style, std::u32string missing = {})
        : m_style(style), m_missing(std::move(missing)) {
        m_metrics.ascent = style.ascent;
        m_metrics.descent = style.descent;
        m_metrics.height = style.ascent + style.descent;
        m_metrics.maxCharWidth = style.advance;
        m_metrics.averageCharWidth = style.advance;
        m_metrics.underlinePosition = style.underlinePosition;
        m_metrics.underlineThickness = style.underlineThickness;
        m_metrics.strikeOutPosition = style.strikeOutPosition;
        m_metrics.strikeOutThickness = style.strikeOutThickness;
    }

    // The coverage of every pixel of c's box: never 0 and never 255, and
    // different for any two characters of one 191-character stretch.
    static uint8_t Level(char32_t c) { return uint8_t(0x40 + c % 0xBF); }

    const platform::FontMetrics& Metrics() const noexcept override { return m_metrics; }

    bool Glyph(char32_t c, platform::GlyphImage& out) override {
        ++calls;
        if (m_missing.find(c) != std::u32string::npos) return false;
        m_pixels.assign(size_t(m_style.boxWidth) * size_t(m_style.boxHeight), Level(c));
        out.left = m_style.boxLeft;
        out.top = m_style.boxTop;
        out.width = m_style.boxWidth;
        out.height = m_style.boxHeight;
        out.pitch = m_style.boxWidth;
        out.coverage = m_pixels.data();
        out.advance = m_style.advance;
        return true;
    }

    int calls = 0;  // Glyph calls so far

private:
    Style m_style;
    std::u32string m_missing;
    platform::FontMetrics m_metrics;
    std::vector<uint8_t> m_pixels;
};

}  // namespace testfonts
