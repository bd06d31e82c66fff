#pragma once
// Shared pieces of the renderer tests: the messages spelled out on their own
// (code page 932), a raster start, stand-in branches that record the frame a
// kind's branch receives, and documents built from object texts.
//
// Most factor kinds have no drawing of their own yet, so the tests put a
// stand-in branch in place of a kind (BranchOverride) for as long as a test
// runs: Capture records the prepared frame, Paint fills the factor's rectangle
// (x0, y0, x1 wide, y1 high) with its first colour made opaque.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "document/model/QDXCtrl.h"
#include "document/renderer/FactorFrame.h"
#include "document/renderer/ObjectRender.h"
#include "document/renderer/RenderTable.h"
#include "document/text/Text128Codec.h"
#include "foundation/containers/MemoryBlock.h"
#include "imagefiles/ImageFiles.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/RasterScratch.h"

namespace rendertest {

// Every pixel of a sprite, row after row.
inline std::vector<uint32_t> PixelsOf(const CSprite& s) {
    std::vector<uint32_t> out;
    for (int32_t y = 0; y < s.GetHeight(); ++y)
        for (int32_t x = 0; x < s.GetWidth(); ++x) out.push_back(*s.PixelAt(x, y));
    return out;
}

// to becomes a pixel-for-pixel copy of from.
inline void CopyCanvas(const CSprite& from, CSprite& to) {
    to.Release();
    ASSERT_TRUE(to.Create(from.GetWidth(), from.GetHeight(), false));
    for (int32_t y = 0; y < from.GetHeight(); ++y)
        for (int32_t x = 0; x < from.GetWidth(); ++x) *to.PixelAt(x, y) = *from.PixelAt(x, y);
}

// "に指定されている"
inline const std::string kSpecifiedIn = "\x82\xC9\x8Ew\x92\xE8\x82\xB3\x82\xEA\x82\xC4\x82\xA2\x82\xE9";
// "が見つかりません。\n"
inline const std::string kNotFound = "\x82\xAA\x8C\xA9\x82\xC2\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "の参照番号が無効です。\n"
inline const std::string kInvalidReference =
    "\x82\xCC\x8EQ\x8F\xC6\x94\xD4\x8D\x86\x82\xAA\x96\xB3\x8C\xF8\x82\xC5\x82\xB7\x81\x42\n";
// "の描画に失敗しました。\n"
inline const std::string kDrawFailed = "\x82\xCC\x95`\x89\xE6\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\n";
// "メモリの確保に失敗しました。\n"
inline const std::string kCanvasMemory =
    "\x83\x81\x83\x82\x83\x8A\x82\xCC\x8Am\x95\xDB\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\n";
// "のゴースト処理が複雑すぎます。\n"
inline const std::string kGhostTooDeep =
    "\x82\xCC\x83S\x81[\x83X\x83g\x8F\x88\x97\x9D\x82\xAA\x95\xA1\x8EG\x82\xB7\x82\xAC\x82\xDC\x82\xB7\x81\x42\n";
// "のゴースト処理に失敗しました。\n"
inline const std::string kGhostFailed =
    "\x82\xCC\x83S\x81[\x83X\x83g\x8F\x88\x97\x9D\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\n";
// "が描画できません。\n"
inline const std::string kCannotDraw = "\x82\xAA\x95`\x89\xE6\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "と"
inline const std::string kAnd = "\x82\xC6";
// "が循環参照しているため描画できません。\n"
inline const std::string kCyclic =
    "\x82\xAA\x8Fz\x8A\xC2\x8EQ\x8F\xC6\x82\xB5\x82\xC4\x82\xA2\x82\xE9\x82\xBD\x82\xDF\x95`\x89\xE6\x82\xC5\x82\xAB"
    "\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "の描画方法がわかりません。\n"
inline const std::string kUnknownKind =
    "\x82\xCC\x95`\x89\xE6\x95\xFB\x96@\x82\xAA\x82\xED\x82\xA9\x82\xE8\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "ゴーストの作成に失敗しました。\n"
inline const std::string kGhostCreate =
    "\x83S\x81[\x83X\x83g\x82\xCC\x8D\xEC\x90\xAC\x82\xC9\x8E\xB8\x94s\x82\xB5\x82\xDC\x82\xB5\x82\xBD\x81\x42\n";
// "マスク制御を行うオブジェクトを捕捉できません(現在ゴースト非対応)\n"
inline const std::string kMaskNotGhosted =
    "\x83}\x83X\x83N\x90\xA7\x8C\xE4\x82\xF0\x8Ds\x82\xA4\x83I\x83u\x83W\x83\x46\x83N\x83g\x82\xF0\x95\xDF\x91\xA8"
    "\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1(\x8C\xBB\x8D\xDD\x83S\x81[\x83X\x83g\x94\xF1\x91\xCE\x89\x9E)\n";
// "メモリが不足しているため、描画できません\n"
inline const std::string kNoMemoryToDraw =
    "\x83\x81\x83\x82\x83\x8A\x82\xAA\x95s\x91\xAB\x82\xB5\x82\xC4\x82\xA2\x82\xE9\x82\xBD\x82\xDF\x81\x41\x95`\x89\xE6"
    "\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\n";
// "の描画の入れ子が深すぎるため、描画できません。\n"
inline const std::string kRenderTooDeep =
    "\x82\xCC\x95`\x89\xE6\x82\xCC\x93\xFC\x82\xEA\x8Eq\x82\xAA\x90[\x82\xB7\x82\xAC\x82\xE9\x82\xBD\x82\xDF\x81\x41"
    "\x95`\x89\xE6\x82\xC5\x82\xAB\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";
// "の画像データを読み込めません。\n"
inline const std::string kImageUnreadable =
    "\x82\xCC\x89\xE6\x91\x9C\x83\x66\x81[\x83^\x82\xF0\x93\xC7\x82\xDD\x8D\x9E\x82\xDF\x82\xDC\x82\xB9\x82\xF1\x81\x42\n";

inline std::string Quoted(const std::string& name) { return "\"" + name + "\""; }
// Q factor Q "に指定されている" Q object Q tail
inline std::string FactorNames(const std::string& factor, const std::string& object, const std::string& tail) {
    return Quoted(factor) + kSpecifiedIn + Quoted(object) + tail;
}
inline std::string Cyclic(const std::string& factor, const std::string& object) {
    return Quoted(factor) + kAnd + Quoted(object) + kCyclic;
}

inline size_t CountOf(const std::string& text, const std::string& piece) {
    size_t n = 0;
    for (size_t at = text.find(piece); at != std::string::npos; at = text.find(piece, at + 1)) ++n;
    return n;
}

inline void StartRaster() {
    if (RasterPixelMode != 1) {
        ASSERT_TRUE(InitRasterLibrary(1));
    }
}

// What a stand-in branch saw of one factor draw.
struct SeenFrame {
    std::string factor;  // the factor's own name
    std::string object;  // the object whose list the call indexes
    std::string source;  // the source object's name, empty when none
    bool fast = false;
    int32_t level = -1;
    int32_t x[5] = {};
    int32_t y[5] = {};
    int32_t w = 0;
    uint32_t c[4] = {};
    uint8_t opacity = 0;
    std::string templates[4];  // the call's template arguments ("-" when absent)
};

inline std::vector<SeenFrame> g_seen;

inline bool Capture(FactorFrame& frame) {
    SeenFrame seen;
    seen.factor = frame.Name();
    seen.object = frame.Call.Object != nullptr ? frame.Call.Object->Name.GetText() : "";
    seen.source = frame.Source != nullptr ? frame.Source->Name.GetText() : "";
    seen.fast = frame.Fast;
    seen.level = frame.Level;
    for (int i = 0; i < 5; ++i) {
        seen.x[i] = frame.X[i];
        seen.y[i] = frame.Y[i];
    }
    seen.w = frame.W;
    for (int i = 0; i < 4; ++i) {
        seen.c[i] = frame.C[i];
        seen.templates[i] = frame.Call.TemplateArgs != nullptr ? frame.Call.TemplateArgs[i].GetText() : "-";
    }
    seen.opacity = frame.Opacity;
    g_seen.push_back(seen);
    return true;
}

inline bool Paint(FactorFrame& frame) {
    Capture(frame);
    frame.Canvas().FillRect(frame.X[0], frame.Y[0], frame.X[1], frame.Y[1], frame.C[0] | 0xFF000000u);
    return true;
}

inline bool Throw(FactorFrame&) { throw std::bad_alloc(); }

// A kind answered by a stand-in branch for one scope.
class BranchOverride {
public:
    BranchOverride(uint32_t kind, FactorBranch branch) : m_kind(kind), m_old(ReplaceRenderBranchForTest(kind, branch)) {}
    ~BranchOverride() { ReplaceRenderBranchForTest(m_kind, m_old); }
    BranchOverride(const BranchOverride&) = delete;
    BranchOverride& operator=(const BranchOverride&) = delete;

private:
    uint32_t m_kind;
    FactorBranch m_old;
};

// The kinds the tests take over: Fill (801, no source) paints; Copy (201, a
// source) records.
constexpr uint32_t kFillKind = 801;
constexpr uint32_t kCopyKind = 201;

// A recipe object's text: w x h over background, the factors given.
inline std::string Recipe(int w, int h, const std::string& factors, const char* background = "0") {
    return "Render(" + std::to_string(w) + "," + std::to_string(h) + "," + background + ",array(" + factors + "))";
}

// The image text of a lossless WebP of the sprite (as a bitmap object stores it).
inline std::string WebPText(const CSprite& sprite) {
    CMemoryBlock<unsigned char> bytes;
    EXPECT_TRUE(EncodeWebP(sprite, bytes, -1.0f));
    CStr_base<64> text;
    EncodeText128(text, bytes.GetBuffer(), bytes.GetCount());
    return text.GetText();
}

// The fixture of the renderer tests: a fresh document and recorded frames,
// the raster library started, and the renderer's counters checked at the end.
class RenderTest : public ::testing::Test {
protected:
    void SetUp() override {
        StartRaster();
        g_seen.clear();
    }
    void TearDown() override {
        const RenderContext& context = DefaultDocumentRenderer().Context();
        EXPECT_EQ(context.RenderDepth, 0);
        EXPECT_EQ(context.GhostDepth, 0);
        EXPECT_EQ(context.ForeachDepth, 0);
    }

    void Add(const char* name, const std::string& text) { ASSERT_TRUE(doc.AddObjectFromText(name, text.c_str())) << text; }
    QDXObject& Object(const char* name) {
        auto* element = doc.Objects.Find(name);
        if (element == nullptr) throw std::string("no object ") + name;
        return element->GetValue();
    }
    // Renders the object through the document's entry; the messages go to text.
    bool Render(const char* name, bool fast = false) {
        CStr_base<64> error;
        const bool ok = Object(name).Render(fast, &error);
        text = error.GetText();
        return ok;
    }
    uint32_t Pixel(const char* name, int32_t x, int32_t y) { return *Object(name).Canvas.PixelAt(x, y); }

    CQDXCtrl doc;
    std::string text;  // the messages of the last Render
};

#if !defined(__SANITIZE_ADDRESS__)
// Draws factor 1 of `object` through RenderFactor, with a fresh render context
// and an empty raster scratch block, after taking away all memory but a
// little (an address-space limit, then every 64 KiB block that malloc still
// gives): how a kind behaves when an allocation fails. The process has no
// memory left afterwards, so run it in a child (EXPECT_EXIT). Answers 0 when
// the factor failed with the out-of-memory message and left the canvas as it
// was; 3 when the limit could not be set; 4, 5, 6 for the failed checks.
inline int RenderSecondFactorWithoutMemory(CQDXCtrl& doc, QDXObject& object) {
    const std::vector<uint32_t> before = PixelsOf(object.Canvas);
    raster_test::ResetRasterScratch();
    RenderContext context;
    FactorCall call;
    call.Context = &context;
    call.Canvas = &object.Canvas;
    call.Document = &doc;
    call.Object = &object;
    CStr_base<64> error;
    call.ErrorText = &error;

    long pages = 0;
    if (FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld", &pages) != 1) pages = 0;
        std::fclose(f);
    }
    if (pages <= 0) return 3;
    rlimit limit{};
    getrlimit(RLIMIT_AS, &limit);
    limit.rlim_cur = static_cast<rlim_t>(pages) * 4096 + (rlim_t{512} << 10);
    if (setrlimit(RLIMIT_AS, &limit) != 0) return 3;
    void* held = nullptr;  // the blocks taken, chained through their first word
    while (void* block = std::malloc(65536)) {
        *static_cast<void**>(block) = held;
        held = block;
    }
    for (int32_t i = 0; i < 2 && held != nullptr; ++i) {  // room for the small allocations
        void* next = *static_cast<void**>(held);
        std::free(held);
        held = next;
    }
    if (RenderFactor(*object.Factors.GetAt(1), call)) return 4;
    if (std::string(error.GetText()) != kNoMemoryToDraw) return 5;
    if (PixelsOf(object.Canvas) != before) return 6;
    return 0;
}
#endif

}  // namespace rendertest
