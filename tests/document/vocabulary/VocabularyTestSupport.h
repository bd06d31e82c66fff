#pragma once
// Helpers shared by the factor vocabulary tests: the shapes every family test
// repeats (a canonical text read and written back, a non-canonical text
// settling on its written form, a refused text leaving Kind alone), so that
// each test is a table of cases.
#include <gtest/gtest.h>

#include <string>

#include "document/model/QDXFactor.h"
#include "document/vocabulary/FactorTable.h"

namespace vocabulary_test {

// The factor's written text, or a marker that cannot be a factor text.
inline std::string Write(const QDXFactor& f) {
    CStr_base<1024> out;
    if (!f.WriteText(out)) return "<write failed>";
    return out.GetText();
}

// The rows of the recurring tables: a text and the kind it reads as (0:
// refused, or no keyword), a text and what it is written as.
struct KindCase {
    std::string text;
    uint32_t kind;
};

struct WrittenCase {
    std::string text;
    std::string written;
};

// ---- marker values ----

// The Kind a factor holds before a parse that should be refused (a refused
// text leaves Kind as it was).
constexpr uint32_t kMarkerKind = 5;
// What the marked fields hold before the parse.
constexpr int32_t kKeep = 77;
constexpr uint8_t kKeepAlpha = 9;

// A reset factor holding kMarkerKind.
inline void ResetMarked(QDXFactor& f) {
    f.Reset();
    f.Kind = kMarkerKind;
}

// A reset factor with markers in the fields a failing parse may or may not
// reach: Kind kMarkerKind, X1 and Y3 kKeep, Alpha kKeepAlpha, SourceName
// "old".
inline void ResetWithMarkers(QDXFactor& f) {
    ResetMarked(f);
    f.X1 = f.Y3 = kKeep;
    f.Alpha = kKeepAlpha;
    f.SourceName.Assign("old");
}

// ---- the recurring checks ----

// text is refused and f keeps its Kind (f was prepared by ResetMarked or
// ResetWithMarkers).
inline void ExpectRefused(QDXFactor& f, const std::string& text) {
    EXPECT_FALSE(f.ParseText(text.c_str())) << text;
    EXPECT_EQ(f.Kind, kMarkerKind) << text;
}

// text read by a factor holding the markers (ResetWithMarkers, then
// prepare(f)): it reads when ok, giving the factor a kind of its own, or is
// refused with Kind unchanged; check(f) looks at what the parse left.
template <class Prepare, class Check>
void ExpectReadFromMarkers(const std::string& text, bool ok, Prepare prepare, Check check) {
    SCOPED_TRACE(text);
    QDXFactor f;
    ResetWithMarkers(f);
    prepare(f);
    EXPECT_EQ(f.ParseText(text.c_str()), ok);
    EXPECT_EQ(f.Kind == kMarkerKind, !ok);
    check(static_cast<const QDXFactor&>(f));
}

template <class Check>
void ExpectReadFromMarkers(const std::string& text, bool ok, Check check) {
    ExpectReadFromMarkers(text, ok, [](QDXFactor&) {}, check);
}

// text reads into a reset factor as kind; with kind 0 it is refused and Kind
// stays kMarkerKind.
inline void ExpectKind(const std::string& text, uint32_t kind) {
    SCOPED_TRACE(text);
    QDXFactor f;
    ResetMarked(f);
    EXPECT_EQ(f.ParseText(text.c_str()), kind != 0);
    EXPECT_EQ(f.Kind, kind != 0 ? kind : kMarkerKind);
}

// The keyword index takes text for kind; kind 0: for no keyword.
inline void ExpectKeyword(const std::string& text, uint32_t kind) {
    SCOPED_TRACE(text);
    const vocabulary::FactorRow* row = vocabulary::FindFactorKeyword(text.c_str());
    if (kind == 0) {
        EXPECT_EQ(row, nullptr);
        return;
    }
    ASSERT_NE(row, nullptr);
    EXPECT_EQ(row->kind, kind);
}

// text reads into f (as it stands) and gives it kind: for
// ASSERT_TRUE(ParsesAs(f, text, kind)).
inline ::testing::AssertionResult ParsesAs(QDXFactor& f, const std::string& text, uint32_t kind) {
    if (!f.ParseText(text.c_str())) return ::testing::AssertionFailure() << "refused: " << text;
    if (f.Kind != kind) return ::testing::AssertionFailure() << "kind " << f.Kind << ", not " << kind << ": " << text;
    return ::testing::AssertionSuccess();
}

// The rectangle most members start with.
inline void ExpectRect(const QDXFactor& f, int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
    EXPECT_EQ(f.X1, x1);
    EXPECT_EQ(f.Y1, y1);
    EXPECT_EQ(f.X2, x2);
    EXPECT_EQ(f.Y2, y2);
}

// A canonical text (without the "!" mark) reads to kind and writes back byte
// for byte, enabled and disabled; check(f) looks at the fields read.
template <class Check>
void ExpectCanonical(const std::string& text, uint32_t kind, Check check) {
    for (const char* mark : {"", "!"}) {
        const std::string marked = mark + text;
        SCOPED_TRACE(marked);
        QDXFactor f;
        f.Reset();
        ASSERT_TRUE(f.ParseText(marked.c_str()));
        EXPECT_EQ(f.Kind, kind);
        EXPECT_EQ(f.Enabled, *mark == '\0');
        check(static_cast<const QDXFactor&>(f));
        EXPECT_EQ(Write(f), marked);
    }
}

inline void ExpectCanonical(const std::string& text, uint32_t kind) {
    ExpectCanonical(text, kind, [](const QDXFactor&) {});
}

// A table of {text, kind} canonical texts, after the table's own check.
template <class Cases>
void ExpectCanonicalTable(const Cases& cases) {
    ASSERT_STREQ(vocabulary::CheckFactorTable(), "");
    for (const auto& c : cases) ExpectCanonical(c.text, c.kind);
}

// parse -> write -> parse -> write is a fixed point: text reads into a reset
// factor (prepared further by prepare(f)), is written as written, which reads
// into another reset factor (prepare(g)) of the same kind and mark and is
// written the same; same(f, g) compares what else must agree.
template <class Prepare, class Same>
void ExpectFixedPoint(const std::string& text, const std::string& written, Prepare prepare, Same same) {
    SCOPED_TRACE(text);
    QDXFactor f;
    f.Reset();
    prepare(f);
    ASSERT_TRUE(f.ParseText(text.c_str()));
    const std::string once = Write(f);
    EXPECT_EQ(once, written);
    QDXFactor g;
    g.Reset();
    prepare(g);
    ASSERT_TRUE(g.ParseText(once.c_str()));
    EXPECT_EQ(g.Kind, f.Kind);
    EXPECT_EQ(g.Enabled, f.Enabled);
    EXPECT_EQ(Write(g), once);
    same(static_cast<const QDXFactor&>(f), static_cast<const QDXFactor&>(g));
}

template <class Same>
void ExpectFixedPoint(const std::string& text, const std::string& written, Same same) {
    ExpectFixedPoint(text, written, [](QDXFactor&) {}, same);
}

inline void ExpectFixedPoint(const std::string& text, const std::string& written) {
    ExpectFixedPoint(text, written, [](const QDXFactor&, const QDXFactor&) {});
}

// A table of {text, written} cases, each a fixed point.
template <class Cases>
void ExpectFixedPoints(const Cases& cases) {
    for (const auto& c : cases) ExpectFixedPoint(c.text, c.written);
}

// ---- the object-drawing families (plain, colour-model, tone) ----

// Their members share a code scheme, code = base + 30 x geometry + 15 x
// colour-only + word (1 Copy, 2 Alpha, 3 Blend, 4 Layer, 5 Back), and the
// keyword follows from it: the geometry word (none, "Resize", "Rotate"), the
// base word (none for Copy under a geometry), the family's infix ("",
// "ColorSpace", "Tone"), "C" for the colour-only form.
struct DrawCode {
    uint32_t geometry;  // 0 plain, 1 resize, 2 rotate
    uint32_t word;      // 1..15
    bool colourOnly;
};

inline DrawCode SplitDrawCode(uint32_t kind, uint32_t base) {
    const uint32_t rest = kind - base;
    const uint32_t word = (rest - 1) % 15 + 1;
    return {(rest - word) / 30, word, (rest - word) / 15 % 2 == 1};
}

inline std::string DrawKeyword(uint32_t kind, uint32_t base, const char* infix) {
    const char* const words[] = {"Copy", "Alpha", "Blend", "Layer", "Back"};
    const DrawCode code = SplitDrawCode(kind, base);
    std::string keyword = code.geometry == 0 ? "" : code.geometry == 1 ? "Resize" : "Rotate";
    if (!(code.word == 1 && code.geometry != 0) && code.word <= 5) keyword += words[code.word - 1];
    keyword += infix;
    if (code.colourOnly) keyword += "C";
    return keyword + "(";
}

// A member's keyword, geometry and level follow from its code.
inline void ExpectDrawCode(uint32_t kind, const char* keyword, uint32_t geometry, bool level, uint32_t base,
                           const char* infix) {
    EXPECT_EQ(DrawKeyword(kind, base, infix), keyword);
    const DrawCode code = SplitDrawCode(kind, base);
    EXPECT_EQ(geometry, code.geometry);
    EXPECT_EQ(level, code.word != 1);
}

// The region, the source and its placement of a canonical text (without a
// closing bracket): plain "-10,20,100,-50,"Master",3,4", resized with the
// size 30,40, rotated with the centre 5,6, angle 45, scales 1.5 and -0.25.
enum DrawGeometry { kDrawPlain, kDrawResize, kDrawRotate };

inline std::string DrawPlacement(DrawGeometry geometry) {
    std::string text = "-10,20,100,-50,\"Master\",";
    switch (geometry) {
    case kDrawPlain:
        return text + "3,4";
    case kDrawResize:
        return text + "3,4,30,40";
    case kDrawRotate:
        return text + "5,6,45.000000000,1.500000000,-0.250000000,3,4,30,40";
    }
    return text;
}

// A member of a family with the code scheme: its code, keyword, geometry and
// whether it takes a level.
struct DrawMember {
    uint32_t kind;
    const char* keyword;
    DrawGeometry geometry;
    bool level;
};

// The fields DrawPlacement's text reads into; the ones the geometry does not
// use keep their reset values.
inline void ExpectDrawPlacement(const QDXFactor& f, DrawGeometry geometry) {
    const bool sized = geometry != kDrawPlain;
    const bool rotated = geometry == kDrawRotate;
    EXPECT_EQ(f.X1, -10);
    EXPECT_EQ(f.Y1, 20);
    EXPECT_EQ(f.X2, 100);
    EXPECT_EQ(f.Y2, -50);
    EXPECT_STREQ(f.SourceName.GetText(), "Master");
    EXPECT_EQ(f.X3, 3);
    EXPECT_EQ(f.Y3, 4);
    EXPECT_EQ(f.X4, sized ? 30 : 1);
    EXPECT_EQ(f.Y4, sized ? 40 : 1);
    EXPECT_EQ(f.X5, rotated ? 5 : 0);
    EXPECT_EQ(f.Y5, rotated ? 6 : 0);
    EXPECT_EQ(f.Real1, rotated ? 45.0 : 0.0);
    EXPECT_EQ(f.Real4, rotated ? 1.5 : 1.0);
    EXPECT_EQ(f.Real5, rotated ? -0.25 : 1.0);
}

// A count rule: keyword + full + ")" with its last item dropped is refused;
// with each extra appended it is refused (exact count) or, when moreOk, read
// as kind and written as the full text, check(f) looking at the fields.
template <class Check>
void ExpectCountRule(const std::string& keyword, const std::string& full, uint32_t kind, bool moreOk,
                     std::initializer_list<const char*> extras, Check check) {
    QDXFactor f;
    ResetMarked(f);
    ExpectRefused(f, keyword + full.substr(0, full.rfind(',')) + ")");
    for (const char* extra : extras) {
        const std::string more = keyword + full + extra + ")";
        SCOPED_TRACE(more);
        ResetMarked(f);
        if (!moreOk) {
            ExpectRefused(f, more);
            continue;
        }
        ASSERT_TRUE(f.ParseText(more.c_str()));
        EXPECT_EQ(f.Kind, kind);
        check(static_cast<const QDXFactor&>(f));
        EXPECT_EQ(Write(f), keyword + full + ")");
    }
}

// The kinds between first and last that have a row: exactly count, each of
// them a word 1..5 of the drawing code scheme (based at first - 1).
inline void ExpectDrawCodes(uint32_t first, uint32_t last, uint32_t count) {
    uint32_t found = 0;
    for (uint32_t kind = first; kind <= last; ++kind) {
        if (vocabulary::FindFactorKind(kind) == nullptr) continue;
        ++found;
        EXPECT_LE(SplitDrawCode(kind, first - 1).word, 5u) << kind;
    }
    EXPECT_EQ(found, count);
    EXPECT_EQ(vocabulary::CheckFactorTable()[0], '\0');
}

}  // namespace vocabulary_test
