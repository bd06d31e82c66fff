// Code page 932 <-> UTF-16 over glibc iconv, patched to the Windows tables.
//
// iconv does the bulk of the work in as few calls as possible: runs of ASCII are
// copied here (most names and paths are ASCII, and an iconv call costs more than
// such a run), everything else goes to iconv in one piece, and we step in only
// where iconv's CP932 differs from the Windows one: the five single bytes it
// does not know, and the one-way mappings it adds when encoding.
#include "platform/Cp932.h"

#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>

namespace platform {
namespace {

constexpr const char* kUtf16Name = std::endian::native == std::endian::little ? "UTF-16LE" : "UTF-16BE";
const iconv_t kNoConverter = reinterpret_cast<iconv_t>(-1);

// One pair of descriptors per thread: iconv descriptors keep state and must not be
// shared between threads without a lock, and a lock would cost more than a pair.
struct Converters {
    iconv_t decoder = kNoConverter;  // CP932 -> UTF-16
    iconv_t encoder = kNoConverter;  // UTF-16 -> CP932
    bool opened = false;

    ~Converters() {
        if (decoder != kNoConverter) iconv_close(decoder);
        if (encoder != kNoConverter) iconv_close(encoder);
        // A conversion from a later destructor of this thread then fails cleanly.
        decoder = kNoConverter;
        encoder = kNoConverter;
    }

    void Open() noexcept {
        opened = true;
        decoder = iconv_open(kUtf16Name, "CP932");
        encoder = iconv_open("CP932", kUtf16Name);
    }
};

Converters& Local() noexcept {
    thread_local Converters converters;
    if (!converters.opened) converters.Open();
    return converters;
}

// The single bytes Windows decodes although they stand for no JIS character.
// Returns 0 for any other byte.
char16_t SpecialByteToUnit(unsigned char b) noexcept {
    switch (b) {
        case 0x80: return 0x0080;
        case 0xA0: return 0xF8F0;
        case 0xFD: return 0xF8F1;
        case 0xFE: return 0xF8F2;
        case 0xFF: return 0xF8F3;
        default: return 0;
    }
}

// "Own units" must not reach iconv's encoder: the characters of the five special
// bytes (iconv does not know them) and the characters that iconv maps one way onto
// a code that decodes to something else (U+00A5 -> 0x5C, U+2014 -> 0x815C, ...;
// the tests check this list against iconv over the whole BMP).

// The byte for an own unit, or 0 for "no form" (the one-way characters, which
// Windows without best fit writes as "?").
char OwnUnitToByte(char16_t u) noexcept {
    switch (u) {
        case 0x0080: return static_cast<char>(0x80);
        case 0xF8F0: return static_cast<char>(0xA0);
        case 0xF8F1: return static_cast<char>(0xFD);
        case 0xF8F2: return static_cast<char>(0xFE);
        case 0xF8F3: return static_cast<char>(0xFF);
        default: return 0;
    }
}

inline bool IsOwnUnit(char16_t u) noexcept {
    if (u < 0x2014) return u == 0x80 || u == 0xA2 || u == 0xA3 || u == 0xA5 || u == 0xAC;
    if (u <= 0x301C) return u == 0x2014 || u == 0x2016 || u == 0x203E || u == 0x2212 || u == 0x301C;
    return u >= 0xF8F0 && u <= 0xF8F3;
}

// Index of the first own unit in text[from..len), or len. Eight units at a time
// pass a loose range test in vector registers (ASCII, kana and kanji pass it);
// only a group that fails it is looked at unit by unit.
size_t FindOwnUnit(const char16_t* text, size_t from, size_t len) noexcept {
    typedef uint16_t Units8 __attribute__((vector_size(16)));
    size_t i = from;
    while (len - i >= 8) {
        Units8 v;
        std::memcpy(&v, text + i, sizeof v);
        const auto maybe = ((v - 0x80) <= 0x301C - 0x80) | ((v - 0xF8F0) <= 3);
        uint64_t halves[2];
        std::memcpy(halves, &maybe, sizeof halves);
        if ((halves[0] | halves[1]) != 0) {
            for (size_t end = i + 8; i < end; ++i) {
                if (IsOwnUnit(text[i])) return i;
            }
        } else {
            i += 8;
        }
    }
    for (; i < len; ++i) {
        if (IsOwnUnit(text[i])) return i;
    }
    return len;
}

inline bool IsHighSurrogate(char16_t u) noexcept { return u >= 0xD800 && u <= 0xDBFF; }
inline bool IsLowSurrogate(char16_t u) noexcept { return u >= 0xDC00 && u <= 0xDFFF; }

// Encodes text[0..len), which holds no own unit, through iconv. Characters without
// a form (iconv's EILSEQ, and EINVAL for a high surrogate at the end) become one
// "?" per code point. Returns the bytes written or -1 when dst is full.
ptrdiff_t EncodeRun(iconv_t cd, const char16_t* text, size_t len, char* dst, size_t capacity,
                    bool* usedDefault) noexcept {
    size_t i = 0;
    size_t o = 0;
    while (i < len) {
        char* in = const_cast<char*>(reinterpret_cast<const char*>(text + i));
        size_t inLeft = (len - i) * sizeof(char16_t);
        char* out = dst + o;
        size_t outLeft = capacity - o;
        size_t r = iconv(cd, &in, &inLeft, &out, &outLeft);
        int err = errno;
        i = len - inLeft / sizeof(char16_t);
        o = capacity - outLeft;
        if (r != static_cast<size_t>(-1)) break;
        if (err != EILSEQ && err != EINVAL) return -1;  // E2BIG: dst is full
        if (o == capacity) return -1;
        dst[o++] = '?';
        if (usedDefault) *usedDefault = true;
        i += (IsHighSurrogate(text[i]) && i + 1 < len && IsLowSurrogate(text[i + 1])) ? 2 : 1;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    return static_cast<ptrdiff_t>(o);
}

}  // namespace

size_t Cp932DecodedLength(const char* text, size_t len) noexcept {
    // Bytes minus the trail bytes taken by lead bytes. ASCII, which can only stand
    // alone, is skipped eight bytes at a time.
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    size_t trails = 0;
    size_t i = 0;
    while (i < len) {
        if (len - i >= 8) {
            uint64_t word;
            std::memcpy(&word, p + i, sizeof word);
            if ((word & 0x8080808080808080ull) == 0) {
                i += 8;
                continue;
            }
        }
        if (IsCp932LeadByte(p[i]) && i + 1 < len) {
            ++trails;
            i += 2;
        } else {
            ++i;
        }
    }
    return len - trails;
}

ptrdiff_t Cp932ToUtf16(const char* text, size_t len, char16_t* dst, size_t capacity) noexcept {
    Converters& conv = Local();
    size_t i = 0;
    size_t o = 0;
    while (i < len) {
        while (i < len && static_cast<unsigned char>(text[i]) < 0x80) {
            if (o == capacity) return -1;
            dst[o++] = static_cast<char16_t>(text[i++]);
        }
        if (i == len) break;
        if (conv.decoder == kNoConverter) return -1;

        char* in = const_cast<char*>(text + i);
        size_t inLeft = len - i;
        char* out = reinterpret_cast<char*>(dst + o);
        size_t outLeft = (capacity - o) * sizeof(char16_t);
        size_t r = iconv(conv.decoder, &in, &inLeft, &out, &outLeft);
        int err = errno;
        i = len - inLeft;
        o = capacity - outLeft / sizeof(char16_t);
        if (r != static_cast<size_t>(-1)) break;
        iconv(conv.decoder, nullptr, nullptr, nullptr, nullptr);
        char16_t special = err == EILSEQ ? SpecialByteToUnit(static_cast<unsigned char>(text[i])) : 0;
        if (special == 0) return -1;  // invalid or truncated text, or dst full
        if (o == capacity) return -1;
        dst[o++] = special;
        ++i;
    }
    return static_cast<ptrdiff_t>(o);
}

ptrdiff_t Utf16ToCp932(const char16_t* text, size_t len, char* dst, size_t capacity,
                       bool* usedDefault) noexcept {
    Converters& conv = Local();
    size_t i = 0;
    size_t o = 0;
    while (i < len) {
        while (i < len && text[i] < 0x80) {
            if (o == capacity) return -1;
            dst[o++] = static_cast<char>(text[i++]);
        }
        if (i == len) break;

        const size_t end = FindOwnUnit(text, i, len);
        if (end > i) {
            if (conv.encoder == kNoConverter) return -1;
            ptrdiff_t n = EncodeRun(conv.encoder, text + i, end - i, dst + o, capacity - o, usedDefault);
            if (n < 0) return -1;
            o += static_cast<size_t>(n);
            i = end;
        }
        if (i < len) {  // an own unit ended the run
            if (o == capacity) return -1;
            char b = OwnUnitToByte(text[i++]);
            if (b == 0) {
                b = '?';
                if (usedDefault) *usedDefault = true;
            }
            dst[o++] = b;
        }
    }
    return static_cast<ptrdiff_t>(o);
}

ptrdiff_t Utf16ToCp932Size(const char16_t* text, size_t len, bool* usedDefault) noexcept {
    constexpr size_t kSlice = 512;
    char scratch[Utf16ToCp932MaxBytes(kSlice)];
    size_t total = 0;
    size_t i = 0;
    while (i < len) {
        size_t n = len - i < kSlice ? len - i : kSlice;
        // Keep a surrogate pair in one slice so that it is judged as one character.
        if (i + n < len && IsHighSurrogate(text[i + n - 1]) && IsLowSurrogate(text[i + n])) --n;
        ptrdiff_t bytes = Utf16ToCp932(text + i, n, scratch, sizeof scratch, usedDefault);
        if (bytes < 0) return -1;
        total += static_cast<size_t>(bytes);
        i += n;
    }
    return static_cast<ptrdiff_t>(total);
}

}  // namespace platform
