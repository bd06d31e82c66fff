// RCG stream container: the split of a record into streams and its rebuild.
//
// Both directions walk the same grammar of the record's commands (Walk* below)
// through a "mover" that moves each operand between the record and its stream:
// the splitter's mover reads the record and appends to the streams (first only
// counting, to size them), the rebuilder's mover pulls from the decoded streams
// and appends to the record. The grammar reads the values it needs (counts,
// mask bits, load forms, product-load modes and ranges) from the bytes just
// moved, which lie in the record in both directions, so an operand can only
// come back from the stream it went to.
//
// The unpacker checks every size before it allocates: the descriptors and the
// stored sizes must add up to the container's length, the raw sizes to the
// inner record's body, and each raw size must be reachable from its stored
// size under its coding; sums are taken in 64 bits. Its stream blocks are
// freed when it returns; the shared record block lives until RcgReleaseScratch.
#include "imagefiles/rcg/RcgStreams.h"

#include <bit>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "imagefiles/rcg/RcgRecord.h"
#include "imagefiles/rcg/RcgStreamCoding.h"

namespace {

// Copies n bytes between disjoint ranges; operands are mostly 1-4 bytes, so
// short copies stay inline.
inline void CopyOperand(uint8_t* dst, const uint8_t* src, uint32_t n) {
    if (n <= 8) {
        if (n >= 4) {
            uint32_t a, b;
            std::memcpy(&a, src, 4);
            std::memcpy(&b, src + n - 4, 4);
            std::memcpy(dst, &a, 4);
            std::memcpy(dst + n - 4, &b, 4);
        } else {
            for (uint32_t i = 0; i < n; ++i) dst[i] = src[i];
        }
    } else if (n <= 256) {
        // 16-byte pieces, the last one ending at the end (may overlap).
        uint8_t piece[16];
        if (n < 16) {
            uint64_t a, b;
            std::memcpy(&a, src, 8);
            std::memcpy(&b, src + n - 8, 8);
            std::memcpy(dst, &a, 8);
            std::memcpy(dst + n - 8, &b, 8);
            return;
        }
        uint32_t j = 0;
        for (; j + 16 <= n; j += 16) {
            std::memcpy(piece, src + j, 16);
            std::memcpy(dst + j, piece, 16);
        }
        if (j != n) {
            std::memcpy(piece, src + n - 16, 16);
            std::memcpy(dst + n - 16, piece, 16);
        }
    } else {
        std::memcpy(dst, src, n);
    }
}

// Logical streams (the splitter's numbering).
enum : uint32_t {
    kCommands = 0,
    kBytes = 1,      // table indices, one-byte starts, table cursor
    kWords = 2,      // dictionary indices, 16-bit starts, dictionary cursor
    kRingOps = 3,    // ring indices, ring starts, ring cursor, ramp picks
    kCounts8 = 4,
    kCounts16 = 5,
    kBits = 6,       // TwoColourBlock bit bytes
    kFields = 7,     // 2-bit field bytes
    kMasks = 8,
    kLoadCounts = 9,
    kModes = 10,     // product-load mode bytes
    kLists = 11,     // product-load value lists and ranges
    kWhole = 12,     // literal colours whole
    kRed = 13,
    kGreen = 14,
    kBlue = 15,
    kAlpha = 16,
    kLogicalStreams = 17,
};

constexpr uint32_t kMaxSlots = 16;

// The logical stream held by each slot of a layout.
uint32_t LogicalOfSlot(uint16_t layout, uint32_t slot) {
    return layout == kRcgLayoutWhole || slot < kWhole ? slot : slot + 1;
}

uint32_t SlotCount(uint16_t layout, uint16_t innerType) {
    if (layout == kRcgLayoutWhole) return 13;
    return innerType == kRcgTypeRgb ? 15 : 16;
}

uint32_t UnitOfSlot(uint16_t layout, uint16_t innerType, uint32_t slot) {
    if (slot == kWords || slot == kCounts16) return 2;
    if (layout == kRcgLayoutWhole && slot == kWhole) return RcgLiteralBytes(innerType);
    return 1;
}

struct Codes {
    int32_t streamShort;
    int32_t outputShort;
};

// Literal colours: whole 3-byte, whole 4-byte, 3 planes, 4 planes.
struct ColourCodes {
    Codes whole3, whole4, planes3, planes4;
};
constexpr ColourCodes kCommandColours{{1034, 1035}, {1036, 1037}, {1038, 1039}, {1050, 1051}};
constexpr ColourCodes kLoadColours{{1068, 1069}, {1070, 1071}, {1072, 1073}, {1074, 1075}};

// ---- the grammar ----

template <class Mover>
int32_t WalkColourList(Mover& m, uint8_t command, uint32_t n) {
    if (command & kRcgCursorBit) return 0;
    bool ok;
    switch (RcgSourceOf(command)) {
        case kRcgSourceLiteral: ok = m.Colours(n, kCommandColours); break;
        case kRcgSourceRing: ok = m.Take(kRingOps, (n + 1) / 2, {1052, 1053}) != nullptr; break;
        case kRcgSourceTable: ok = m.Take(kBytes, n, {1054, 1055}) != nullptr; break;
        default: ok = m.Take(kWords, 2 * n, {1056, 1057}) != nullptr; break;
    }
    return ok ? 0 : m.error;
}

// One, two or four colours of Run, the blocks and the ramps.
template <class Mover>
int32_t WalkColours(Mover& m, uint8_t command, uint32_t n) {
    if (command & kRcgCursorBit) return 0;
    if (RcgSourceOf(command) == kRcgSourceRing) {
        return m.Take(kRingOps, n == 4 ? 2 : 1, {1052, 1053}) != nullptr ? 0 : m.error;
    }
    return WalkColourList(m, command, n);
}

template <class Mover>
int32_t WalkProductLoad(Mover& m, uint8_t command) {
    const uint8_t source = RcgSourceOf(command);
    if (source == kRcgSourceLiteral) return kRcgProductLoadLiteral;
    const bool started = source == kRcgSourceDictionary ? m.Take(kWords, 2, {1081, 1082}) != nullptr
                                                         : m.Take(kBytes, 1, {1083, 1084}) != nullptr;
    if (!started) return m.error;
    const uint8_t* p = m.Take(kModes, 1, {1086, 1110});
    if (p == nullptr) return m.error;
    const uint8_t mode = *p;
    p = m.Take(kLoadCounts, 4, {1086, 1110});
    if (p == nullptr) return m.error;
    const uint8_t counts[4] = {p[0], p[1], p[2], p[3]};
    for (uint32_t ch = 0; ch < 4; ++ch) {
        // A channel marks its stored count + 1 values, complemented or not, as
        // the record decoder reads it.
        const uint32_t want = counts[ch] + 1u;
        if (mode & RcgProductRangesBit(ch)) {
            uint32_t total = 0;
            while (total < want) {
                p = m.Take(kLists, 2, {1087, 1089});
                if (p == nullptr) return m.error;
                if (p[0] > p[1]) return kRcgProductRangesDisagree;
                total += static_cast<uint32_t>(p[1] - p[0]) + 1;
            }
            if (total != want) return kRcgProductRangesDisagree;
        } else if (m.Take(kLists, want, {1090, 1091}) == nullptr) {
            return m.error;
        }
    }
    return 0;
}

template <class Mover>
int32_t WalkLoad(Mover& m, uint8_t command) {
    if (!(command & kRcgKeepBit)) {
        if (command & kRcgCursorBit) return WalkProductLoad(m, command);
        const uint8_t* p = nullptr;
        switch (RcgSourceOf(command)) {
            case kRcgSourceLiteral: return kRcgCursorSetLiteral;
            case kRcgSourceRing: p = m.Take(kRingOps, 1, {1026, 1027}); break;
            case kRcgSourceTable: p = m.Take(kBytes, 1, {1028, 1029}); break;
            default: p = m.Take(kWords, 2, {1030, 1031}); break;
        }
        return p != nullptr ? 0 : m.error;
    }
    const uint8_t form = RcgLoadFormOf(command);
    const bool wideCount = form == kRcgLoadDictionaryLiterals || form == kRcgLoadDictionaryLiteralsOnly;
    const uint8_t* p = wideCount ? m.Take(kLoadCounts, 2, {1032, 1033}) : m.Take(kLoadCounts, 1, {1066, 1067});
    if (p == nullptr) return m.error;
    const uint32_t n = (wideCount ? RcgGet16(p) : *p) + 1u;
    if (command & kRcgCursorBit) {
        if (wideCount) {
            p = m.Take(kWords, 2, {1030, 1031});
        } else if (form <= kRcgLoadTableLiterals) {
            p = m.Take(kBytes, 1, {1028, 1029});
        } else {
            p = m.Take(kRingOps, 1, {1026, 1027});
        }
        if (p == nullptr) return m.error;
    }
    bool ok;
    switch (form) {
        case kRcgLoadDictionaryLiterals:
        case kRcgLoadDictionaryLiteralsOnly:
        case kRcgLoadTableLiterals:
        case kRcgLoadRingLiterals: ok = m.Colours(n, kLoadColours); break;
        case kRcgLoadRingFromTable: ok = m.Take(kBytes, n, {1078, 1079}) != nullptr; break;
        default: ok = m.Take(kWords, 2 * n, {1076, 1077}) != nullptr; break;  // dictionary index lists
    }
    return ok ? 0 : m.error;
}

template <class Mover>
int32_t WalkCommand(Mover& m) {
    const uint8_t* p = m.Take(kCommands, 1, {kRcgCommandsEndMismatch, kRcgCommandsEndMismatch});
    if (p == nullptr) return m.error;
    const uint8_t command = *p;
    const uint8_t code = RcgCodeOf(command);
    if (code == kRcgLoad) return WalkLoad(m, command);
    uint32_t count;
    if (command & kRcgWideBit) {
        if ((p = m.Take(kCounts16, 2, {1020, 1109})) == nullptr) return m.error;
        count = RcgGet16(p);
    } else {
        if ((p = m.Take(kCounts8, 1, {1021, 1022})) == nullptr) return m.error;
        count = *p;
    }
    int32_t result;
    switch (code) {
        case kRcgSequence: return WalkColourList(m, command, count);
        case kRcgRun: return WalkColours(m, command, 1);
        case kRcgTwoColourBlock:
            if ((result = WalkColours(m, command, 2)) != 0) return result;
            return m.Take(kBits, (count + 7) / 8, {1060, 1061}) != nullptr ? 0 : m.error;
        case kRcgFourColourBlock:
            if ((result = WalkColours(m, command, 4)) != 0) return result;
            return m.Take(kFields, (count + 3) / 4, {1062, 1063}) != nullptr ? 0 : m.error;
        case kRcgRampBlock:
            if ((result = WalkColours(m, command, 2)) != 0) return result;
            if (m.Take(kRingOps, 1, {1058, 1059}) == nullptr) return m.error;
            return m.Take(kFields, (count + 3) / 4, {1062, 1063}) != nullptr ? 0 : m.error;
        default: {  // MaskedSequence, MaskedRamp
            const uint32_t maskBytes = (count + 7) / 8;
            if ((p = m.Take(kMasks, maskBytes, {1023, 1024})) == nullptr) return m.error;
            if (code == kRcgMaskedRamp) return WalkColours(m, command, 2);
            return WalkColourList(m, command, RcgCountOnes(p, maskBytes));
        }
    }
}

// ---- the splitter's mover: record -> streams ----

class SplitMover {
public:
    // With null `streams` the mover only counts the bytes of each stream.
    SplitMover(const uint8_t* body, const uint8_t* end, uint32_t literalBytes, uint8_t* const* streams,
               uint64_t* sizes)
        : m_p(body), m_end(end), m_literalBytes(literalBytes), m_streams(streams), m_sizes(sizes) {}

    const uint8_t* Take(uint32_t stream, uint32_t n, Codes codes) {
        if (static_cast<uint64_t>(m_end - m_p) < n) {
            error = codes.outputShort;
            return nullptr;
        }
        const uint8_t* at = m_p;
        if (m_streams != nullptr && n != 0) std::memcpy(m_streams[stream] + m_sizes[stream], m_p, n);
        m_sizes[stream] += n;
        m_p += n;
        return at;
    }

    bool Colours(uint32_t n, const ColourCodes& codes) {
        const uint32_t lit = m_literalBytes;
        const uint64_t bytes = static_cast<uint64_t>(n) * lit;
        if (static_cast<uint64_t>(m_end - m_p) < bytes) {
            error = (lit == 3 ? codes.whole3 : codes.whole4).outputShort;
            return false;
        }
        if (m_streams != nullptr && n != 0) {
            std::memcpy(m_streams[kWhole] + m_sizes[kWhole], m_p, bytes);
            static constexpr uint32_t kPlaneOfByte[4] = {kBlue, kGreen, kRed, kAlpha};
            for (uint32_t b = 0; b < lit; ++b) {
                uint8_t* plane = m_streams[kPlaneOfByte[b]] + m_sizes[kPlaneOfByte[b]];
                for (uint32_t i = 0; i < n; ++i) plane[i] = m_p[static_cast<size_t>(i) * lit + b];
            }
        }
        m_sizes[kWhole] += bytes;
        m_sizes[kBlue] += n;
        m_sizes[kGreen] += n;
        m_sizes[kRed] += n;
        if (lit == 4) m_sizes[kAlpha] += n;
        m_p += bytes;
        return true;
    }

    bool AtEnd() const { return m_p == m_end; }

    int32_t error = 0;

private:
    const uint8_t* m_p;
    const uint8_t* m_end;
    uint32_t m_literalBytes;
    uint8_t* const* m_streams;
    uint64_t* m_sizes;
};

// Walks the whole body; false when it breaks off or is invalid.
bool WalkBody(SplitMover& mover) {
    while (!mover.AtEnd()) {
        if (WalkCommand(mover) != 0) return false;
    }
    return true;
}

// ---- the rebuilder's mover: streams -> record ----

class RebuildMover {
public:
    struct Stream {
        const uint8_t* p = nullptr;
        uint32_t left = 0;
    };

    RebuildMover(uint8_t* out, uint8_t* end, uint32_t literalBytes, bool planar)
        : m_o(out), m_end(end), m_literalBytes(literalBytes), m_planar(planar) {}

    Stream streams[kLogicalStreams];
    int32_t error = 0;

    uint8_t* Take(uint32_t stream, uint32_t n, Codes codes) {
        Stream& s = streams[stream];
        if (s.left < n) {
            error = codes.streamShort;
            return nullptr;
        }
        if (static_cast<uint64_t>(m_end - m_o) < n) {
            error = codes.outputShort;
            return nullptr;
        }
        uint8_t* at = m_o;
        CopyOperand(m_o, s.p, n);
        s.p += n;
        s.left -= n;
        m_o += n;
        return at;
    }

    bool Colours(uint32_t n, const ColourCodes& codes) {
        const uint32_t lit = m_literalBytes;
        if (!m_planar) return Take(kWhole, n * lit, lit == 3 ? codes.whole3 : codes.whole4) != nullptr;
        const Codes planeCodes = lit == 3 ? codes.planes3 : codes.planes4;
        static constexpr uint32_t kPlaneOfByte[4] = {kBlue, kGreen, kRed, kAlpha};
        for (uint32_t b = 0; b < lit; ++b) {
            if (streams[kPlaneOfByte[b]].left < n) {
                error = planeCodes.streamShort;
                return false;
            }
        }
        const uint64_t bytes = static_cast<uint64_t>(n) * lit;
        if (static_cast<uint64_t>(m_end - m_o) < bytes) {
            error = planeCodes.outputShort;
            return false;
        }
        // One pass over the planes, a colour at a time.
        const uint8_t* blue = streams[kBlue].p;
        const uint8_t* green = streams[kGreen].p;
        const uint8_t* red = streams[kRed].p;
        uint8_t* o = m_o;
        if (lit == 4) {
            const uint8_t* alpha = streams[kAlpha].p;
            for (uint32_t i = 0; i < n; ++i) {
                const uint32_t colour = static_cast<uint32_t>(blue[i]) | (static_cast<uint32_t>(green[i]) << 8) |
                                        (static_cast<uint32_t>(red[i]) << 16) |
                                        (static_cast<uint32_t>(alpha[i]) << 24);
                if constexpr (std::endian::native == std::endian::little) {
                    std::memcpy(o + 4 * static_cast<size_t>(i), &colour, 4);
                } else {
                    RcgPut32(o + 4 * static_cast<size_t>(i), colour);
                }
            }
        } else {
            for (uint32_t i = 0; i < n; ++i) {
                o[3 * static_cast<size_t>(i)] = blue[i];
                o[3 * static_cast<size_t>(i) + 1] = green[i];
                o[3 * static_cast<size_t>(i) + 2] = red[i];
            }
        }
        for (uint32_t b = 0; b < lit; ++b) {
            Stream& s = streams[kPlaneOfByte[b]];
            s.p += n;
            s.left -= n;
        }
        m_o += bytes;
        return true;
    }

    bool Full() const { return m_o == m_end; }

private:
    uint8_t* m_o;
    uint8_t* m_end;
    uint32_t m_literalBytes;
    bool m_planar;
};

// ---- module scratch ----

struct Scratch {
    std::unique_ptr<uint8_t[]> slot[kMaxSlots];
    uint64_t slotSize[kMaxSlots] = {};
    std::unique_ptr<uint8_t[]> preStage;
    uint64_t preStageSize = 0;
    CMemoryBlock<unsigned char> record;

    void ReleaseWork() {
        for (uint32_t i = 0; i < kMaxSlots; ++i) {
            slot[i].reset();
            slotSize[i] = 0;
        }
        preStage.reset();
        preStageSize = 0;
    }
};

Scratch& TheScratch() {
    static Scratch scratch;
    return scratch;
}

struct WorkRelease {
    ~WorkRelease() { TheScratch().ReleaseWork(); }
};

bool Grow(std::unique_ptr<uint8_t[]>& block, uint64_t& held, uint64_t wanted) {
    if (wanted > SIZE_MAX) return false;
    block.reset();
    held = 0;
    block.reset(new (std::nothrow) uint8_t[static_cast<size_t>(wanted)]);
    if (!block) return false;
    held = wanted;
    return true;
}

struct Descriptor {
    uint8_t coding;
    uint32_t stored;
    uint32_t raw;
};

}  // namespace

CMemoryBlock<unsigned char>& RcgSharedRecordBlock() { return TheScratch().record; }

void RcgReleaseScratch() {
    Scratch& s = TheScratch();
    s.ReleaseWork();
    s.record.Free();
}

bool RcgSplitStreams(CMemoryBlock<unsigned char>& out, const CMemoryBlock<unsigned char>& record, int32_t level) {
    static_cast<void>(level);
    const uint8_t* rec = record.GetBuffer();
    if (rec == nullptr || record.GetCount() < kRcgHeaderSize) return false;
    const RcgRecordHeader header = RcgReadHeader(rec);
    if (header.type != kRcgTypeRgb && header.type != kRcgTypeArgb) return false;
    if (header.totalSize < kRcgHeaderSize || header.totalSize > record.GetCount()) return false;
    const uint32_t literalBytes = RcgLiteralBytes(header.type);
    const uint8_t* body = rec + kRcgHeaderSize;
    const uint8_t* end = rec + header.totalSize;

    try {
        uint64_t sizes[kLogicalStreams] = {};
        SplitMover counter(body, end, literalBytes, nullptr, sizes);
        if (!WalkBody(counter)) return false;

        // Each stream behind the coder's zero history.
        std::unique_ptr<uint8_t[]> work[kLogicalStreams];
        uint8_t* streams[kLogicalStreams];
        for (uint32_t i = 0; i < kLogicalStreams; ++i) {
            work[i].reset(new uint8_t[static_cast<size_t>(kRcgEncoderHistory + sizes[i])]);
            std::memset(work[i].get(), 0, kRcgEncoderHistory);
            streams[i] = work[i].get() + kRcgEncoderHistory;
        }
        uint64_t filled[kLogicalStreams] = {};
        SplitMover writer(body, end, literalBytes, streams, filled);
        if (!WalkBody(writer)) return false;

        // Coded form kept only when it is shorter than the stream.
        std::unique_ptr<uint8_t[]> coded[kLogicalStreams];
        uint64_t stored[kLogicalStreams];
        for (uint32_t i = 0; i < kLogicalStreams; ++i) {
            const uint64_t raw = sizes[i];
            stored[i] = raw;
            if (raw < 2) continue;
            coded[i].reset(new uint8_t[static_cast<size_t>(raw - 1)]);
            const uint64_t length =
                RcgEncodeByteCoder(streams[i], static_cast<uint32_t>(raw), coded[i].get(), raw - 1);
            if (length == kRcgCodingDoesNotFit) {
                coded[i].reset();
            } else {
                stored[i] = length;
            }
        }

        const uint16_t layout = stored[kWhole] > stored[kRed] + stored[kGreen] + stored[kBlue] + stored[kAlpha]
                                    ? kRcgLayoutPlanar
                                    : kRcgLayoutWhole;
        const uint32_t slots = SlotCount(layout, header.type);
        uint64_t total = kRcgContainerHeaderSize + static_cast<uint64_t>(kRcgDescriptorSize) * slots;
        for (uint32_t s = 0; s < slots; ++s) total += stored[LogicalOfSlot(layout, s)];
        if (total > UINT32_MAX) return false;

        CMemoryBlock<unsigned char> container;
        uint8_t* c = container.Alloc(static_cast<uint32_t>(total));
        RcgPut32(c, static_cast<uint32_t>(total));
        RcgPut32(c + 4, header.width);
        RcgPut32(c + 8, header.height);
        RcgPut16(c + 12, header.type + kRcgTypeStreamFlag);
        RcgPut32(c + 14, header.totalSize);
        RcgPut16(c + 18, layout);
        uint8_t* descriptor = c + kRcgContainerHeaderSize;
        uint8_t* data = descriptor + static_cast<size_t>(kRcgDescriptorSize) * slots;
        for (uint32_t s = 0; s < slots; ++s) {
            const uint32_t logical = LogicalOfSlot(layout, s);
            const bool isCoded = coded[logical] != nullptr;
            descriptor[0] = isCoded ? kRcgCodingByteCoder : kRcgCodingStored;
            RcgPut32(descriptor + 1, static_cast<uint32_t>(stored[logical]));
            RcgPut32(descriptor + 5, static_cast<uint32_t>(sizes[logical]));
            descriptor += kRcgDescriptorSize;
            if (stored[logical] != 0) {
                std::memcpy(data, isCoded ? coded[logical].get() : streams[logical], stored[logical]);
                data += stored[logical];
            }
        }
        out = std::move(container);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

int32_t RcgUnpackStreams(CMemoryBlock<unsigned char>& destination, uint32_t& innerSize, const uint8_t* container,
                         uint32_t size) {
    if (container == nullptr) return kRcgNoContainer;
    if (size < kRcgContainerHeaderSize) return kRcgContainerHeaderBad;
    const uint16_t type = RcgGet16(container + 12);
    if (type != kRcgTypeRgb + kRcgTypeStreamFlag && type != kRcgTypeArgb + kRcgTypeStreamFlag) {
        return kRcgContainerHeaderBad;
    }
    const uint16_t innerType = static_cast<uint16_t>(type - kRcgTypeStreamFlag);
    const uint16_t layout = RcgGet16(container + 18);
    if (layout > kRcgLayoutPlanar) return kRcgContainerLayoutBad;
    if (RcgGet32(container) != size) return kRcgContainerSizeMismatch;

    // Every size is checked before anything is allocated.
    const uint32_t slots = SlotCount(layout, innerType);
    const uint64_t dataStart = kRcgContainerHeaderSize + static_cast<uint64_t>(kRcgDescriptorSize) * slots;
    if (dataStart > size) return kRcgContainerSizesDisagree;
    Descriptor descriptors[kMaxSlots];
    uint64_t storedSum = 0;
    uint64_t rawSum = 0;
    for (uint32_t s = 0; s < slots; ++s) {
        const uint8_t* d = container + kRcgContainerHeaderSize + static_cast<size_t>(kRcgDescriptorSize) * s;
        descriptors[s] = Descriptor{d[0], RcgGet32(d + 1), RcgGet32(d + 5)};
        storedSum += descriptors[s].stored;
        rawSum += descriptors[s].raw;
    }
    if (dataStart + storedSum != size) return kRcgContainerSizesDisagree;
    const uint32_t inner = RcgGet32(container + 14);
    if (inner < kRcgHeaderSize || rawSum != inner - kRcgHeaderSize) return kRcgContainerSizesDisagree;
    for (uint32_t s = 0; s < slots; ++s) {
        const Descriptor& d = descriptors[s];
        if (d.coding == kRcgCodingStored && d.stored != d.raw) return kRcgStoredSizeMismatch;
        const uint32_t unit = UnitOfSlot(layout, innerType, s);
        if (d.raw > RcgMaxDecodedSize(d.coding, unit, d.stored)) return kRcgStreamLengthMismatch;
    }

    if (destination.GetCount() < inner) {
        destination.Free();
        try {
            destination.Alloc(inner);
        } catch (const std::bad_alloc&) {
            return kRcgContainerNoMemory;
        }
    }

    Scratch& scratch = TheScratch();
    WorkRelease release;
    RebuildMover mover(destination.GetBuffer() + kRcgHeaderSize, destination.GetBuffer() + inner,
                       RcgLiteralBytes(innerType), layout == kRcgLayoutPlanar);
    const uint8_t* stored = container + dataStart;
    for (uint32_t s = 0; s < slots; ++s) {
        const Descriptor& d = descriptors[s];
        RebuildMover::Stream& stream = mover.streams[LogicalOfSlot(layout, s)];
        if (d.coding == kRcgCodingStored) {
            // A stored stream is read where it lies (its sizes agree, checked above).
            stream.p = stored;
            stream.left = d.raw;
            stored += d.stored;
            continue;
        }
        const uint32_t unit = UnitOfSlot(layout, innerType, s);
        // Only the history the coding can reach is kept and zeroed.
        const uint64_t history = RcgStreamHistory(d.coding, unit);
        if (scratch.slotSize[s] < history + d.raw || scratch.slot[s] == nullptr) {
            if (!Grow(scratch.slot[s], scratch.slotSize[s], history + d.raw + 16)) return kRcgContainerSlotNoMemory;
        }
        uint8_t* block = scratch.slot[s].get();
        std::memset(block, 0, static_cast<size_t>(history));
        uint8_t* preStage = nullptr;
        uint64_t preStageSize = 0;
        if (d.coding >= kRcgCodingRunsUnitLz8 && d.coding <= kRcgCodingRunsStored) {
            const uint64_t limit = 3ull * inner;
            const uint64_t reach = RcgMaxPreStageSize(d.stored);
            const uint64_t wanted = reach < limit ? reach : limit;
            if (scratch.preStageSize < wanted && !Grow(scratch.preStage, scratch.preStageSize, wanted)) {
                return kRcgContainerNoMemory;
            }
            preStage = scratch.preStage.get();
            preStageSize = scratch.preStageSize < limit ? scratch.preStageSize : limit;
        }
        const int32_t result = RcgDecodeStream(stored, d.stored, d.coding, unit, block + history, d.raw, preStage,
                                               preStageSize);
        if (result != 0) return result;
        stream.p = block + history;
        stream.left = d.raw;
        stored += d.stored;
    }

    uint8_t* out = destination.GetBuffer();
    RcgWriteHeader(out, RcgRecordHeader{inner, RcgGet32(container + 4), RcgGet32(container + 8), innerType});
    while (!mover.Full()) {
        if (mover.streams[kCommands].left == 0) return kRcgCommandsEndMismatch;
        const int32_t result = WalkCommand(mover);
        if (result != 0) return result;
    }
    if (mover.streams[kCommands].left != 0) return kRcgCommandsEndMismatch;
    innerSize = inner;
    return 0;
}
