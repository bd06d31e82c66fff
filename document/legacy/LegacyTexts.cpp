// The format-1.0 text factors (1001-1014): the current fourteen keywords with
// the same items. Every one reads the drawn area, the font description
// (kept as written), the text colour and the shadow or border colour (slots
// 0 and 1, palette reference alone or colour code), and the text, whose
// escapes are decoded; the Blend forms add the factor's alpha as item 8.
#include <iterator>

#include "document/legacy/LegacyFields.h"
#include "document/legacy/LegacyTable.h"
#include "document/text/TextLexer.h"

namespace legacy {

bool ReadUnescapedText(const CStr_base<64>& item, CStr_base<64>& text) {
    const int32_t close = FindClosingQuote(item.GetText());
    if (close < 1) return false;
    text.AssignN(item.GetText() + 1, close - 1);
    thread_local CStr_base<64> scratch;
    Unescape(text, scratch);
    return true;
}

namespace texts {
namespace {

using namespace fields;
using vocabulary::Alpha;
using vocabulary::Colour;
using vocabulary::FactorField;
using vocabulary::Int;
using vocabulary::Name;

#define LEGACY_TEXT_HEAD                                                                                  \
    Int(0, Ints[0]), Int(1, Ints[5]), Int(2, Ints[1]), Int(3, Ints[6]), Name(4, &F::FontSpec),             \
        Colour(5, ColourSlot(0)), Colour(6, ColourSlot(1))

// Item 7, the text, is read by ReadText.
constexpr FactorField kPlain[] = {LEGACY_TEXT_HEAD};
constexpr FactorField kBlend[] = {LEGACY_TEXT_HEAD, Alpha(8, Alphas[0])};

#undef LEGACY_TEXT_HEAD

constexpr uint32_t kTextItem = 7;

bool ReadText(QDXFactor& factor, const CStrArray_base<64>& items, uint32_t, bool) {
    return ReadUnescapedText(*items.GetAt(kTextItem), factor.Text);
}

constexpr LegacyRow Plain(const char* keyword, uint32_t kind) {
    return {keyword, kind, LegacyCount::kExact, 8, 0, kPlain, {}, 0, 0, &ReadText};
}
constexpr LegacyRow Blend(const char* keyword, uint32_t kind) {
    return {keyword, kind, LegacyCount::kExact, 9, 0, kBlend, {}, 0, 0, &ReadText};
}

const LegacyRow kTextRows[] = {
    Plain("Text(", 1001),
    Plain("TextShadow1(", 1002),
    Plain("TextShadow2(", 1003),
    Plain("TextBorder1(", 1004),
    Plain("TextBorder2(", 1005),
    Plain("TextShadowBorder1(", 1006),
    Plain("TextShadowBorder2(", 1007),
    Blend("TextBlend(", 1008),
    Blend("TextShadow1Blend(", 1009),
    Blend("TextShadow2Blend(", 1010),
    Blend("TextBorder1Blend(", 1011),
    Blend("TextBorder2Blend(", 1012),
    Blend("TextShadowBorder1Blend(", 1013),
    Blend("TextShadowBorder2Blend(", 1014),
};

}  // namespace
}  // namespace texts

const LegacyFamily kLegacyTextFamily = {texts::kTextRows, uint32_t(std::size(texts::kTextRows))};

}  // namespace legacy
