// Stream codings of the RCG stream container: the decoders of codings 0-6 and
// the writer of the byte coder (coding 6).
//
// Decoding. Every token is checked before it is carried out: its operand bytes
// must be present and its output must fit the stream's raw size; a token met
// with the output already full, or a stream that stops short of the raw size,
// fails as a whole. Back references read the zero history the caller keeps
// before the output.
//
// Writing. At each position the writer tries, in a fixed order, an arithmetic
// sequence of 16-bit words, a long match (12-75 bytes), a run of pairs sharing
// a byte and a short match (4-11 bytes, one byte may differ and travel as a
// substitute), each scored by the bytes it saves against literals; a candidate
// must beat the best so far, and a good one early skips the later searches.
// Without a candidate the byte joins the pending literal run. Matches look at
// most 256 bytes back; a small hash of the two leading bytes chains the
// positions of that window, so each search visits only the positions whose
// first two bytes agree (in order of distance, which keeps the shortest
// distance on equal lengths).
#include "imagefiles/rcg/RcgStreamCoding.h"

#include <algorithm>
#include <cstring>
#include <iterator>

namespace {

inline uint32_t Word(const uint8_t* p) { return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8); }

inline void PutWord(uint8_t* p, uint32_t w) {
    p[0] = static_cast<uint8_t>(w);
    p[1] = static_cast<uint8_t>(w >> 8);
}

// ---- decoders ----

inline uint64_t Load64(const uint8_t* p) {
    uint64_t w;
    std::memcpy(&w, p, 8);
    return w;
}
inline void Store64(uint8_t* p, uint64_t w) { std::memcpy(p, &w, 8); }
inline uint32_t Load32(const uint8_t* p) {
    uint32_t w;
    std::memcpy(&w, p, 4);
    return w;
}
inline void Store32(uint8_t* p, uint32_t w) { std::memcpy(p, &w, 4); }

// Copies len bytes between disjoint ranges, in 16-byte pieces (the last one
// may overlap the one before), touching nothing outside the two ranges.
inline void CopyDisjoint(uint8_t* dst, const uint8_t* src, uint32_t len) {
    if (len >= 16) {
        uint32_t j = 0;
        for (; j + 16 <= len; j += 16) {
            uint8_t piece[16];
            std::memcpy(piece, src + j, 16);
            std::memcpy(dst + j, piece, 16);
        }
        if (j != len) {
            uint8_t piece[16];
            std::memcpy(piece, src + len - 16, 16);
            std::memcpy(dst + len - 16, piece, 16);
        }
    } else if (len >= 8) {
        const uint64_t a = Load64(src);
        const uint64_t b = Load64(src + len - 8);
        Store64(dst, a);
        Store64(dst + len - 8, b);
    } else if (len >= 4) {
        const uint32_t a = Load32(src);
        const uint32_t b = Load32(src + len - 4);
        Store32(dst, a);
        Store32(dst + len - 4, b);
    } else {
        for (uint32_t j = 0; j < len; ++j) dst[j] = src[j];
    }
}

// Copies len bytes forward from src to dst, touching nothing outside
// [dst, dst + len) and [src, src + len). Valid for disjoint ranges and for
// src at least 8 bytes behind dst (every word read was written before), the
// way a back reference repeats its own output.
inline void CopyForward(uint8_t* dst, const uint8_t* src, uint32_t len) {
    if (len >= 8) {
        uint32_t j = 0;
        for (; j + 8 <= len; j += 8) Store64(dst + j, Load64(src + j));
        if (j != len) Store64(dst + len - 8, Load64(src + len - 8));
    } else if (len >= 4) {
        Store32(dst, Load32(src));
        Store32(dst + len - 4, Load32(src + len - 4));
    } else {
        for (uint32_t j = 0; j < len; ++j) dst[j] = src[j];
    }
}

int32_t DecodeByteCoder(const uint8_t* in, uint32_t n, uint8_t* out, uint32_t raw) {
    uint32_t i = 0;
    uint32_t o = 0;
    uint32_t savedValue = 0;
    uint32_t savedStep = 2;
    while (i < n) {
        if (o == raw) return kRcgStreamLengthMismatch;
        const uint32_t t = in[i++];
        const uint32_t room = raw - o;
        const uint32_t left = n - i;
        switch (t >> 4) {
            case 0x0:
            case 0x1: {
                uint32_t len = t & 15;
                if (t & 0x10) {
                    if (left < 1) return kRcgByteLongLiteralHeaderShort;
                    len |= static_cast<uint32_t>(in[i++]) << 4;
                }
                ++len;
                if (n - i < len) return kRcgByteLiteralShort;
                if (len > room) return kRcgByteLiteralOverflow;
                CopyDisjoint(out + o, in + i, len);
                i += len;
                o += len;
                break;
            }
            case 0x2:
            case 0x3: {
                const uint32_t k = (t & 15) + 4;
                if (left < k + 1) return kRcgBytePairsShort;
                if (2 * k > room) return kRcgBytePairsOverflow;
                const uint8_t shared = in[i++];
                const bool sharedLow = (t & 0x10) == 0;
                for (uint32_t j = 0; j < k; ++j) {
                    const uint8_t varying = in[i++];
                    out[o++] = sharedLow ? shared : varying;
                    out[o++] = sharedLow ? varying : shared;
                }
                break;
            }
            case 0x4:
            case 0x5:
            case 0x6:
            case 0x7: {
                const uint32_t kind = t >> 4;
                uint32_t value;
                uint32_t step;
                if (kind == 0x6) {
                    value = savedValue;
                    step = savedStep;
                } else if (kind == 0x7) {
                    if (left < 4) return kRcgByteSequenceStepShort;
                    value = Word(in + i);
                    step = Word(in + i + 2);
                    i += 4;
                } else {
                    if (left < 2) return kRcgByteSequenceStartShort;
                    value = Word(in + i);
                    step = kind == 0x4 ? 1u : 0xFFFFu;
                    i += 2;
                }
                const uint32_t k = (t & 15) + 1;
                if (2 * k > room) return kRcgByteSequenceOverflow;
                for (uint32_t j = 0; j < k; ++j) {
                    PutWord(out + o, value);
                    o += 2;
                    value = (value + step) & 0xFFFF;
                }
                savedValue = value;
                savedStep = step;
                break;
            }
            default: {
                if (left < 1) return kRcgByteMatchShort;
                const uint32_t distance = static_cast<uint32_t>(in[i++]) + 1;
                uint32_t len;
                uint32_t subAt = UINT32_MAX;
                uint8_t sub = 0;
                if (t < 0xC0) {
                    len = (t & 63) + 12;
                } else {
                    len = (t & 7) + 4;
                    const uint32_t s = (t >> 3) & 7;
                    if (s != 0) {
                        if (i >= n) return kRcgByteMatchShort;
                        sub = in[i++];
                        subAt = s + 1;
                    }
                }
                if (len > room) return kRcgByteMatchOverflow;
                uint8_t* dst = out + o;
                const uint8_t* src = dst - distance;
                if (distance >= len) {
                    // The source lies wholly before the copy: copy, then substitute.
                    CopyDisjoint(dst, src, len);
                    if (subAt < len) dst[subAt] = sub;
                } else if (subAt == UINT32_MAX && distance >= 8) {
                    CopyForward(dst, src, len);
                } else {
                    // Overlapping: later bytes may repeat the substitute.
                    for (uint32_t j = 0; j < len; ++j) dst[j] = j == subAt ? sub : src[j];
                }
                o += len;
                break;
            }
        }
    }
    return o == raw ? 0 : kRcgStreamLengthMismatch;
}

// Unit LZ with one-byte (wide = false) or 16-bit tokens.
int32_t DecodeUnitLz(const uint8_t* in, uint64_t n, bool wide, uint32_t unit, uint8_t* out, uint32_t raw) {
    const int32_t copyOverflow = wide ? kRcgLz16CopyOverflow : kRcgLz8CopyOverflow;
    const int32_t literalOverflow = wide ? kRcgLz16LiteralOverflow : kRcgLz8LiteralOverflow;
    const int32_t literalShort = wide ? kRcgLz16LiteralShort : kRcgLz8LiteralShort;
    uint64_t i = 0;
    uint32_t o = 0;
    while (i < n) {
        uint32_t token;
        if (wide) {
            if (n - i < 2) return kRcgStreamLengthMismatch;  // a trailing odd byte
            token = Word(in + i);
            i += 2;
        } else {
            token = in[i++];
        }
        if (o == raw) return kRcgStreamLengthMismatch;
        const uint32_t lengthCode = token & 7;
        const uint32_t distanceCode = token >> 3;
        const uint32_t room = raw - o;
        if (lengthCode != 0) {
            const uint32_t len = lengthCode * unit;
            const uint32_t distance = distanceCode * unit;
            // A copy reaching into its own output would read undecoded bytes.
            if (len > room || distance < len) return copyOverflow;
            CopyDisjoint(out + o, out + o - distance, len);
            o += len;
        } else {
            const uint32_t len = distanceCode * unit;
            if (len > room) return literalOverflow;
            if (n - i < len) return literalShort;
            if (len != 0) std::memcpy(out + o, in + i, len);
            i += len;
            o += len;
        }
    }
    return o == raw ? 0 : kRcgStreamLengthMismatch;
}

// Run-length pre-stage into `pre`; `produced` receives the output length.
int32_t DecodeRuns(const uint8_t* in, uint32_t n, uint8_t* pre, uint64_t capacity, uint64_t& produced) {
    uint32_t i = 0;
    uint64_t o = 0;
    while (n - i >= 2) {
        const uint32_t t = in[i++];
        if (t & 0x40) {
            const uint32_t element = ((t >> 4) & 3) + 1;
            uint32_t count = t & 15;
            if (t & 0x80) count |= static_cast<uint32_t>(in[i++]) << 4;
            if (n - i < element) return kRcgStreamRunShort;
            const uint64_t bytes = static_cast<uint64_t>(count) * element;
            if (bytes > capacity - o) return kRcgStreamRunOverflow;
            if (bytes == 0) {
            } else if (element == 1) {
                std::memset(pre + o, in[i], count);
            } else {
                for (uint32_t c = 0; c < count; ++c) std::memcpy(pre + o + static_cast<uint64_t>(c) * element, in + i, element);
            }
            o += bytes;
            i += element;
        } else {
            uint32_t len = t & 0x3F;
            if (t & 0x80) len |= static_cast<uint32_t>(in[i++]) << 6;
            if (n - i < len) return kRcgStreamLiteralShort;
            if (len > capacity - o) return kRcgStreamLiteralOverflow;
            if (len != 0) std::memcpy(pre + o, in + i, len);
            o += len;
            i += len;
        }
    }
    produced = o;
    return 0;
}

}  // namespace

int32_t RcgDecodeStream(const uint8_t* in, uint32_t storedSize, uint8_t coding, uint32_t unit, uint8_t* out,
                        uint32_t rawSize, uint8_t* preStage, uint64_t preStageSize) {
    switch (coding) {
        case kRcgCodingUnitLz8:
        case kRcgCodingUnitLz16:
            return DecodeUnitLz(in, storedSize, coding == kRcgCodingUnitLz16, unit, out, rawSize);
        case kRcgCodingRunsUnitLz8:
        case kRcgCodingRunsUnitLz16:
        case kRcgCodingRunsStored: {
            if (preStage == nullptr) preStageSize = 0;
            uint64_t produced = 0;
            const int32_t runs = DecodeRuns(in, storedSize, preStage, preStageSize, produced);
            if (runs != 0) return runs;
            if (coding == kRcgCodingRunsStored) {
                if (produced != rawSize) return kRcgStoredSizeMismatch;
                if (rawSize != 0) std::memcpy(out, preStage, rawSize);
                return 0;
            }
            return DecodeUnitLz(preStage, produced, coding == kRcgCodingRunsUnitLz16, unit, out, rawSize);
        }
        case kRcgCodingStored:
            if (storedSize != rawSize) return kRcgStoredSizeMismatch;
            if (rawSize != 0) std::memcpy(out, in, rawSize);
            return 0;
        case kRcgCodingByteCoder:
            return DecodeByteCoder(in, storedSize, out, rawSize);
        default:
            return storedSize == 0 && rawSize == 0 ? 0 : kRcgStreamLengthMismatch;
    }
}

uint64_t RcgMaxPreStageSize(uint64_t storedSize) {
    // The densest token is a long run of 4-byte elements: 6 bytes, 4,095 elements.
    return storedSize * 2730;
}

uint64_t RcgMaxDecodedSize(uint8_t coding, uint32_t unit, uint64_t storedSize) {
    // Per input byte: a one-byte LZ token copies at most 7 units, a 16-bit one
    // 7 units per 2 bytes; the byte coder's densest token is a long match of 75
    // bytes from 2 (a sequence token gives 32 bytes from 1).
    switch (coding) {
        case kRcgCodingUnitLz8: return storedSize * 7 * unit;
        case kRcgCodingUnitLz16: return storedSize * 4 * unit;
        case kRcgCodingRunsUnitLz8: return RcgMaxPreStageSize(storedSize) * 7 * unit;
        case kRcgCodingRunsUnitLz16: return RcgMaxPreStageSize(storedSize) * 4 * unit;
        case kRcgCodingRunsStored: return RcgMaxPreStageSize(storedSize);
        case kRcgCodingStored: return storedSize;
        case kRcgCodingByteCoder: return storedSize * 38;
        default: return 0;
    }
}

uint64_t RcgByteCoderBound(uint64_t length) {
    // Every token but a literal saves at least one byte and covers at least
    // four; a literal run costs at most two bytes more per 4,096.
    return length + length / 2 + 64;
}

// ---- byte coder writer ----

namespace {

constexpr uint32_t kReach = 256;
constexpr uint32_t kHashBits = 12;
constexpr int32_t kNoPosition = INT32_MIN;

// Positions of the last 256 bytes chained by their first two bytes.
class MatchChains {
public:
    explicit MatchChains(const uint8_t* data) : m_data(data) {
        std::fill(std::begin(m_head), std::end(m_head), kNoPosition);
    }
    void Insert(int32_t q) {
        const uint32_t key = Key(m_data + q);
        m_prev[static_cast<uint32_t>(q) & (kWindow - 1)] = m_head[key];
        m_head[key] = q;
    }
    int32_t First(const uint8_t* p) const { return m_head[Key(p)]; }
    int32_t Next(int32_t q) const { return m_prev[static_cast<uint32_t>(q) & (kWindow - 1)]; }

private:
    static constexpr uint32_t kWindow = 512;
    static uint32_t Key(const uint8_t* p) { return ((static_cast<uint32_t>(p[0]) << 4) ^ p[1]) & ((1u << kHashBits) - 1); }
    const uint8_t* m_data;
    int32_t m_head[1u << kHashBits];
    int32_t m_prev[kWindow];
};

}  // namespace

uint64_t RcgEncodeByteCoder(const uint8_t* d, uint32_t n, uint8_t* out, uint64_t capacity) {
    uint64_t pos = 0;
    auto room = [&](uint64_t k) { return capacity - pos >= k; };
    auto flush = [&](uint32_t from, uint32_t to) {
        uint32_t len = to - from;
        while (len > 0) {
            const uint32_t chunk = std::min<uint32_t>(len, 4096);
            if (chunk <= 16) {
                if (!room(chunk + 1)) return false;
                out[pos++] = static_cast<uint8_t>(chunk - 1);
            } else {
                if (!room(chunk + 2)) return false;
                out[pos++] = static_cast<uint8_t>(0x10 | ((chunk - 1) & 15));
                out[pos++] = static_cast<uint8_t>((chunk - 1) >> 4);
            }
            std::memcpy(out + pos, d + from, chunk);
            pos += chunk;
            from += chunk;
            len -= chunk;
        }
        return true;
    };
    if (n == 0) return 0;

    MatchChains chains(d);
    for (int32_t q = -static_cast<int32_t>(kReach); q < 0; ++q) chains.Insert(q);
    int64_t inserted = 0;

    uint32_t savedValue = 0;
    uint32_t savedStep = 2;
    uint32_t p = 0;
    uint32_t literalStart = 0;
    while (p < n) {
        const uint32_t r = n - p;
        const uint8_t* cur = d + p;
        for (; inserted < static_cast<int64_t>(p); ++inserted) {
            if (inserted + 1 < static_cast<int64_t>(n)) chains.Insert(static_cast<int32_t>(inserted));
        }

        enum Kind { kNone, kSequence, kLongMatch, kPairs, kShortMatch } kind = kNone;
        int64_t best = 0;
        uint32_t seqWords = 0, seqStep = 0;
        uint32_t matchLength = 0, matchDistance = 0, substituteAt = 0;
        uint32_t pairWords = 0;
        bool pairSharesHigh = false;

        // 1. Arithmetic sequence of 16-bit words.
        bool skipLong = false;
        if (r >= 6) {
            const uint32_t w0 = Word(cur);
            const uint32_t step = (Word(cur + 2) - w0) & 0xFFFF;
            const uint32_t maxWords = r / 2;
            uint32_t l = 2;
            uint32_t expect = (w0 + 2 * step) & 0xFFFF;
            while (l < maxWords && Word(cur + 2 * l) == expect) {
                ++l;
                expect = (expect + step) & 0xFFFF;
            }
            int64_t saving = 0;
            if (w0 == savedValue && step == savedStep) {
                saving = 2 * static_cast<int64_t>(l) - 1;
            } else if (l >= 3) {
                saving = 2 * static_cast<int64_t>(l) - ((step == 1 || step == 0xFFFF) ? 3 : 5);
            }
            if (saving > best) {
                best = saving;
                kind = kSequence;
                seqWords = l;
                seqStep = step;
            }
            skipLong = saving >= 73;
        }

        // 2. Long match: 12 equal bytes, extended to 75.
        if (!skipLong && r >= 12) {
            const uint32_t limit = std::min<uint32_t>(75, r);
            uint32_t bestLength = 0, bestDistance = 0;
            for (int32_t q = chains.First(cur); q >= static_cast<int32_t>(p) - static_cast<int32_t>(kReach);
                 q = chains.Next(q)) {
                const uint8_t* src = d + q;
                if (std::memcmp(src, cur, 12) != 0) continue;
                uint32_t len = 12;
                while (len < limit && src[len] == cur[len]) ++len;
                if (len > bestLength) {
                    bestLength = len;
                    bestDistance = p - static_cast<uint32_t>(q);
                }
            }
            if (bestLength != 0 && static_cast<int64_t>(bestLength) - 2 > best) {
                best = bestLength - 2;
                kind = kLongMatch;
                matchLength = bestLength;
                matchDistance = bestDistance;
                substituteAt = 0;
            }
        }

        // 3. Words sharing their high or low byte.
        if (best < 17 && r >= 8) {
            const uint32_t maxWords = std::min<uint32_t>(19, r / 2);
            uint32_t i = 1, j = 1;
            while (i < maxWords && cur[2 * i + 1] == cur[1]) ++i;
            while (j < maxWords && cur[2 * j] == cur[0]) ++j;
            if (i >= 4 && static_cast<int64_t>(i) - 2 > best) {
                best = i - 2;
                kind = kPairs;
                pairWords = i;
                pairSharesHigh = i > j;
            }
        }

        // 4. Short match: 4-11 bytes, at most one differing byte.
        if (best < 9 && r >= 4) {
            const uint32_t limit = std::min<uint32_t>(11, r);
            uint32_t bestLength = 0, bestDistance = 0, bestMismatch = 0;
            for (int32_t q = chains.First(cur); q >= static_cast<int32_t>(p) - static_cast<int32_t>(kReach);
                 q = chains.Next(q)) {
                const uint8_t* src = d + q;
                if (src[0] != cur[0] || src[1] != cur[1]) continue;
                uint32_t len = 2;
                uint32_t mismatch = 0;
                for (; len < limit; ++len) {
                    if (src[len] != cur[len]) {
                        if (mismatch != 0) break;
                        mismatch = len;
                    }
                }
                if (len > bestLength) {
                    bestLength = len;
                    bestDistance = p - static_cast<uint32_t>(q);
                    bestMismatch = mismatch;
                    if (len == 11) break;
                }
            }
            if (bestLength >= 5) {
                uint32_t len = bestLength;
                uint32_t mismatch = bestMismatch;
                if (mismatch != 0 && mismatch == len - 1) {
                    len = mismatch;  // cut the differing last byte
                    mismatch = 0;
                } else if (mismatch != 0 && mismatch == len - 2 && len > 5) {
                    len = mismatch;  // cut before the differing byte
                    mismatch = 0;
                }
                const int64_t saving = static_cast<int64_t>(len) - (mismatch != 0 ? 3 : 2);
                if (saving > best) {
                    best = saving;
                    kind = kShortMatch;
                    matchLength = len;
                    matchDistance = bestDistance;
                    substituteAt = mismatch;
                }
            }
        }

        if (kind == kNone) {
            ++p;
            continue;
        }
        if (!flush(literalStart, p)) return kRcgCodingDoesNotFit;
        switch (kind) {
            case kSequence: {
                uint32_t value = Word(cur);
                uint32_t left = seqWords;
                while (left > 0) {
                    const uint32_t k = std::min<uint32_t>(16, left);
                    if (value == savedValue && seqStep == savedStep) {
                        if (!room(1)) return kRcgCodingDoesNotFit;
                        out[pos++] = static_cast<uint8_t>(0x60 | (k - 1));
                    } else if (seqStep == 1 || seqStep == 0xFFFF) {
                        if (!room(3)) return kRcgCodingDoesNotFit;
                        out[pos++] = static_cast<uint8_t>((seqStep == 1 ? 0x40 : 0x50) | (k - 1));
                        PutWord(out + pos, value);
                        pos += 2;
                    } else {
                        if (!room(5)) return kRcgCodingDoesNotFit;
                        out[pos++] = static_cast<uint8_t>(0x70 | (k - 1));
                        PutWord(out + pos, value);
                        PutWord(out + pos + 2, seqStep);
                        pos += 4;
                    }
                    value = (value + k * seqStep) & 0xFFFF;
                    savedValue = value;
                    savedStep = seqStep;
                    left -= k;
                }
                p += 2 * seqWords;
                break;
            }
            case kLongMatch:
                if (!room(2)) return kRcgCodingDoesNotFit;
                out[pos++] = static_cast<uint8_t>(0x80 | (matchLength - 12));
                out[pos++] = static_cast<uint8_t>(matchDistance - 1);
                p += matchLength;
                break;
            case kPairs: {
                if (!room(2 + pairWords)) return kRcgCodingDoesNotFit;
                const uint32_t sharedAt = pairSharesHigh ? 1 : 0;
                out[pos++] = static_cast<uint8_t>((pairSharesHigh ? 0x30 : 0x20) | (pairWords - 4));
                out[pos++] = cur[sharedAt];
                for (uint32_t w = 0; w < pairWords; ++w) out[pos++] = cur[2 * w + (1 - sharedAt)];
                p += 2 * pairWords;
                break;
            }
            default: {
                const uint32_t s = substituteAt != 0 ? substituteAt - 1 : 0;
                if (!room(s != 0 ? 3 : 2)) return kRcgCodingDoesNotFit;
                out[pos++] = static_cast<uint8_t>(0xC0 | (s << 3) | (matchLength - 4));
                out[pos++] = static_cast<uint8_t>(matchDistance - 1);
                if (s != 0) out[pos++] = cur[substituteAt];
                p += matchLength;
                break;
            }
        }
        literalStart = p;
    }
    if (!flush(literalStart, n)) return kRcgCodingDoesNotFit;
    return pos;
}
