// The vector rows of the compositing kernels (SSE2, and AVX2 where the
// processor has it) against the per-pixel rule they stand beside.
//
// The per-pixel rule is the member itself drawn one column at a time: a row of
// one pixel is too short for any vector step, so only the scalar rule runs.
// Every row function is then run on its own over the same pixels, in runs of
// every length from 0 up (so every tail shorter than a vector occurs), and the
// member is drawn whole, which takes whatever rows this processor chooses.
// The scenes: every (source alpha, destination alpha) pair with random
// colours, the same pairs in runs of 8 (whole vectors of opaque, transparent
// or equal alphas, which take the rows' shortcuts), every pair of colour bytes
// under a set of alphas, and random pixels whose bytes are often 0 or 255.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "raster/blend/ArithRules.h"
#include "tests/raster/blend/BlendTestSupport.h"

namespace {

using namespace blend_test;
using blend::Form;

constexpr int32_t kWidth = 259;  // not a multiple of any vector step

// Draws columns x .. x + w - 1 of the whole source onto the target.
using ColumnDraw = std::function<void(CSprite& target, const CSprite& source, int32_t x, int32_t w)>;
// A row function: does a leading part of the n pixels and returns its length.
using RowFn = std::function<int32_t(uint32_t* d, const uint32_t* s, int32_t n)>;

struct NamedRow {
    std::string name;
    int32_t step;  // pixels per vector step
    RowFn row;
};

struct RowCase {
    std::string name;
    ColumnDraw draw;
    std::vector<NamedRow> rows;
};

// A scene: source and destination pixels kWidth wide.
struct Scene {
    std::string name;
    std::vector<uint32_t> source, target;
};

uint32_t Biased(std::mt19937& rng) {
    uint32_t p = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        uint32_t b = rng() & 0xFF;
        switch (rng() & 7) {
            case 0: b = 0; break;
            case 1: b = 255; break;
            default: break;
        }
        p |= b << shift;
    }
    return p;
}

std::vector<Scene> Scenes() {
    std::mt19937 rng(11);
    std::vector<Scene> scenes;
    auto padded = [](Scene s) {
        while (s.source.size() % kWidth != 0) {
            s.source.push_back(0x80808080u);
            s.target.push_back(0x80808080u);
        }
        return s;
    };
    // Every alpha pair, each `repeat` times in a row.
    for (int32_t repeat : {1, 8}) {
        Scene s{"alpha pairs x" + std::to_string(repeat), {}, {}};
        for (uint32_t i = 0; i < 65536u * repeat; ++i) {
            const uint32_t pair = i / repeat;
            s.source.push_back((rng() & 0x00FFFFFFu) | (pair & 0xFF) << 24);
            s.target.push_back((rng() & 0x00FFFFFFu) | (pair >> 8) << 24);
        }
        scenes.push_back(padded(std::move(s)));
    }
    // Every pair of colour bytes (source x, destination y in all three
    // channels) under alphas where the rules change course.
    const uint32_t alphas[][2] = {{255, 255}, {255, 128}, {128, 255}, {128, 1}, {1, 254}, {255, 0}};
    for (const auto [sA, dA] : alphas) {
        Scene s{"colour pairs sA " + std::to_string(sA) + " dA " + std::to_string(dA), {}, {}};
        for (uint32_t i = 0; i < 65536u; ++i) {
            s.source.push_back((sA << 24) | (i & 0xFF) * 0x010101u);
            s.target.push_back((dA << 24) | (i >> 8) * 0x010101u);
        }
        scenes.push_back(padded(std::move(s)));
    }
    Scene random{"random", {}, {}};
    for (int i = 0; i < kWidth * 400; ++i) {
        random.source.push_back(Biased(rng));
        random.target.push_back(Biased(rng));
    }
    scenes.push_back(std::move(random));
    return scenes;
}

void ToSprite(CSprite& sprite, const std::vector<uint32_t>& pixels) {
    Make(sprite, kWidth, static_cast<int32_t>(pixels.size() / kWidth));
    for (size_t i = 0; i < pixels.size(); ++i)
        *sprite.PixelAt(static_cast<int32_t>(i % kWidth), static_cast<int32_t>(i / kWidth)) = pixels[i];
}

// The first few differing pixels, with their inputs.
void ExpectSame(const std::vector<uint32_t>& got, const std::vector<uint32_t>& expected, const Scene& scene,
                const std::string& what) {
    int failures = 0;
    for (size_t i = 0; i < got.size() && failures < 4; ++i) {
        if (got[i] == expected[i]) continue;
        ++failures;
        ADD_FAILURE() << what << ", " << scene.name << ", pixel " << i << std::hex << ": source 0x" << scene.source[i]
                      << " destination 0x" << scene.target[i] << " gave 0x" << got[i] << ", expected 0x"
                      << expected[i];
    }
}

void ExpectRowsFollowTheRule(const RowCase& c) {
    for (const Scene& scene : Scenes()) {
        CSprite source, target;
        ToSprite(source, scene.source);
        ToSprite(target, scene.target);

        // The rule, one column at a time.
        CSprite ruled;
        CopyState(target, ruled);
        for (int32_t x = 0; x < kWidth; ++x) c.draw(ruled, source, x, 1);
        const std::vector<uint32_t> expected = Pixels(ruled);

        CSprite whole;
        CopyState(target, whole);
        c.draw(whole, source, 0, kWidth);
        ExpectSame(Pixels(whole), expected, scene, c.name + " drawn whole");

        for (const NamedRow& r : c.rows) {
            // Runs of 0, 1, 2, ... pixels over the scene's pixels in order; the
            // pixels a row leaves (fewer than one step) take the rule's values.
            std::vector<uint32_t> d = scene.target;
            const int32_t total = static_cast<int32_t>(d.size());
            int32_t length = 0;
            bool shortRow = false;
            for (int32_t i = 0; i < total; i += length, length = (length + 1) % 41) {
                const int32_t n = std::min(length, total - i);
                const int32_t done = r.row(d.data() + i, scene.source.data() + i, n);
                if (done < 0 || done > n || done % r.step != 0 || n - done >= r.step) shortRow = true;
                for (int32_t k = std::max(done, 0); k < n; ++k) d[i + k] = expected[i + k];
            }
            EXPECT_FALSE(shortRow) << r.name << " did a wrong number of pixels";
            ExpectSame(d, expected, scene, c.name + " by " + r.name);
        }
    }
}

// The SSE2 row and, where the processor has it, the AVX2 row.
std::vector<NamedRow> Rows([[maybe_unused]] NamedRow sse2, [[maybe_unused]] RowFn avx2) {
    std::vector<NamedRow> rows;
#if defined(__SSE2__)
    rows.push_back(std::move(sse2));
#endif
#if defined(OC_BLEND_AVX2)
    if (blend::avx2::Available()) rows.push_back({"AVX2", 8, std::move(avx2)});
#endif
    return rows;
}

class VectorRowsTest : public KernelTest {};

#if defined(OC_BLEND_AVX2)
#define OC_AVX2_ROW(...) [=](uint32_t* d, const uint32_t* s, int32_t n) { return blend::avx2::__VA_ARGS__; }
#else
#define OC_AVX2_ROW(...) RowFn{}
#endif

TEST_F(VectorRowsTest, SourceOverRowsFollowTheRule) {
    using blend::SourceOverRowSse2;
    ExpectRowsFollowTheRule(
        {"DrawAlpha",
         [](CSprite& t, const CSprite& s, int32_t x, int32_t w) { t.DrawAlpha(x, 0, s, x, 0, w, s.GetHeight()); },
         Rows({"SSE2", 4, [](uint32_t* d, const uint32_t* s, int32_t n) { return SourceOverRowSse2<false>(d, s, n, 0); }},
              OC_AVX2_ROW(SourceOverRow(d, s, n)))});
    for (uint32_t opacity : {1u, 128u, 254u}) {
        SCOPED_TRACE(opacity);
        ExpectRowsFollowTheRule(
            {"DrawAlphaOpacity",
             [=](CSprite& t, const CSprite& s, int32_t x, int32_t w) {
                 t.DrawAlphaOpacity(x, 0, s, x, 0, w, s.GetHeight(), static_cast<uint8_t>(opacity));
             },
             Rows({"SSE2", 4,
                   [=](uint32_t* d, const uint32_t* s, int32_t n) { return SourceOverRowSse2<true>(d, s, n, opacity); }},
                  OC_AVX2_ROW(SourceOverOpacityRow(d, s, n, opacity)))});
    }
}

TEST_F(VectorRowsTest, MulImmediateRowsFollowTheRule) {
    using blend::arith::MulImmediateRowSse2;
    ExpectRowsFollowTheRule(
        {"BlendMulImmediate",
         [](CSprite& t, const CSprite& s, int32_t x, int32_t w) { t.BlendMulImmediate(x, 0, s, x, 0, w, s.GetHeight()); },
         Rows({"SSE2", 4, [](uint32_t* d, const uint32_t* s, int32_t n) { return MulImmediateRowSse2<Form::Full>(d, s, n); }},
              OC_AVX2_ROW(MulImmediateRow(d, s, n, false)))});
    ExpectRowsFollowTheRule(
        {"BlendMulCImmediate",
         [](CSprite& t, const CSprite& s, int32_t x, int32_t w) { t.BlendMulCImmediate(x, 0, s, x, 0, w, s.GetHeight()); },
         Rows({"SSE2", 4, [](uint32_t* d, const uint32_t* s, int32_t n) { return MulImmediateRowSse2<Form::C>(d, s, n); }},
              OC_AVX2_ROW(MulImmediateRow(d, s, n, true)))});
}

TEST_F(VectorRowsTest, MulMergeRowsFollowTheRule) {
    using blend::arith::MulMergeRowSse2;
    ExpectRowsFollowTheRule(
        {"BlendMulMerge",
         [](CSprite& t, const CSprite& s, int32_t x, int32_t w) { t.BlendMulMerge(x, 0, s, x, 0, w, s.GetHeight()); },
         Rows({"SSE2", 4,
               [](uint32_t* d, const uint32_t* s, int32_t n) { return MulMergeRowSse2<Form::Full, false>(d, s, n, 255); }},
              OC_AVX2_ROW(MulMergeRow(d, s, n, false)))});
    ExpectRowsFollowTheRule(
        {"BlendMulCMerge",
         [](CSprite& t, const CSprite& s, int32_t x, int32_t w) { t.BlendMulCMerge(x, 0, s, x, 0, w, s.GetHeight()); },
         Rows({"SSE2", 4,
               [](uint32_t* d, const uint32_t* s, int32_t n) { return MulMergeRowSse2<Form::C, false>(d, s, n, 255); }},
              OC_AVX2_ROW(MulMergeRow(d, s, n, true)))});
    for (uint32_t opacity : {1u, 128u, 254u}) {
        SCOPED_TRACE(opacity);
        const auto o = static_cast<uint8_t>(opacity);
        ExpectRowsFollowTheRule(
            {"BlendMulMergeOpacity",
             [=](CSprite& t, const CSprite& s, int32_t x, int32_t w) {
                 t.BlendMulMergeOpacity(x, 0, s, x, 0, w, s.GetHeight(), o);
             },
             Rows({"SSE2", 4,
                   [=](uint32_t* d, const uint32_t* s, int32_t n) {
                       return MulMergeRowSse2<Form::Full, true>(d, s, n, opacity);
                   }},
                  OC_AVX2_ROW(MulMergeOpacityRow(d, s, n, false, opacity)))});
        ExpectRowsFollowTheRule(
            {"BlendMulCMergeOpacity",
             [=](CSprite& t, const CSprite& s, int32_t x, int32_t w) {
                 t.BlendMulCMergeOpacity(x, 0, s, x, 0, w, s.GetHeight(), o);
             },
             Rows({"SSE2", 4,
                   [=](uint32_t* d, const uint32_t* s, int32_t n) {
                       return MulMergeRowSse2<Form::C, true>(d, s, n, opacity);
                   }},
                  OC_AVX2_ROW(MulMergeOpacityRow(d, s, n, true, opacity)))});
    }
}

TEST_F(VectorRowsTest, AddAndSubImmediateRowsFollowTheRule) {
    using blend::arith::SelectRowSse2;
    using blend::arith::VectorOp;
    constexpr uint32_t kAll = 0xFFFFFFFFu;
    constexpr uint32_t kAlpha = 0xFF000000u;
    struct Member {
        const char* name;
        void (CSprite::*member)(int32_t, int32_t, const CSprite&, int32_t, int32_t, int32_t, int32_t);
        bool subtract;
        uint32_t keepAlways;
    } members[] = {
        {"BlendAddImmediate", &CSprite::BlendAddImmediate, false, 0},
        {"BlendAddCImmediate", &CSprite::BlendAddCImmediate, false, kAlpha},
        {"BlendSubImmediate", &CSprite::BlendSubImmediate, true, 0},
        {"BlendSubCImmediate", &CSprite::BlendSubCImmediate, true, kAlpha},
    };
    for (const Member& m : members) {
        const uint32_t keep = m.keepAlways;
        RowFn sse2 = m.subtract ? RowFn([=](uint32_t* d, const uint32_t* s, int32_t n) {
            return SelectRowSse2<VectorOp::SubClamp>(d, s, n, kAll, keep);
        })
                                : RowFn([=](uint32_t* d, const uint32_t* s, int32_t n) {
                                      return SelectRowSse2<VectorOp::AddSaturate>(d, s, n, kAll, keep);
                                  });
        RowFn avx2 = m.subtract ? RowFn(OC_AVX2_ROW(SubClampRow(d, s, n, keep)))
                                : RowFn(OC_AVX2_ROW(AddSaturateRow(d, s, n, keep)));
        const auto member = m.member;
        ExpectRowsFollowTheRule(
            {m.name,
             [=](CSprite& t, const CSprite& s, int32_t x, int32_t w) { (t.*member)(x, 0, s, x, 0, w, s.GetHeight()); },
             Rows({"SSE2", 4, sse2}, avx2)});
    }
}

}  // namespace
