// The image-as-text codec. Both directions work on whole groups of 7 bytes /
// 8 symbols held in one 64-bit value: the encoder loads 56 bits and cuts them
// into eight 7-bit fields; the decoder maps each byte through a 256-entry table
// (symbol value, or a flag bit for a byte outside the alphabet), accumulates
// value << 7 | symbol and stores the 56 bits most significant byte first. The
// short last group runs through the same code with the missing bytes taken as 0.
#include "document/text/Text128Codec.h"

#include <array>
#include <cstring>

namespace {

// Symbol value -> byte, by the ranges of the alphabet.
constexpr std::array<unsigned char, 128> MakeSymbols() {
    std::array<unsigned char, 128> table{};
    for (unsigned v = 0; v < 128; ++v) {
        if (v < 10)
            table[v] = static_cast<unsigned char>('0' + v);
        else if (v < 36)
            table[v] = static_cast<unsigned char>('A' + (v - 10));
        else if (v < 62)
            table[v] = static_cast<unsigned char>('a' + (v - 36));
        else if (v < 65)
            table[v] = static_cast<unsigned char>(0x7B + (v - 62));
        else
            table[v] = static_cast<unsigned char>(v + 0x60);
    }
    return table;
}

// A byte outside the alphabet. Symbol values use 7 bits, so OR-ing a group's
// lookups shows whether any of them failed.
constexpr unsigned char kInvalid = 0x80;

// Byte -> symbol value or kInvalid, by the same ranges read the other way.
constexpr std::array<unsigned char, 256> MakeValues() {
    std::array<unsigned char, 256> table{};
    for (unsigned b = 0; b < 256; ++b) {
        if (b >= '0' && b <= '9')
            table[b] = static_cast<unsigned char>(b - '0');
        else if (b >= 'A' && b <= 'Z')
            table[b] = static_cast<unsigned char>(b - 'A' + 10);
        else if (b >= 'a' && b <= 'z')
            table[b] = static_cast<unsigned char>(b - 'a' + 36);
        else if (b >= 0x7B && b <= 0x7D)
            table[b] = static_cast<unsigned char>(b - 0x7B + 62);
        else if (b >= 0xA1 && b <= 0xDF)
            table[b] = static_cast<unsigned char>(b - 0x60);
        else
            table[b] = kInvalid;
    }
    return table;
}

constexpr std::array<unsigned char, 128> kSymbols = MakeSymbols();
constexpr std::array<unsigned char, 256> kValues = MakeValues();

// The two tables are inverses: every symbol decodes to its value and exactly
// 128 bytes are valid.
constexpr bool TablesAgree() {
    unsigned valid = 0;
    for (unsigned b = 0; b < 256; ++b) {
        if (kValues[b] == kInvalid) continue;
        ++valid;
        if (kSymbols[kValues[b]] != b) return false;
    }
    return valid == 128;
}
static_assert(TablesAgree());

inline uint64_t LoadBigEndian64(const uint8_t* p) {
    uint64_t v;
    std::memcpy(&v, p, 8);
    return __builtin_bswap64(v);
}

// Eight symbols of the 56-bit value v (bits 55..0) into out[0..7].
inline void PutGroup(char* out, uint64_t v) {
    unsigned char s[8];
    for (int i = 0; i < 8; ++i) s[i] = kSymbols[(v >> (49 - 7 * i)) & 127];
    std::memcpy(out, s, 8);
}

// Writes the symbols of count bytes to out; returns how many.
uint32_t EncodeSymbols(char* out, const uint8_t* in, uint32_t count) {
    const uint32_t groups = count / 7;
    uint32_t g = 0;
    // Whole groups with an eighth byte readable after them: one 8-byte load.
    for (; g + 1 < groups; ++g) PutGroup(out + size_t(g) * 8, LoadBigEndian64(in + size_t(g) * 7) >> 8);
    // The last whole group and the short tail: bytes one by one, missing ones 0.
    const uint8_t* rest = in + size_t(g) * 7;
    char* o = out + size_t(g) * 8;
    uint32_t left = count - g * 7;
    while (left != 0) {
        const uint32_t take = left < 7 ? left : 7;
        uint64_t v = 0;
        for (uint32_t i = 0; i < take; ++i) v |= uint64_t(rest[i]) << (48 - 8 * i);
        if (take == 7) {
            PutGroup(o, v);
            o += 8;
        } else {
            for (uint32_t i = 0; i <= take; ++i) *o++ = static_cast<char>(kSymbols[(v >> (49 - 7 * i)) & 127]);
        }
        rest += take;
        left -= take;
    }
    return uint32_t(o - out);
}

// Decodes length bytes of symbols; see DecodeText128. A string holds no NUL
// before its end, so the NUL that ends the text is reached exactly at length.
uint32_t DecodeSymbols(const unsigned char* in, uint32_t length, uint8_t* out, uint32_t capacity) {
    uint32_t written = 0;
    // Whole groups of 8 symbols, 7 bytes each.
    for (; length >= 8; in += 8, length -= 8) {
        uint64_t v = 0;
        unsigned flags = 0;
        for (int i = 0; i < 8; ++i) {
            const unsigned s = kValues[in[i]];
            flags |= s;
            v = v << 7 | s;
        }
        if ((flags & kInvalid) != 0 || capacity - written < 7) return kText128Failed;
        const uint64_t be = __builtin_bswap64(v << 8);
        std::memcpy(out + written, &be, 7);
        written += 7;
    }
    // The short last group: k symbols give k - 1 bytes; the 8 - k fill bits at
    // the low end are dropped unchecked. A single symbol gives nothing, but is
    // still checked against the alphabet.
    uint64_t v = 0;
    unsigned flags = 0;
    for (uint32_t i = 0; i < length; ++i) {
        const unsigned s = kValues[in[i]];
        flags |= s;
        v = v << 7 | s;
    }
    if ((flags & kInvalid) != 0) return kText128Failed;
    if (length < 2) return written;
    const uint32_t bytes = length - 1;
    if (capacity - written < bytes) return kText128Failed;
    v >>= 8 - length;
    for (uint32_t i = 0; i < bytes; ++i) out[written + i] = static_cast<uint8_t>(v >> (8 * (bytes - 1 - i)));
    return written + bytes;
}

}  // namespace

template <unsigned N>
bool EncodeText128(CStr_base<N>& text, const uint8_t* data, uint32_t count) {
    // Encoding part of the string's own text: growing or writing would destroy
    // the input, so build the result aside and take its buffer over.
    if (count != 0 && text.GetCapacity() != 0 && detail::PointsInto(data, text.GetText(), text.GetCapacity())) {
        CStr_base<N> result;
        EncodeText128(result, data, count);
        text = std::move(result);
        return true;
    }
    // In 64 bits: for counts near 2^32 the size passes 32 bits.
    const uint64_t size = (uint64_t(count) + 6) / 7 * 8 + 1;
    if (size >= detail::kMaxStrCapacity) throw 0;
    text.Reserve(uint32_t(size));
    const uint32_t symbols = EncodeSymbols(text.GetBuffer(), data, count);
    text.SetLength(int32_t(symbols));
    return true;
}

template <unsigned N>
uint32_t DecodeText128(const CStr_base<N>& text, uint8_t* buffer, uint32_t capacity) {
    const uint32_t length = uint32_t(text.GetLength());
    if (buffer == nullptr) return uint32_t((uint64_t(length) + 7) / 8 * 7);
    return DecodeSymbols(reinterpret_cast<const unsigned char*>(text.GetText()), length, buffer, capacity);
}

template bool EncodeText128<64>(CStr_base<64>&, const uint8_t*, uint32_t);
template bool EncodeText128<1024>(CStr_base<1024>&, const uint8_t*, uint32_t);
template bool EncodeText128<16384>(CStr_base<16384>&, const uint8_t*, uint32_t);
template uint32_t DecodeText128<64>(const CStr_base<64>&, uint8_t*, uint32_t);
template uint32_t DecodeText128<16384>(const CStr_base<16384>&, uint8_t*, uint32_t);
