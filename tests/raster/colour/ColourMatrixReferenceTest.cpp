// The plain colour matrix against ImageMagick's -color-matrix on a 64 x 64
// test image (gradients, noise, alpha 0 and 255 among the rest): every channel
// of every pixel within 1 level. The fixtures and the command lines are made
// by data/make_colour_matrix_fixtures.sh, which also notes ImageMagick's
// matrix layout.
//
// The matrix goes the renderer's way: written into the full extended matrix
// (value columns and constants, complements 0), reduced by
// ColorMatrix::CompactSimpleForm, folded with opacity 255 and run through the
// ApplyColorMatrix dispatcher in place.
//
// Why 1: the system truncates each channel's 16.16 sum toward zero, ImageMagick
// rounds to the nearest level (through its 16-bit quantum), so for the same
// real sum the two differ by 0 or 1. Coefficients rounded to 1/65536 and the
// constants cut to whole 1/256 levels by the opacity folding move a sum by
// less than 0.01 level.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "raster/colour/ColourMatrix.h"
#include "tests/raster/RasterTestSupport.h"

namespace colour_matrix_reference_test {

constexpr int32_t kSize = 64;

struct MatrixCase {
    const char* name;
    // Rows R, G, B, A of ImageMagick's 6 x 6 matrix; columns R, G, B, A,
    // black (unused), offset (a fraction of the full level).
    double rows[24];
};
const MatrixCase kCases[] = {
#include "tests/raster/colour/data/ColourMatrixCases.inc"
};

std::vector<uint8_t> ReadFixture(const std::string& name) {
    std::ifstream in(std::string(OC_SOURCE_DIR) + "/tests/raster/colour/data/" + name, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

int32_t Fixed(double v) { return static_cast<int32_t>(std::lround(v * 65536)); }

class ColourMatrixReferenceTest : public raster_test::ReadyLibraryTest {};

TEST_F(ColourMatrixReferenceTest, WithinOneLevelOfImageMagick) {
    const std::vector<uint8_t> input = ReadFixture("colour_matrix_in.rgba");
    ASSERT_EQ(input.size(), static_cast<size_t>(kSize * kSize * 4));
    // The shape each case must reach, so the test knows which kernel it ran.
    const struct {
        const char* name;
        int32_t count;
    } kShapes[] = {{"full", 20}, {"three", 15}};

    for (const MatrixCase& m : kCases) {
        SCOPED_TRACE(m.name);
        const std::vector<uint8_t> expected = ReadFixture(std::string("colour_matrix_") + m.name + ".rgba");
        ASSERT_EQ(expected.size(), input.size());

        int32_t full[colour_matrix::kExtendedSize] = {};
        for (int row = 0; row < 4; ++row) {
            for (int column = 0; column < 4; ++column) full[9 * row + 2 * column] = Fixed(m.rows[6 * row + column]);
            full[9 * row + 8] = Fixed(m.rows[6 * row + 5] * 255);
        }
        int32_t packed[colour_matrix::kSimpleSize] = {};
        const int32_t count = ColorMatrix::CompactSimpleForm(full, packed);
        for (const auto& s : kShapes) {
            if (std::string(s.name) == m.name) {
                EXPECT_EQ(count, s.count);
            }
        }
        ColorMatrix::ApplyOpacity(packed, count, 255);

        CSprite sprite = raster_test::Painted(kSize, kSize, [&](int32_t x, int32_t y) {
            const uint8_t* p = &input[(static_cast<size_t>(y) * kSize + x) * 4];
            return (uint32_t{p[3]} << 24) | (uint32_t{p[0]} << 16) | (uint32_t{p[1]} << 8) | p[2];
        });
        sprite.ApplyColorMatrix(0, 0, kSize, kSize, packed, count);

        int32_t worst = 0, failures = 0;
        for (int32_t y = 0; y < kSize; ++y)
            for (int32_t x = 0; x < kSize; ++x) {
                const uint32_t got = *sprite.PixelAt(x, y);
                const uint8_t* want = &expected[(static_cast<size_t>(y) * kSize + x) * 4];
                const int32_t channels[4] = {static_cast<int32_t>((got >> 16) & 0xFF),
                                             static_cast<int32_t>((got >> 8) & 0xFF),
                                             static_cast<int32_t>(got & 0xFF), static_cast<int32_t>(got >> 24)};
                for (int c = 0; c < 4; ++c) {
                    const int32_t d = std::abs(channels[c] - want[c]);
                    worst = std::max(worst, d);
                    if (d > 1 && ++failures <= 5)
                        ADD_FAILURE() << "pixel (" << x << ", " << y << ") channel " << "RGBA"[c] << ": "
                                      << channels[c] << " vs ImageMagick " << int{want[c]};
                }
            }
        EXPECT_EQ(failures, 0);
        RecordProperty(std::string("worst_") + m.name, worst);
    }
}

}  // namespace colour_matrix_reference_test
