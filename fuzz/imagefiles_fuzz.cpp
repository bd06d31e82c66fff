// libFuzzer target over every RCG reader and the BMP reader.
//
// Each input is tried as:
//   (a) an RCG record (types 1, 2 and the stream containers 5, 6) for DecodeRcg;
//   (b) an RCG container file: ReadRcgFrame for records 0 and 1, and each
//       record read goes to DecodeRcg and to the legacy decoder;
//   (c) a legacy RCG record or legacy stream container for DecodeRcgLegacy;
//   (d) a BMP file for CSprite::LoadBMP.
// Whatever decodes is coded again with RcgEncodeRecord at level 1 and must
// decode to the same pixels. A mismatch aborts; the sanitizers catch memory
// faults and undefined behaviour.
//
// Seeds: run once with OC_FUZZ_WRITE_SEEDS=<folder> to write small valid
// records and containers (made by the encoder, the legacy ones by hand) and a
// 2 x 2 BMP into that folder; the program then exits.
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "imagefiles/rcg/RcgContainer.h"
#include "imagefiles/rcg/RcgEncoder.h"
#include "imagefiles/rcg/RcgLegacy.h"
#include "imagefiles/rcg/RcgRecord.h"
#include "imagefiles/rcg/RcgStreams.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"
#include "tests/imagefiles/rcg/RcgTestSupport.h"

namespace {

// Canvases above this are only slow to fill, not more interesting: the size
// checks themselves are reached by the refused sizes, which cost nothing.
constexpr uint64_t kMaxPixels = 1u << 20;
// Re-encoding is the slow step; it is checked on smaller images only.
constexpr uint64_t kMaxRoundTripPixels = 1u << 16;
// A stream container claiming a larger record is refused only by the allocator.
constexpr uint32_t kMaxInner = 16u << 20;

std::string g_path;

bool Fits(int64_t width, int64_t height) {
    if (width < 0 || height < 0) return true;  // refused at once
    if (!IsSpriteSizeAllowed(static_cast<int32_t>(width), static_cast<int32_t>(height))) return true;
    return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) <= kMaxPixels;
}

// A current record (or stream container) whose canvas is worth decoding.
bool CurrentRecordFits(const uint8_t* data, size_t size) {
    if (size < kRcgHeaderSize) return true;
    if (!Fits(static_cast<int32_t>(RcgGet32(data + 4)), static_cast<int32_t>(RcgGet32(data + 8)))) return false;
    if ((RcgGet16(data + 12) & kRcgTypeStreamFlag) && size >= kRcgContainerHeaderSize &&
        RcgGet32(data + 14) > kMaxInner) {
        return false;
    }
    return true;
}

bool LegacyRecordFits(const uint8_t* data, size_t size) {
    return size < kRcgLegacyHeaderSize || Fits(RcgGet16(data + 4), RcgGet16(data + 6));
}

// Codes the sprite at level 1 and decodes the record: the pixels must come back.
void CheckRoundTrip(const CSprite& sprite) {
    const uint64_t pixels = static_cast<uint64_t>(sprite.GetWidth()) * static_cast<uint64_t>(sprite.GetHeight());
    if (pixels == 0 || pixels > kMaxRoundTripPixels) return;
    CMemoryBlock<unsigned char> record;
    if (!RcgEncodeRecord(record, sprite, kRcgTypeArgb, 1)) std::abort();
    CSprite back;
    if (DecodeRcg(back, record.GetBuffer(), record.GetCount()) != 0) std::abort();
    if (back.GetWidth() != sprite.GetWidth() || back.GetHeight() != sprite.GetHeight()) std::abort();
    for (int32_t y = 0; y < sprite.GetHeight(); ++y) {
        if (std::memcmp(back.PixelAt(0, y), sprite.PixelAt(0, y), static_cast<size_t>(sprite.GetWidth()) * 4) != 0) {
            std::abort();
        }
    }
}

void DecodeCurrent(const uint8_t* data, size_t size) {
    if (!CurrentRecordFits(data, size)) return;
    CSprite sprite;
    if (DecodeRcg(sprite, data, static_cast<uint32_t>(size)) == 0) CheckRoundTrip(sprite);
}

void DecodeLegacy(const uint8_t* data, size_t size) {
    if (!LegacyRecordFits(data, size)) return;
    CSprite sprite;
    if (DecodeRcgLegacy(sprite, data, static_cast<uint32_t>(size)) == 0) CheckRoundTrip(sprite);
}

bool WriteInput(const uint8_t* data, size_t size) {
    FILE* f = std::fopen(g_path.c_str(), "wb");
    if (f == nullptr) return false;
    const bool ok = std::fwrite(data, 1, size, f) == size;
    return std::fclose(f) == 0 && ok;
}

void ReadFrames() {
    for (int32_t index = 0; index < 2; ++index) {
        CMemoryBlock<unsigned char> record;
        const int32_t form = ReadRcgFrame(record, g_path.c_str(), index);
        if (form == kRcgFrameNone) {
            if (record.GetBuffer() != nullptr) std::abort();  // failure leaves the block empty
            continue;
        }
        if (form != kRcgFrameRcg1 && form != kRcgFrameRcg2) std::abort();
        if (record.GetCount() <= 4 || RcgGet32(record.GetBuffer()) != record.GetCount()) std::abort();
        // An exact copy, so a read beyond the record is caught.
        std::vector<uint8_t> copy(record.GetBuffer(), record.GetBuffer() + record.GetCount());
        record.Free();
        DecodeCurrent(copy.data(), copy.size());
        DecodeLegacy(copy.data(), copy.size());
    }
}

void LoadBmpFile() {
    CSprite sprite;
    if (sprite.LoadBMP(g_path.c_str())) CheckRoundTrip(sprite);
}

// ---- Seeds ----

void WriteSeed(const std::string& folder, const char* name, const std::vector<uint8_t>& bytes) {
    const std::string path = folder + "/" + name;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (f == nullptr || std::fwrite(bytes.data(), 1, bytes.size(), f) != bytes.size()) std::abort();
    std::fclose(f);
}

CSprite Picture(int32_t w, int32_t h, uint32_t seed) {
    CSprite s;
    if (!s.Create(w, h, false)) std::abort();
    uint32_t noise = seed;
    for (int32_t y = 0; y < h; ++y) {
        for (int32_t x = 0; x < w; ++x) {
            noise = noise * 1103515245u + 12345u;
            const uint32_t flat = (x < w / 2) ? 0xFF2040C0u : 0x80FFFFFFu;
            const uint32_t ramp = 0xFF000000u | (static_cast<uint32_t>(x * 255 / (w > 1 ? w - 1 : 1)) << 16) |
                                  (static_cast<uint32_t>(y * 255 / (h > 1 ? h - 1 : 1)) << 8);
            *s.PixelAt(x, y) = (y < h / 3) ? flat : (y < 2 * h / 3) ? ramp : (noise >> 8) | (noise & 0xFF000000u);
        }
    }
    return s;
}

std::vector<uint8_t> Encoded(const CSprite& s, uint16_t type, int32_t level) {
    CMemoryBlock<unsigned char> record;
    if (!RcgEncodeRecord(record, s, type, level)) std::abort();
    return std::vector<uint8_t>(record.GetBuffer(), record.GetBuffer() + record.GetCount());
}

const CSprite* PairGetter(const void* items, uint32_t index) {
    return index < 2 ? static_cast<const CSprite*>(items) + index : nullptr;
}

void Put(std::vector<uint8_t>& v, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) v.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

// A legacy stream container (type 6, 4 x 3 pixels) of the streams given.
std::vector<uint8_t> LegacyContainer(const std::vector<std::vector<uint8_t>>& streams, uint16_t layout,
                                     uint32_t rebuilt, uint8_t coding) {
    constexpr uint32_t kUnits[16] = {1, 1, 2, 1, 2, 1, 1, 1, 1, 2, 1, 2, 1, 1, 1, 1};
    std::vector<uint8_t> c;
    Put(c, 0, 4);
    Put(c, 4, 2);
    Put(c, 3, 2);
    Put(c, 6, 2);
    Put(c, rebuilt, 4);
    Put(c, layout, 2);
    std::vector<uint8_t> data;
    for (size_t i = 0; i < streams.size(); ++i) {
        const uint32_t unit = (i == 12 && layout == 0) ? 4 : kUnits[i];
        const std::vector<uint8_t> stored = rcg_test::LegacyCodedStream(streams[i], coding, unit);
        c.push_back(coding);
        Put(c, static_cast<uint32_t>(stored.size()), 4);
        Put(c, static_cast<uint32_t>(streams[i].size()), 4);
        data.insert(data.end(), stored.begin(), stored.end());
    }
    c.insert(c.end(), data.begin(), data.end());
    const uint32_t size = static_cast<uint32_t>(c.size());
    for (int i = 0; i < 4; ++i) c[i] = static_cast<uint8_t>(size >> (8 * i));
    return c;
}

void WriteSeeds(const std::string& folder) {
    const CSprite small = Picture(2, 2, 1);
    const CSprite medium = Picture(12, 9, 2);
    WriteSeed(folder, "raw-2x2.rcgrec", Encoded(small, kRcgTypeArgb, 0));
    WriteSeed(folder, "blocks-12x9.rcgrec", Encoded(medium, kRcgTypeArgb, 1));
    WriteSeed(folder, "blocks-rgb-12x9.rcgrec", Encoded(medium, kRcgTypeRgb, 1));
    WriteSeed(folder, "streams-12x9.rcgrec", Encoded(medium, kRcgTypeArgb, 3));

    // Containers: "RCG2" with two records, one with none, and an "RCG1".
    const CSprite pair[2] = {Picture(3, 2, 3), Picture(4, 4, 4)};
    const std::string two = folder + "/two.rcg";
    if (!SaveRcgFile(two.c_str(), pair, 2, kRcgTypeArgb, PairGetter, 1)) std::abort();
    const std::string none = folder + "/empty.rcg";
    if (!SaveRcgFile(none.c_str(), pair, 0, kRcgTypeArgb, PairGetter, 1)) std::abort();
    {
        const std::vector<uint8_t> record = Encoded(small, kRcgTypeArgb, 1);
        std::vector<uint8_t> old = {'R', 'C', 'G', '1', '1'};
        Put(old, 1, 2);
        Put(old, 11, 4);
        old.insert(old.end(), record.begin(), record.end());
        WriteSeed(folder, "old.rcg", old);
    }

    // Legacy record: a load of two colours, bits, a run at an index.
    std::vector<uint8_t> legacy;
    Put(legacy, 0, 4);
    Put(legacy, 4, 2);
    Put(legacy, 3, 2);
    Put(legacy, 2, 2);
    legacy.push_back(0x02);
    Put(legacy, 0xFF102030u, 4);
    Put(legacy, 0x80405060u, 4);
    legacy.push_back(8);
    legacy.push_back(0xA5);
    legacy.push_back(0x91);
    legacy.push_back(1);
    legacy.push_back(4);
    legacy[0] = static_cast<uint8_t>(legacy.size());
    WriteSeed(folder, "legacy.rcgrec", legacy);
    // The same record as legacy stream containers: whole colours under each
    // coding, and colour planes.
    const std::vector<uint8_t> colours = {0x30, 0x20, 0x10, 0xFF, 0x60, 0x50, 0x40, 0x80};
    const std::vector<std::vector<uint8_t>> whole = {{0x02, 0x91}, {1}, {}, {8, 4}, {}, {0xA5}, {},
                                                     {},           {},  {}, {},     {}, colours};
    for (uint8_t coding = 0; coding <= 5; ++coding) {
        const std::string name = "legacy-streams-" + std::to_string(coding) + ".rcgrec";
        WriteSeed(folder, name.c_str(), LegacyContainer(whole, 0, static_cast<uint32_t>(legacy.size()), coding));
    }
    std::vector<std::vector<uint8_t>> planar = whole;
    planar[12] = {0x10, 0x40};  // red
    planar.push_back({0x20, 0x50});  // green
    planar.push_back({0x30, 0x60});  // blue
    planar.push_back({0xFF, 0x80});  // alpha
    WriteSeed(folder, "legacy-planes.rcgrec", LegacyContainer(planar, 1, static_cast<uint32_t>(legacy.size()), 5));

    // A 2 x 2 32-bit BMP, bottom-up.
    std::vector<uint8_t> bmp = {'B', 'M'};
    Put(bmp, 54 + 16, 4);
    Put(bmp, 0, 4);
    Put(bmp, 54, 4);
    Put(bmp, 40, 4);
    Put(bmp, 2, 4);
    Put(bmp, 2, 4);
    Put(bmp, 1, 2);
    Put(bmp, 32, 2);
    Put(bmp, 0, 4);
    Put(bmp, 16, 4);
    Put(bmp, 2835, 4);
    Put(bmp, 2835, 4);
    Put(bmp, 0, 4);
    Put(bmp, 0, 4);
    for (uint32_t px : {0xFF0000FFu, 0x8000FF00u, 0x00FF0000u, 0xFFFFFFFFu}) Put(bmp, px, 4);
    WriteSeed(folder, "2x2.bmp", bmp);
}

void RemoveTempFile() {
    if (!g_path.empty()) std::remove(g_path.c_str());
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InitRasterLibrary(1);
    if (const char* folder = std::getenv("OC_FUZZ_WRITE_SEEDS")) {
        WriteSeeds(folder);
        std::exit(0);
    }
    char pattern[] = "/tmp/imagefiles_fuzz_XXXXXX";
    const int fd = mkstemp(pattern);
    if (fd < 0) std::abort();
    close(fd);
    g_path = pattern;
    std::atexit(RemoveTempFile);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    DecodeCurrent(data, size);
    DecodeLegacy(data, size);
    if (WriteInput(data, size)) {
        ReadFrames();
        LoadBmpFile();
    }
    return 0;
}
