#pragma once
// What the shape, target-list and reference-mask tests share: a document with
// the raster library started, objects added from their text, and the
// messages of these factors spelled out in code page 932 on their own.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "document/renderer/FactorFrame.h"
#include "document/renderer/ObjectRender.h"
#include "raster/surface/shape/DiagramInfo.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/document/renderer/RenderTestSupport.h"
#include "tests/raster/RasterTestSupport.h"

namespace shape_render_test {

// The renderer's own messages, shared with the other renderer tests.
inline const std::string& kBadReference = rendertest::kInvalidReference;
inline const std::string& kNamedIn = rendertest::kSpecifiedIn;
inline const std::string& kMissing = rendertest::kNotFound;
inline const std::string& kMaskMemory = rendertest::kCanvasMemory;

// "の参照先はベクタパス設定を持ちません。\n"
inline const std::string kNoOutlineText =
    "\x82\xCC\x8E\x51\x8F\xC6\x90\xE6\x82\xCD\x83\x78\x83\x4E\x83\x5E\x83\x70\x83\x58\x90\xDD\x92\xE8\x82\xF0\x8E\x9D"
    "\x82\xBF\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "のベクタパス設定を解釈できません。\n"
inline const std::string kUnreadablePath =
    "\x82\xCC\x83\x78\x83\x4E\x83\x5E\x83\x70\x83\x58\x90\xDD\x92\xE8\x82\xF0\x89\xF0\x8E\xDF\x82\xC5\x82\xAB\x82\xDC"
    "\x82\xB9\x82\xF1\x81\x42\n";
// "の円弧を描画できません。\n"
inline const std::string kArcText =
    "\x82\xCC\x89\x7E\x8C\xCA\x82\xF0\x95\x60\x89\xE6\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";

// Q name Q tail.
inline std::string Named(const std::string& name, const std::string& tail) { return "\"" + name + "\"" + tail; }

// The frame's scaling, written from its definition: half away from zero.
struct Scales {
    double x = 1, y = 1, thickness = 1;
    int32_t X(int32_t v) const { return static_cast<int32_t>(std::lround(v * x)); }
    int32_t Y(int32_t v) const { return static_cast<int32_t>(std::lround(v * y)); }
    int32_t W(int32_t v) const { return static_cast<int32_t>(std::lround(v * thickness)); }
};

// One outline element as the tests compare it.
struct Element {
    uint32_t type;
    int32_t x, y, x2, y2;
    bool operator==(const Element&) const = default;
};

// Of a DiagramInfo or a factor's outline slot.
template <class Outline>
std::vector<Element> Elements(const Outline& outline) {
    std::vector<Element> out;
    for (uint32_t i = 0; i < outline.GetCount(); ++i) {
        const DiagramInfoFactor& e = outline[i];
        out.push_back({e.Type, e.X, e.Y, e.X2, e.Y2});
    }
    return out;
}

inline void PrintTo(const Element& e, std::ostream* os) {
    *os << "{" << e.type << ": " << e.x << "," << e.y << " / " << e.x2 << "," << e.y2 << "}";
}

// A document of its own per test, with the raster library started (and
// started again afterwards, in case a test stopped it) and the default
// renderer's counters back at zero.
class ShapeDocumentTest : public ::testing::Test {
protected:
    void SetUp() override { InitRasterLibrary(1); }
    void TearDown() override {
        InitRasterLibrary(1);
        const RenderContext& context = DefaultDocumentRenderer().Context();
        EXPECT_EQ(context.ForeachDepth, 0);
        EXPECT_EQ(context.GhostDepth, 0);
        EXPECT_EQ(context.RenderDepth, 0);
    }

    // Adds the object, replacing one of the same name.
    QDXObject& Add(const std::string& name, const std::string& text) {
        m_doc.DeleteObject(name.c_str());
        EXPECT_TRUE(m_doc.AddObjectFromText(name.c_str(), text.c_str())) << text;
        auto* element = m_doc.Objects.Find(name.c_str());
        if (element == nullptr) throw std::string("no object ") + name;
        return element->GetValue();
    }

    // Draws the object; the messages go to m_text.
    bool Draw(QDXObject& object, bool fast = false) {
        m_text.SetLength(0);
        return object.Render(fast, &m_text);
    }
    std::string Text() const { return m_text.GetText(); }

    CQDXCtrl m_doc;
    CStr_base<64> m_text;
};

}  // namespace shape_render_test
