// RCG block coder and coding levels.
//
// The block coder works in four passes over the image, seen as one array of
// width x height pixels:
//
//  1. Runs: maximal stretches of equal pixels (at most 65,500 each), found in
//     the pixels whenever a pass needs them rather than listed.
//  2. Blocks: runs are grouped greedily into the commands that can write them
//     (Run, Sequence, Two/FourColourBlock, MaskedSequence, RampBlock). Each
//     open block carries a rough cost in bits; a run joins when the block's
//     kind, possibly changed, still codes the run more cheaply than a fresh
//     block would, else the block closes.
//  3. Segments: blocks are taken in order until their colours would need more
//     than 3,072 literal dictionary entries. Colours of busy 512-colour cubes
//     (top five bits of red, green, blue, full alpha) are loaded with one
//     15-byte product load each (at most 122 cubes, dictionary 3,072 up), the
//     rest are the segment's literal dictionary (0 .. d - 1, of which the first
//     256 are also copied to the table and the first 16 to the ring).
//  4. Commands: each block picks its cheapest colour source: the dictionary at
//     the cursor when its colours are all still unindexed (they then take the
//     next indices, so no operands are needed), else the ring, the table or
//     explicit dictionary indices. Literal colours that get their index only
//     here are counted up from the table's end (cursor reads) or down from
//     d - 1 (explicit indices), so the two never meet. The dictionary's literal
//     colours are filled into the load that opens the segment once all its
//     blocks are written.
//
// The coder keeps a model of the decoder's ring so that ring indices and the
// ring's refills by the keep bit are exactly what the decoder will see.
//
// The large work buffers come from one place (AllocWork); every allocation
// failure ends in false, never in an escaping exception, so a canvas too large
// for memory is refused instead of ending the program.
#include "imagefiles/rcg/RcgEncoder.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "foundation/containers/ArrayAuto.h"
#include "imagefiles/rcg/RcgRecord.h"
#include "imagefiles/rcg/RcgStreams.h"
#include "raster/surface/sprite/RasterLibrary.h"
#include "raster/surface/sprite/Sprite.h"

namespace rcg_detail {

namespace {
uint64_t g_workAllocationLimit = 0;
}  // namespace

void SetWorkAllocationLimit(uint64_t bytes) noexcept { g_workAllocationLimit = bytes; }

}  // namespace rcg_detail

namespace {

// Makes n elements in the (empty) block; too many, or above the test limit,
// fails like an allocation failure.
template <class T>
T* AllocWork(CMemoryBlock<T>& block, uint64_t n) {
    if (n > UINT32_MAX) throw std::bad_alloc();
    const uint64_t limit = rcg_detail::g_workAllocationLimit;
    if (limit != 0 && n * sizeof(T) > limit) throw std::bad_alloc();
    return block.Alloc(static_cast<uint32_t>(n));
}

constexpr uint32_t kNone = 0xFFFFFFFFu;

// Limits of the grouping and palette rules.
constexpr uint32_t kMaxRunLength = 65500;
constexpr uint32_t kMaxBlockPixels = 65531;  // a block stays below this
constexpr uint32_t kMaxBlockColours = 3071;
constexpr uint32_t kLiteralSlots = 3072;  // literal dictionary entries per segment
constexpr uint32_t kMaxCubes = 122;       // cubes at 3,072 + 512k fill the dictionary
constexpr uint32_t kCubeMask = 0xFFF8F8F8u;

// One run of equal pixels.
struct RCGColorObj {
    uint32_t colour;
    uint32_t length;
};

// One block: runCount runs from pixel firstPixel on, written by one command.
struct RCGBlockObj {
    uint32_t firstPixel;
    uint32_t runCount;
    uint16_t pixels;
    uint16_t colours;
    uint16_t kind;
    uint32_t lastColour;
};

// A cube of the segment and its number of distinct colours.
struct RCGSortPalletObj {
    uint32_t entry;
    uint32_t count;
};

// Larger counts first; equal counts compare equal.
int RcgComparePalletCount(const void* a, const void* b) {
    const uint32_t ca = static_cast<const RCGSortPalletObj*>(a)->count;
    const uint32_t cb = static_cast<const RCGSortPalletObj*>(b)->count;
    return ca > cb ? -1 : (ca < cb ? 1 : 0);
}

// Colour -> value map of a segment: 20,001 bucket chains over an entry array
// filled in order. An entry whose next is itself ends its chain.
class CRCGHash {
public:
    static constexpr uint32_t kBuckets = 20001;
    // A segment holds at most 65,536 colours; a block that overflows it is
    // entered before it is moved to the next segment.
    static constexpr uint32_t kEntries = 65536 + 4096;

    struct Entry {
        uint32_t colour;
        uint32_t value;
        uint32_t extra;
        uint32_t next;
    };

    void Clear() noexcept {
        std::fill(m_heads, m_heads + kBuckets, -1);
        m_count = 0;
    }

    Entry* Find(uint32_t colour) noexcept {
        int32_t i = m_heads[colour % kBuckets];
        if (i < 0) return nullptr;
        for (;;) {
            Entry& e = m_entries[i];
            if (e.colour == colour) return &e;
            if (e.next == static_cast<uint32_t>(i)) return nullptr;
            i = static_cast<int32_t>(e.next);
        }
    }

    // Adds a colour known to be absent.
    Entry* Add(uint32_t colour, uint32_t value) {
        if (m_count >= kEntries) throw std::bad_alloc();  // unreachable by the segment rule
        const uint32_t i = m_count++;
        int32_t& head = m_heads[colour % kBuckets];
        Entry& e = m_entries[i];
        e.colour = colour;
        e.value = value;
        e.extra = kNone;
        e.next = head < 0 ? i : static_cast<uint32_t>(head);
        head = static_cast<int32_t>(i);
        return &e;
    }

    Entry* FindOrAdd(uint32_t colour, uint32_t value) {
        Entry* e = Find(colour);
        return e != nullptr ? e : Add(colour, value);
    }

    uint32_t Count() const noexcept { return m_count; }
    Entry& At(uint32_t i) noexcept { return m_entries[i]; }

private:
    Entry m_entries[kEntries];
    int32_t m_heads[kBuckets];
    uint32_t m_count;
};

// Small colour -> value set for the colours of one block (at most 3,071),
// open addressing, emptied in O(1) by a generation stamp.
class BlockColourSet {
public:
    static constexpr uint32_t kSlots = 8192;

    void Reset() noexcept {
        if (++m_generation == 0) {
            std::memset(m_stamps, 0, sizeof m_stamps);
            m_generation = 1;
        }
    }
    // Adds colour -> value unless present; true when added.
    bool Insert(uint32_t colour, uint32_t value) noexcept {
        uint32_t i = Slot(colour);
        while (m_stamps[i] == m_generation) {
            if (m_keys[i] == colour) return false;
            i = (i + 1) & (kSlots - 1);
        }
        m_stamps[i] = m_generation;
        m_keys[i] = colour;
        m_values[i] = value;
        return true;
    }
    uint32_t Find(uint32_t colour) const noexcept {
        uint32_t i = Slot(colour);
        while (m_stamps[i] == m_generation) {
            if (m_keys[i] == colour) return m_values[i];
            i = (i + 1) & (kSlots - 1);
        }
        return kNone;
    }

private:
    static uint32_t Slot(uint32_t colour) noexcept { return (colour * 0x9E3779B1u) >> 19; }
    uint32_t m_keys[kSlots];
    uint32_t m_values[kSlots];
    uint32_t m_stamps[kSlots] = {};
    uint32_t m_generation = 0;
};

// The record being written: a growing byte buffer (the record's size is
// 32-bit, so it never grows beyond that).
class RecordWriter {
public:
    explicit RecordWriter(uint64_t initial) { Grow(initial); }

    void Reserve(uint64_t more) {
        if (m_size + more > m_capacity) Grow(m_size + more);
    }
    void U8(uint32_t v) noexcept { m_data[m_size++] = static_cast<uint8_t>(v); }
    void U16(uint32_t v) noexcept {
        RcgPut16(m_data + m_size, v);
        m_size += 2;
    }
    void Colour(uint32_t c, uint32_t literalBytes) noexcept {
        m_data[m_size] = static_cast<uint8_t>(c);
        m_data[m_size + 1] = static_cast<uint8_t>(c >> 8);
        m_data[m_size + 2] = static_cast<uint8_t>(c >> 16);
        if (literalBytes == 4) m_data[m_size + 3] = static_cast<uint8_t>(c >> 24);
        m_size += literalBytes;
    }
    // Leaves n bytes to be filled later; returns their offset.
    uint64_t Skip(uint64_t n) noexcept {
        const uint64_t at = m_size;
        m_size += n;
        return at;
    }
    uint8_t* At(uint64_t offset) noexcept { return m_data + offset; }
    uint64_t Size() const noexcept { return m_size; }

private:
    void Grow(uint64_t need) {
        uint64_t capacity = std::max<uint64_t>(need, m_capacity * 2);
        if (capacity > UINT32_MAX) capacity = UINT32_MAX;
        if (need > capacity) throw std::bad_alloc();
        CMemoryBlock<uint8_t> bigger;
        uint8_t* data = AllocWork(bigger, capacity);
        if (m_size != 0) std::memcpy(data, m_data, m_size);
        m_block = std::move(bigger);
        m_data = data;
        m_capacity = capacity;
    }

    CMemoryBlock<uint8_t> m_block;
    uint8_t* m_data = nullptr;
    uint64_t m_size = 0;
    uint64_t m_capacity = 0;
};

// Packs 1- or 2-bit fields most significant first; a last partial byte keeps
// its fields in its low bits.
class BitPacker {
public:
    BitPacker(RecordWriter& out, uint32_t bitsPerField) noexcept : m_out(out), m_bits(bitsPerField) {}
    void Put(uint32_t field) noexcept {
        m_acc = (m_acc << m_bits) | field;
        m_filled += m_bits;
        if (m_filled == 8) {
            m_out.U8(m_acc);
            m_acc = 0;
            m_filled = 0;
        }
    }
    void Finish() noexcept {
        if (m_filled != 0) m_out.U8(m_acc);
        m_acc = 0;
        m_filled = 0;
    }

private:
    RecordWriter& m_out;
    uint32_t m_bits;
    uint32_t m_acc = 0;
    uint32_t m_filled = 0;
};

// Ring indices two per byte, the first in the high nibble; an odd last one
// alone in the low nibble of the last byte.
class NibblePacker {
public:
    explicit NibblePacker(RecordWriter& out) noexcept : m_out(out) {}
    void Put(uint32_t index) noexcept {
        if (m_half) {
            m_out.U8((m_high << 4) | index);
            m_half = false;
        } else {
            m_high = index;
            m_half = true;
        }
    }
    void Finish() noexcept {
        if (m_half) m_out.U8(m_high);
        m_half = false;
    }

private:
    RecordWriter& m_out;
    uint32_t m_high = 0;
    bool m_half = false;
};

bool RampHas(const uint32_t* ramp, uint32_t colour, uint32_t* position = nullptr) noexcept {
    for (uint32_t i = 0; i < 16; ++i)
        if (ramp[i] == colour) {
            if (position != nullptr) *position = i;
            return true;
        }
    return false;
}

// All work state of one call.
struct Work {
    CRCGHash tables[3];  // 0: colour -> dictionary index, 1: colour -> table index, 2: cube -> colour count
    BlockColourSet set;
    uint32_t newColours[CRCGHash::kEntries];  // the segment's colours, first appearance order
    uint32_t literals[kLiteralSlots];         // literal dictionary by index
    uint32_t cubeCount[64];
    RCGSortPalletObj cubes[CRCGHash::kEntries];
    CRCGHash::Entry* entries[kMaxBlockColours + 1];
    RCGColorObj blockRuns[kMaxBlockPixels];  // the runs of the block being written
    uint32_t operand[kMaxBlockColours + 1];
    uint32_t ramp[16];
    uint32_t ring[16] = {};  // the decoder's ring as it will be
};

class BlockCoder {
public:
    BlockCoder(const CSprite& sprite, uint16_t type) : m_sprite(sprite), m_type(type) {}

    // Writes the record into `out` (empty).
    void Encode(CMemoryBlock<unsigned char>& out);

private:
    void PreparePixels();
    // The run starting at pixel p: its length, and its colour in `colour`.
    uint32_t RunAt(uint64_t p, uint32_t& colour) const noexcept {
        const uint32_t c = m_px[p] & m_mask;
        const uint64_t end = std::min<uint64_t>(m_pixels, p + kMaxRunLength);
        uint64_t q = p + 1;
        while (q < end && (m_px[q] & m_mask) == c) ++q;
        colour = c;
        return static_cast<uint32_t>(q - p);
    }
    const RCGColorObj* BlockRuns(const RCGBlockObj& block) noexcept;
    void GroupBlocks();
    void CloseBlock(uint32_t firstPixel, uint32_t runCount, uint32_t pixels, uint32_t colourStart, uint32_t colours,
                    uint16_t kind);
    void WriteSegment(uint32_t firstBlock, uint32_t endBlock, uint64_t colourOffset, uint32_t chosenCubes,
                      uint32_t newCount);
    void WriteBlock(const RCGBlockObj& block, const uint32_t* colours);
    void WriteRampBlock(const RCGBlockObj& block, const uint32_t* colours);
    uint32_t RingPosition(uint32_t colour) const noexcept;
    uint32_t RingPositionFromTop(uint32_t colour) const noexcept;
    void AssignDown(CRCGHash::Entry* e, uint32_t colour);

    const CSprite& m_sprite;
    uint16_t m_type;
    uint32_t m_literalBytes = 4;
    uint64_t m_pixels = 0;

    // The pixels as one array; runs are found in it as they are needed rather
    // than listed, which keeps the coder's memory small.
    CMemoryBlock<uint32_t> m_copy;  // only for a sprite whose rows are not contiguous
    const uint32_t* m_px = nullptr;
    uint32_t m_mask = 0xFFFFFFFFu;

    CArrayAuto<RCGBlockObj> m_blocks;
    CMemoryBlock<uint32_t> m_colourBlock;  // the blocks' distinct colours, block after block
    uint32_t* m_colours = nullptr;

    CMemoryBlock<Work> m_workBlock;
    Work* m_work = nullptr;
    RecordWriter* m_out = nullptr;

    // Per segment: the next dictionary index counted up and the one counted down.
    uint32_t m_up = 0;
    int64_t m_down = -1;
};

void BlockCoder::PreparePixels() {
    const int32_t width = m_sprite.GetWidth();
    const int32_t height = m_sprite.GetHeight();
    // Type 1 keeps no alpha: pixels that differ only there are the same colour.
    m_mask = m_type == kRcgTypeRgb ? 0x00FFFFFFu : 0xFFFFFFFFu;
    if (m_sprite.GetStride() == width) {
        m_px = m_sprite.GetPixels();
        return;
    }
    uint32_t* copy = AllocWork(m_copy, m_pixels);
    for (int32_t y = 0; y < height; ++y)
        std::memcpy(copy + static_cast<uint64_t>(y) * width, m_sprite.PixelAt(0, y), static_cast<size_t>(width) * 4);
    m_px = copy;
}

const RCGColorObj* BlockCoder::BlockRuns(const RCGBlockObj& block) noexcept {
    RCGColorObj* runs = m_work->blockRuns;
    uint64_t p = block.firstPixel;
    for (uint32_t r = 0; r < block.runCount; ++r) {
        runs[r].length = RunAt(p, runs[r].colour);
        p += runs[r].length;
    }
    return runs;
}

void BlockCoder::CloseBlock(uint32_t firstPixel, uint32_t runCount, uint32_t pixels, uint32_t colourStart,
                            uint32_t colours, uint16_t kind) {
    const uint32_t* c = m_colours + colourStart;
    if (kind == kRcgRampBlock) {
        // The ramp test ran at the last join; make sure the final ramp still
        // holds both middle colours, else the block codes as four colours.
        BuildColorRamp(c[0], c[colours - 1], m_work->ramp, 16);
        if (colours < 3 || !RampHas(m_work->ramp, c[1]) || !RampHas(m_work->ramp, c[2])) kind = kRcgFourColourBlock;
    }
    RCGBlockObj* b = m_blocks.AddNew();
    b->firstPixel = firstPixel;
    b->runCount = runCount;
    b->pixels = static_cast<uint16_t>(pixels);
    b->colours = static_cast<uint16_t>(colours);
    b->kind = kind;
    b->lastColour = c[colours - 1];
}

void BlockCoder::GroupBlocks() {
    // At most one colour per run; only the part used is ever touched.
    m_colours = AllocWork(m_colourBlock, m_pixels);
    m_blocks.SetGrowthStep(10);
    m_blocks.Grow(10000);
    BlockColourSet& set = m_work->set;

    uint32_t listLength = 0;
    uint32_t first = 0, runs = 0, pixels = 0, colourStart = 0, colours = 0;
    uint32_t cost = 32;
    uint16_t kind = kRcgRun;
    auto start = [&](uint32_t p, uint32_t colour, uint32_t length, uint32_t startCost) {
        first = p;
        runs = 1;
        pixels = length;
        colourStart = listLength;
        colours = 1;
        m_colours[listLength++] = colour;
        set.Reset();
        set.Insert(colour, 0);
        kind = kRcgRun;
        cost = startCost;
    };
    uint32_t x = 0;
    uint64_t p = 0;
    uint32_t length = RunAt(0, x);
    start(0, x, length, 32);
    p += length;

    uint32_t* ramp = m_work->ramp;
    for (; p < m_pixels; p += length) {
        length = RunAt(p, x);
        const uint32_t isNew = set.Find(x) == kNone ? 1u : 0u;
        const uint32_t total = pixels + length;
        const uint32_t t = colours;
        bool join = false;
        uint16_t newKind = kind;
        int64_t newCost = cost;

        if (total >= kMaxBlockPixels || t >= kMaxBlockColours) {
            join = false;
        } else {
            int step;
            switch (kind) {
                case kRcgRun:
                case kRcgTwoColourBlock: step = 2; break;
                case kRcgSequence: step = 3; break;
                case kRcgMaskedSequence: step = 4; break;
                case kRcgRampBlock: step = 5; break;
                default: step = 6; break;
            }
            bool skipFourTest = false;
            for (;;) {
                if (step == 2) {
                    if (t + isNew <= 2) {
                        join = total < 16;
                        newKind = kRcgTwoColourBlock;
                        newCost = total + 48;
                        break;
                    }
                    step = 3;
                }
                if (step == 3) {
                    if (length == 1) {
                        join = static_cast<int64_t>(pixels) * 16 < cost;
                        newKind = kRcgSequence;
                        newCost = (static_cast<int64_t>(pixels) + 2) * 16;
                        break;
                    }
                    step = 4;
                }
                if (step == 4) {
                    if (isNew == 1 && runs == t) {
                        join = static_cast<int64_t>(t) * 16 + total < cost;
                        newKind = kRcgMaskedSequence;
                        newCost = (static_cast<int64_t>(t) + 2) * 16 + total;
                        break;
                    }
                    step = 5;
                }
                if (step == 5) {
                    const uint32_t n = t + isNew;
                    if (n <= 4) {
                        const uint32_t* c = m_colours + colourStart;
                        const uint32_t last = isNew ? x : c[t - 1];
                        const uint32_t c2 = t > 2 ? c[2] : x;
                        BuildColorRamp(c[0], last, ramp, 16);
                        if (n >= 3 && RampHas(ramp, c[1]) && RampHas(ramp, c2)) {
                            join = 2 * static_cast<int64_t>(total) - cost < -24;
                            newKind = kRcgRampBlock;
                            newCost = 2 * static_cast<int64_t>(total) + 56;
                            break;
                        }
                        skipFourTest = true;
                    }
                    step = 6;
                }
                // step 6
                if (!skipFourTest && t + isNew > 4) {
                    join = false;
                    break;
                }
                join = 2 * static_cast<int64_t>(total) - cost < -48 ||
                       (kind == kRcgFourColourBlock && t + isNew != 4);
                newKind = kRcgFourColourBlock;
                newCost = 2 * static_cast<int64_t>(total) + 80;
                break;
            }
        }

        if (join) {
            pixels = total;
            ++runs;
            if (isNew) {
                set.Insert(x, colours);
                m_colours[listLength++] = x;
                ++colours;
            }
            kind = newKind;
            cost = static_cast<uint32_t>(newCost);
        } else {
            CloseBlock(first, runs, pixels, colourStart, colours, kind);
            start(static_cast<uint32_t>(p), x, length, 24);
        }
    }
    CloseBlock(first, runs, pixels, colourStart, colours, kind);
}

uint32_t BlockCoder::RingPosition(uint32_t colour) const noexcept {
    for (uint32_t i = 0; i < 16; ++i)
        if (m_work->ring[i] == colour) return i;
    return kNone;
}

uint32_t BlockCoder::RingPositionFromTop(uint32_t colour) const noexcept {
    for (uint32_t i = 16; i-- > 0;)
        if (m_work->ring[i] == colour) return i;
    return kNone;
}

void BlockCoder::AssignDown(CRCGHash::Entry* e, uint32_t colour) {
    if (m_down < static_cast<int64_t>(m_up)) throw std::bad_alloc();  // indices exhausted: cannot happen
    e->value = static_cast<uint32_t>(m_down);
    m_work->literals[m_down] = colour;
    --m_down;
}

void BlockCoder::WriteSegment(uint32_t firstBlock, uint32_t endBlock, uint64_t colourOffset, uint32_t chosenCubes,
                              uint32_t newCount) {
    Work& w = *m_work;
    CRCGHash& dictionary = w.tables[0];
    CRCGHash& table = w.tables[1];
    CRCGHash& cubes = w.tables[2];
    RecordWriter& out = *m_out;

    // Count each cube's distinct colours afresh (colour 0 is always literal).
    cubes.Clear();
    for (uint32_t i = 0; i < newCount; ++i) {
        const uint32_t c = w.newColours[i];
        if (c != 0) ++cubes.FindOrAdd(c & kCubeMask, 0)->value;
    }

    // The busiest cubes, as many as the estimate chose: bins of count / 4 find
    // the threshold, and only the threshold bin is sorted.
    out.Reserve(15ull * chosenCubes + 16);
    if (chosenCubes != 0) {
        std::fill(w.cubeCount, w.cubeCount + 64, 0u);
        const uint32_t cubeTotal = cubes.Count();
        for (uint32_t i = 0; i < cubeTotal; ++i) ++w.cubeCount[std::min<uint32_t>(cubes.At(i).value / 4, 63)];
        uint32_t threshold = 0;
        uint32_t above = 0;  // cubes in bins above the threshold bin
        for (uint32_t bin = 64; bin-- > 0;) {
            if (above + w.cubeCount[bin] >= chosenCubes) {
                threshold = bin;
                break;
            }
            above += w.cubeCount[bin];
        }
        uint32_t selected = 0;
        uint32_t inBin = 0;
        auto take = [&](uint32_t entry) {
            CRCGHash::Entry& e = cubes.At(entry);
            e.extra = selected;
            const uint32_t cube = e.colour;
            out.U8(0xCC);
            out.U16(kLiteralSlots + 512 * selected);
            out.U8(0x54);
            out.U8(7);
            out.U8(7);
            out.U8(7);
            out.U8(0);
            const uint32_t red = (cube >> 16) & 0xF8, green = (cube >> 8) & 0xF8, blue = cube & 0xF8;
            out.U8(red);
            out.U8(red + 7);
            out.U8(green);
            out.U8(green + 7);
            out.U8(blue);
            out.U8(blue + 7);
            out.U8(cube >> 24);
            ++selected;
        };
        for (uint32_t i = 0; i < cubeTotal; ++i) {
            const uint32_t bin = std::min<uint32_t>(cubes.At(i).value / 4, 63);
            if (bin > threshold) {
                take(i);
            } else if (bin == threshold) {
                w.cubes[inBin].entry = i;
                w.cubes[inBin].count = cubes.At(i).value;
                ++inBin;
            }
        }
        std::qsort(w.cubes, inBin, sizeof(RCGSortPalletObj), RcgComparePalletCount);
        for (uint32_t i = 0; i < inBin && selected < chosenCubes; ++i) take(w.cubes[i].entry);
    }

    // Cube colours get their fixed index; the rest form the literal dictionary,
    // colour 0 first when present.
    uint32_t literalCount = 0;
    bool hasZero = false;
    for (uint32_t i = 0; i < newCount; ++i) {
        const uint32_t c = w.newColours[i];
        CRCGHash::Entry* e = dictionary.Find(c);
        e->value = kNone;
        if (c == 0) {
            hasZero = true;
            continue;
        }
        const CRCGHash::Entry* cube = cubes.Find(c & kCubeMask);
        if (cube->extra != kNone) {
            e->value = kLiteralSlots + 512 * cube->extra + ((c >> 16) & 7) * 64 + ((c >> 8) & 7) * 8 + (c & 7);
        } else {
            ++literalCount;
        }
    }
    if (hasZero) ++literalCount;
    // The estimate that closed the segment bounds this; never index past the slots.
    if (literalCount > kLiteralSlots) throw std::bad_alloc();
    const uint32_t tableColours = std::min<uint32_t>(literalCount, kRcgTableSize);
    table.Clear();
    uint32_t next = 0;
    auto addLiteral = [&](uint32_t c) {
        dictionary.Find(c)->value = next;
        table.Add(c, next);
        w.literals[next] = c;
        ++next;
    };
    if (hasZero) addLiteral(0);
    for (uint32_t i = 0; i < newCount && next < tableColours; ++i) {
        const uint32_t c = w.newColours[i];
        if (c != 0 && dictionary.Find(c)->value == kNone) addLiteral(c);
    }

    uint64_t payload = 0;
    if (literalCount != 0) {
        out.Reserve(8 + static_cast<uint64_t>(literalCount) * m_literalBytes);
        out.U8(0x14);
        out.U16(literalCount - 1);
        payload = out.Skip(static_cast<uint64_t>(literalCount) * m_literalBytes);
        out.U8(0xC4);
        out.U16(tableColours);
        for (uint32_t i = 0; i < std::min<uint32_t>(tableColours, 16); ++i) w.ring[i] = w.literals[i];
    }
    m_up = tableColours;
    m_down = static_cast<int64_t>(literalCount) - 1;

    RCGBlockObj* const* blocks = m_blocks.GetIndex();
    uint64_t offset = colourOffset;
    for (uint32_t b = firstBlock; b < endBlock; ++b) {
        const RCGBlockObj& block = *blocks[b];
        if (block.kind == kRcgRampBlock)
            WriteRampBlock(block, m_colours + offset);
        else
            WriteBlock(block, m_colours + offset);
        offset += block.colours;
    }

    if (m_down + 1 != static_cast<int64_t>(m_up)) throw std::bad_alloc();  // every literal placed: cannot fail
    uint8_t* p = out.At(payload);
    for (uint32_t i = 0; i < literalCount; ++i) {
        const uint32_t c = w.literals[i];
        p[0] = static_cast<uint8_t>(c);
        p[1] = static_cast<uint8_t>(c >> 8);
        p[2] = static_cast<uint8_t>(c >> 16);
        if (m_literalBytes == 4) p[3] = static_cast<uint8_t>(c >> 24);
        p += m_literalBytes;
    }
}

void BlockCoder::WriteBlock(const RCGBlockObj& block, const uint32_t* colours) {
    Work& w = *m_work;
    RecordWriter& out = *m_out;
    CRCGHash& dictionary = w.tables[0];
    CRCGHash& table = w.tables[1];
    const uint32_t t = block.colours;
    const uint32_t pixels = block.pixels;
    const uint32_t kind = block.kind;
    const RCGColorObj* runs = BlockRuns(block);
    const uint32_t runCount = block.runCount;

    out.Reserve(64 + 3ull * pixels + 2ull * runCount);

    bool anyIndexed = false;
    for (uint32_t j = 0; j < t; ++j) {
        w.entries[j] = dictionary.Find(colours[j]);
        if (w.entries[j]->value != kNone) anyIndexed = true;
    }
    BlockColourSet& set = w.set;
    set.Reset();
    for (uint32_t j = 0; j < t; ++j) set.Insert(colours[j], j);

    const uint8_t wide = pixels >= 256 ? kRcgWideBit : 0;
    auto writeCount = [&] {
        if (wide)
            out.U16(pixels);
        else
            out.U8(pixels);
    };
    // The local colour number of each pixel field, for the bit data.
    auto writeFields = [&](uint32_t bits) {
        BitPacker packer(out, bits);
        for (uint32_t r = 0; r < runCount; ++r) {
            uint32_t field = set.Find(runs[r].colour);
            if (bits == 1) field = field != 0 ? 1 : 0;
            for (uint32_t i = 0; i < runs[r].length; ++i) packer.Put(field);
        }
        packer.Finish();
    };
    auto writeMask = [&] {
        BitPacker packer(out, 1);
        for (uint32_t r = 0; r < runCount; ++r) {
            packer.Put(1);
            for (uint32_t i = 1; i < runs[r].length; ++i) packer.Put(0);
        }
        packer.Finish();
    };

    const bool cursorReadable = kind == kRcgRun || (kind == kRcgTwoColourBlock && t == 2) ||
                                (kind == kRcgSequence && t == pixels) ||
                                (kind == kRcgMaskedSequence && t == runCount) ||
                                (kind == kRcgFourColourBlock && t == 4);
    if (!anyIndexed && cursorReadable) {
        for (uint32_t j = 0; j < t; ++j) {
            if (m_up > static_cast<uint64_t>(m_down)) throw std::bad_alloc();  // cannot happen
            w.entries[j]->value = m_up;
            w.literals[m_up] = colours[j];
            ++m_up;
        }
        out.U8(kind | 0xC8 | wide);
        writeCount();
        if (kind == kRcgTwoColourBlock) writeFields(1);
        if (kind == kRcgFourColourBlock) writeFields(2);
        if (kind == kRcgMaskedSequence) writeMask();
        return;
    }

    for (uint32_t j = 0; j < t; ++j)
        if (w.entries[j]->value == kNone) AssignDown(w.entries[j], colours[j]);

    // The cheapest source that holds every colour.
    uint32_t source = kRcgSourceDictionary;
    if (t <= 16) {
        source = kRcgSourceRing;
        for (uint32_t j = 0; j < t && source == kRcgSourceRing; ++j) {
            w.operand[j] = RingPosition(colours[j]);
            if (w.operand[j] == kNone) source = kRcgSourceDictionary;
        }
    }
    if (source == kRcgSourceDictionary && t <= 256) {
        source = kRcgSourceTable;
        for (uint32_t j = 0; j < t && source == kRcgSourceTable; ++j) {
            const CRCGHash::Entry* e = table.Find(colours[j]);
            if (e == nullptr)
                source = kRcgSourceDictionary;
            else
                w.operand[j] = e->value;
        }
    }
    if (source == kRcgSourceDictionary)
        for (uint32_t j = 0; j < t; ++j) w.operand[j] = w.entries[j]->value;

    const uint8_t flags = source == kRcgSourceRing ? 0 : kRcgKeepBit;
    out.U8(RcgMakeCommand(static_cast<uint8_t>(kind), static_cast<uint8_t>(source), flags | wide));
    writeCount();

    auto putOperand = [&](uint32_t j) {
        if (source == kRcgSourceTable)
            out.U8(w.operand[j]);
        else
            out.U16(w.operand[j]);
    };
    // Explicit list of count operands (one per pixel or per run).
    auto putList = [&](bool perPixel) {
        if (source == kRcgSourceRing) {
            NibblePacker packer(out);
            for (uint32_t r = 0; r < runCount; ++r) {
                const uint32_t index = w.operand[set.Find(runs[r].colour)];
                const uint32_t n = perPixel ? runs[r].length : 1;
                for (uint32_t i = 0; i < n; ++i) packer.Put(index);
            }
            packer.Finish();
        } else {
            for (uint32_t r = 0; r < runCount; ++r) {
                const uint32_t j = set.Find(runs[r].colour);
                const uint32_t n = perPixel ? runs[r].length : 1;
                for (uint32_t i = 0; i < n; ++i) putOperand(j);
            }
        }
    };
    // The colours the keep bit puts in the ring, in stream order.
    uint32_t kept[16];
    uint32_t keptCount = 0;
    auto keepList = [&](bool perPixel) {
        for (uint32_t r = 0; r < runCount && keptCount < 16; ++r) {
            const uint32_t n = perPixel ? runs[r].length : 1;
            for (uint32_t i = 0; i < n && keptCount < 16; ++i) kept[keptCount++] = runs[r].colour;
        }
    };

    switch (kind) {
        case kRcgSequence:
            putList(true);
            keepList(true);
            break;
        case kRcgRun:
            if (source == kRcgSourceRing)
                out.U8(w.operand[0]);
            else
                putOperand(0);
            kept[keptCount++] = colours[0];
            break;
        case kRcgTwoColourBlock: {
            const uint32_t second = t > 1 ? 1 : 0;
            if (source == kRcgSourceRing) {
                out.U8((w.operand[0] << 4) | w.operand[second]);
            } else {
                putOperand(0);
                putOperand(second);
            }
            writeFields(1);
            kept[keptCount++] = colours[0];
            kept[keptCount++] = colours[second];
            break;
        }
        case kRcgFourColourBlock: {
            // Three colours repeat the first as the fourth (the ring's fourth nibble is 0).
            uint32_t slot[4];
            for (uint32_t i = 0; i < 4; ++i) slot[i] = i < t ? i : 0;
            if (source == kRcgSourceRing) {
                out.U8((w.operand[slot[0]] << 4) | w.operand[slot[1]]);
                out.U8((w.operand[slot[2]] << 4) | (t > 3 ? w.operand[slot[3]] : 0));
            } else {
                for (uint32_t i = 0; i < 4; ++i) putOperand(slot[i]);
            }
            writeFields(2);
            for (uint32_t i = 0; i < 4; ++i) kept[keptCount++] = colours[slot[i]];
            break;
        }
        default:  // kRcgMaskedSequence
            writeMask();
            putList(false);
            keepList(false);
            break;
    }
    if (flags & kRcgKeepBit)
        for (uint32_t i = 0; i < keptCount; ++i) w.ring[i] = kept[i];
}

void BlockCoder::WriteRampBlock(const RCGBlockObj& block, const uint32_t* colours) {
    Work& w = *m_work;
    RecordWriter& out = *m_out;
    CRCGHash& dictionary = w.tables[0];
    CRCGHash& table = w.tables[1];
    const uint32_t t = block.colours;
    const uint32_t pixels = block.pixels;
    const uint32_t first = colours[0];
    const uint32_t last = colours[t - 1];
    const RCGColorObj* runs = BlockRuns(block);

    out.Reserve(64 + pixels / 4);
    const uint8_t wide = pixels >= 256 ? kRcgWideBit : 0;
    CRCGHash::Entry* ef = dictionary.Find(first);
    CRCGHash::Entry* el = dictionary.Find(last);
    if (ef->value == kNone && el->value == kNone) {
        if (m_up + 1 > static_cast<uint64_t>(m_down)) throw std::bad_alloc();  // cannot happen
        ef->value = m_up;
        w.literals[m_up++] = first;
        el->value = m_up;
        w.literals[m_up++] = last;
        out.U8(0xD8 | kRcgRampBlock | wide);
        if (wide)
            out.U16(pixels);
        else
            out.U8(pixels);
    } else {
        if (ef->value == kNone) AssignDown(ef, first);
        if (el->value == kNone) AssignDown(el, last);
        const uint32_t rf = RingPositionFromTop(first);
        const uint32_t rl = RingPositionFromTop(last);
        const CRCGHash::Entry* tf = table.Find(first);
        const CRCGHash::Entry* tl = table.Find(last);
        auto count = [&] {
            if (wide)
                out.U16(pixels);
            else
                out.U8(pixels);
        };
        if (rf != kNone && rl != kNone) {
            out.U8(0x50 | kRcgRampBlock | wide);
            count();
            out.U8((rf << 4) | rl);
        } else if (tf != nullptr && tl != nullptr) {
            out.U8(0x90 | kRcgRampBlock | wide);
            count();
            out.U8(tf->value);
            out.U8(tl->value);
        } else {
            out.U8(0xD0 | kRcgRampBlock | wide);
            count();
            out.U16(ef->value);
            out.U16(el->value);
        }
    }
    uint32_t* ramp = w.ramp;
    BuildColorRamp(first, last, ramp, 16);
    uint32_t pick1 = 0, pick2 = 0;
    RampHas(ramp, colours[1], &pick1);
    RampHas(ramp, colours[2], &pick2);
    out.U8((pick1 << 4) | pick2);
    BitPacker packer(out, 2);
    for (uint32_t r = 0; r < block.runCount; ++r) {
        const uint32_t c = runs[r].colour;
        const uint32_t field = c == first ? 0 : c == colours[1] ? 1 : c == colours[2] ? 2 : 3;
        for (uint32_t i = 0; i < runs[r].length; ++i) packer.Put(field);
    }
    packer.Finish();
    std::memcpy(w.ring, ramp, sizeof w.ring);
}

void BlockCoder::Encode(CMemoryBlock<unsigned char>& result) {
    const int32_t width = m_sprite.GetWidth();
    const int32_t height = m_sprite.GetHeight();
    m_literalBytes = RcgLiteralBytes(m_type);
    m_pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    if (m_pixels >= UINT32_MAX) throw std::bad_alloc();

    m_work = AllocWork(m_workBlock, 1);
    std::memset(m_work->ring, 0, sizeof m_work->ring);
    PreparePixels();
    GroupBlocks();

    // Room for a record as large as the raw one; pages never written cost nothing.
    RecordWriter out(std::min<uint64_t>(m_pixels * 4 + 4096, UINT32_MAX));
    m_out = &out;
    out.Reserve(kRcgHeaderSize);
    out.Skip(kRcgHeaderSize);

    Work& w = *m_work;
    CRCGHash& dictionary = w.tables[0];
    CRCGHash& cubes = w.tables[2];
    dictionary.Clear();
    cubes.Clear();
    uint32_t estimate = 0, chosen = 0, newCount = 0;
    uint32_t segmentFirst = 0;
    uint64_t segmentOffset = 0, offset = 0;
    const uint32_t blockCount = m_blocks.GetCount();
    RCGBlockObj* const* blocks = m_blocks.GetIndex();

    auto enter = [&](uint32_t c) {
        if (dictionary.Find(c) != nullptr) return;
        dictionary.Add(c, kNone);
        w.newColours[newCount++] = c;
        if (c == 0) {
            ++estimate;
            return;
        }
        CRCGHash::Entry* cube = cubes.FindOrAdd(c & kCubeMask, 0);
        ++cube->value;
        if (cube->extra != kNone) return;  // a chosen cube: its colours cost nothing
        if (cube->value == 4 && chosen < kMaxCubes) {
            cube->extra = chosen++;
            estimate -= 3;
        } else {
            ++estimate;
        }
    };

    for (uint32_t b = 0; b < blockCount;) {
        const RCGBlockObj& block = *blocks[b];
        const uint32_t* c = m_colours + offset;
        const uint32_t saveEstimate = estimate, saveChosen = chosen, saveNew = newCount;
        if (block.kind == kRcgRampBlock) {
            enter(c[0]);
            enter(c[block.colours - 1]);
        } else {
            for (uint32_t j = 0; j < block.colours; ++j) enter(c[j]);
        }
        if (estimate > kLiteralSlots && b > segmentFirst) {
            // This block opens the next segment.
            WriteSegment(segmentFirst, b, segmentOffset, saveChosen, saveNew);
            (void)saveEstimate;
            dictionary.Clear();
            cubes.Clear();
            estimate = chosen = newCount = 0;
            segmentFirst = b;
            segmentOffset = offset;
            continue;
        }
        offset += block.colours;
        ++b;
    }
    WriteSegment(segmentFirst, blockCount, segmentOffset, chosen, newCount);

    const uint64_t size = out.Size();
    RcgWriteHeader(out.At(0), RcgRecordHeader{static_cast<uint32_t>(size), static_cast<uint32_t>(width),
                                              static_cast<uint32_t>(height), m_type});
    uint8_t* p = AllocWork(result, size);
    std::memcpy(p, out.At(0), size);
}

}  // namespace

bool RcgEncodeBlocks(CMemoryBlock<unsigned char>& out, const CSprite& sprite, uint16_t type) {
    if (!sprite.HasImage() || RasterPixelMode != 1 || (type != kRcgTypeRgb && type != kRcgTypeArgb)) return false;
    if (out.GetBuffer() != nullptr) return false;
    if (sprite.GetWidth() <= 0 || sprite.GetHeight() <= 0) return false;
    try {
        BlockCoder coder(sprite, type);
        coder.Encode(out);
    } catch (const std::bad_alloc&) {
        out.Free();
        return false;
    } catch (uint32_t) {  // a refused block-array addition
        out.Free();
        return false;
    }
    return true;
}

bool RcgEncodeRecord(CMemoryBlock<unsigned char>& out, const CSprite& sprite, uint16_t type, int32_t level) {
    if (level < 0 || level > 3) return false;
    try {
        CMemoryBlock<unsigned char> raw;
        if (level == 0 || level == 3) {
            if (!RcgBuildRawRecord(raw, sprite, type)) return false;
            if (level == 0) {
                out = std::move(raw);
                return true;
            }
        }
        CMemoryBlock<unsigned char> blocks;
        if (!RcgEncodeBlocks(blocks, sprite, type)) return false;
        // Below level 3 the raw record is only a size to beat until it wins.
        const uint64_t rawSize = RcgRawRecordSize(
            static_cast<uint64_t>(sprite.GetWidth()) * static_cast<uint64_t>(sprite.GetHeight()), type);
        if (rawSize > UINT32_MAX) return false;
        CMemoryBlock<unsigned char> splitBlocks;
        CMemoryBlock<unsigned char> splitRaw;
        if (level >= 2 && !RcgSplitStreams(splitBlocks, blocks, level)) return false;
        if (level >= 3 && !RcgSplitStreams(splitRaw, raw, level)) return false;

        // Compared in the order raw, blocks, split blocks, split raw; a tie
        // keeps the earlier candidate.
        CMemoryBlock<unsigned char>* best = nullptr;
        uint64_t bestSize = rawSize;
        auto consider = [&](CMemoryBlock<unsigned char>& candidate) {
            if (candidate.GetBuffer() != nullptr && candidate.GetCount() < bestSize) {
                best = &candidate;
                bestSize = candidate.GetCount();
            }
        };
        consider(blocks);
        consider(splitBlocks);
        consider(splitRaw);
        if (best == nullptr) {
            if (raw.GetBuffer() == nullptr && !RcgBuildRawRecord(raw, sprite, type)) return false;
            best = &raw;
        }
        out = std::move(*best);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}
