#include "foundation/util/Utilities.h"

#include <cmath>
#include <cstring>

#include "foundation/containers/MemoryBlock.h"

// --- Random numbers ----------------------------------------------------------

namespace {

constexpr uint32_t kSineSteps = 48000;

// One period of the sine in 48000 steps, scaled to the 32-bit signed range.
// Built completely by the first caller; thread-safe through the static's
// initialisation.
class SineTable {
public:
    SineTable() {
        int32_t* entries = m_block.Alloc(kSineSteps);
        for (uint32_t i = 0; i < kSineSteps; ++i) {
            // Written as one expression in this order so that every build gives
            // the same doubles (no contraction, no reassociation).
            const double angle = static_cast<double>(i) * 6.283185307179586 / 48000;
            entries[i] = static_cast<int32_t>(std::sin(angle) * 2147483647.0);
        }
    }
    int32_t operator[](uint32_t i) const noexcept { return m_block.GetBuffer()[i]; }

private:
    CMemoryBlock<int32_t> m_block;
};

uint32_t g_randomSeed = 0;

}  // namespace

void SetRandomSeed(int32_t seed) noexcept { g_randomSeed = static_cast<uint32_t>(seed); }

int32_t GetSineValue(int32_t phase) {
    static const SineTable table;
    return table[(static_cast<uint32_t>(phase) & 0x7FFFFFFFu) % kSineSteps];
}

uint32_t GetRandom() {
    const uint32_t s = static_cast<uint32_t>(GetSineValue(static_cast<int32_t>(g_randomSeed)));
    g_randomSeed = s * g_randomSeed - 0x36A59CA7u;
    return g_randomSeed >> 4;
}

// --- Integers and text -------------------------------------------------------

namespace {

// Longest text: "-" and the 19 digits of 2^63, or 20 decimal digits of 2^64 - 1.
constexpr size_t kMaxDigits = 20;

// Writes the digits of value backwards, ending just before `end`; returns the
// first digit.
template <unsigned Base>
char* DigitsBackwards(char* end, uint64_t value) noexcept {
    static constexpr char kDigits[] = "0123456789abcdef";
    do {
        *--end = kDigits[value % Base];
        value /= Base;
    } while (value != 0);
    return end;
}

bool CopyText(char* buffer, size_t size, const char* text, const char* end) noexcept {
    const size_t length = static_cast<size_t>(end - text);
    if (buffer == nullptr || size < length + 1) return false;
    std::memcpy(buffer, text, length);
    buffer[length] = 0;
    return true;
}

bool IsDecimalDigit(unsigned char c) noexcept { return static_cast<unsigned>(c - '0') <= 9; }

uint64_t ReadDecimal(const unsigned char* p) noexcept {
    uint64_t value = 0;
    for (; IsDecimalDigit(*p); ++p) value = value * 10 + (*p - '0');
    return value;
}

}  // namespace

bool Int64ToText(char* buffer, size_t size, int64_t value) noexcept {
    char text[kMaxDigits + 1];
    char* const end = text + sizeof text;
    // The magnitude in unsigned arithmetic also covers the most negative value.
    const uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
    char* first = DigitsBackwards<10>(end, magnitude);
    if (value < 0) *--first = '-';
    return CopyText(buffer, size, first, end);
}

bool UInt64ToText(char* buffer, size_t size, uint64_t value) noexcept {
    char text[kMaxDigits];
    char* const end = text + sizeof text;
    return CopyText(buffer, size, DigitsBackwards<10>(end, value), end);
}

bool UInt64ToHexText(char* buffer, size_t size, uint64_t value) noexcept {
    char text[16];
    char* const end = text + sizeof text;
    return CopyText(buffer, size, DigitsBackwards<16>(end, value), end);
}

int64_t TextToInt64(const char* text) noexcept {
    if (text == nullptr) return 0;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(text);
    const bool negative = *p == '-';
    if (negative) ++p;
    const uint64_t magnitude = ReadDecimal(p);
    return static_cast<int64_t>(negative ? 0 - magnitude : magnitude);
}

uint64_t TextToUInt64(const char* text) noexcept {
    if (text == nullptr) return 0;
    return ReadDecimal(reinterpret_cast<const unsigned char*>(text));
}

uint64_t HexTextToUInt64(const char* text) noexcept {
    if (text == nullptr) return 0;
    uint64_t value = 0;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text);; ++p) {
        unsigned digit;
        if (IsDecimalDigit(*p)) {
            digit = *p - '0';
        } else if (static_cast<unsigned>((*p | 0x20) - 'a') <= 5) {
            digit = (*p | 0x20) - 'a' + 10;
        } else {
            return value;
        }
        value = (value << 4) | digit;
    }
}

// --- Drawing -----------------------------------------------------------------

bool FillRectSolid(platform::IDeviceContext* dc, int32_t left, int32_t top, int32_t width, int32_t height,
                   uint32_t colorref) {
    if (dc == nullptr) return false;
    const auto edge = [](int32_t start, int32_t extent) {
        const int64_t e = static_cast<int64_t>(start) + extent;
        return static_cast<int32_t>(e > INT32_MAX ? INT32_MAX : e < INT32_MIN ? INT32_MIN : e);
    };
    return dc->FillSolidRect(left, top, edge(left, width), edge(top, height), colorref);
}
