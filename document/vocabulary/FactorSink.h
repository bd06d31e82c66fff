#pragma once
// The factor writer's number conversions, straight into a string's buffer:
// byte for byte as the library's formatter converts "%d", "%u", "%x" and
// "%.<n>f" (reals go through the same locale-independent conversion the
// formatter uses). A saved document holds hundreds of thousands of numbers,
// and one formatter call per factor or list element, with its directive
// parsing, costs more than the conversions.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "foundation/strings/Str.h"
#include "platform/NumberFormat.h"

namespace vocabulary {

// Writes into a string from a given length on (0: over what it held;
// its length: after it), reserving as it goes. The string's own length is
// set by Finish; until then it may be stale.
class FactorSink {
public:
    explicit FactorSink(CStr_base<1024>& out, uint32_t start = 0) : out_(out), length_(start) {}

    void Bytes(const char* text, size_t n) {
        char* at = Room(n);
        std::memcpy(at, text, n);
        length_ += uint32_t(n);
    }
    void Text(const char* text) { Bytes(text, std::strlen(text)); }
    void Char(char c) {
        *Room(1) = c;
        ++length_;
    }
    void Decimal(uint32_t value, bool negative) {
        char digits[12];
        char* p = digits + sizeof digits;
        do {
            *--p = char('0' + value % 10);
            value /= 10;
        } while (value != 0);
        if (negative) *--p = '-';
        Bytes(p, size_t(digits + sizeof digits - p));
    }
    void Int(int32_t value) {
        const bool negative = value < 0;
        Decimal(negative ? 0u - uint32_t(value) : uint32_t(value), negative);
    }
    void Unsigned(uint32_t value) { Decimal(value, false); }
    void Hex(uint32_t value) {
        static const char kDigits[] = "0123456789abcdef";
        char digits[8];
        char* p = digits + sizeof digits;
        do {
            *--p = kDigits[value & 15];
            value >>= 4;
        } while (value != 0);
        Bytes(p, size_t(digits + sizeof digits - p));
    }
    void Real(double value, uint8_t precision) {
        platform::NumberSpec spec;
        spec.conversion = 'f';
        spec.precision = precision;
        if (uint64_t(length_) + kNumberRoom + 1 <= out_.GetCapacity()) {
            // Room for the longest conversion: straight into the buffer.
            size_t n = platform::FormatDouble(out_.GetBuffer() + length_, kNumberRoom, spec, value);
            if (n >= kNumberRoom) n = kNumberRoom - 1;
            length_ += uint32_t(n);
            return;
        }
        char work[kNumberRoom];
        size_t n = platform::FormatDouble(work, kNumberRoom, spec, value);
        if (n >= kNumberRoom) n = kNumberRoom - 1;
        Bytes(work, n);
    }
    // Ends the text at the written length.
    void Finish() {
        Room(0);
        out_.SetLength(int32_t(length_));
    }

private:
    // The formatter's work buffer for one conversion; a longer real ("%.9f"
    // of a value near 1e308 is about 320 bytes) cannot happen, and would be
    // cut the same.
    static constexpr size_t kNumberRoom = 1024;

    char* Room(size_t n) {
        const uint64_t need = uint64_t(length_) + n + 1;
        if (need > out_.GetCapacity()) {
            if (need >= detail::kMaxStrCapacity) throw 0;  // as Reserve does for an impossible size
            // Reserve keeps the bytes up to the recorded length only.
            out_.SetLength(int32_t(length_));
            out_.Reserve(uint32_t(need));
        }
        return out_.GetBuffer() + length_;
    }

    CStr_base<1024>& out_;
    uint32_t length_;
};

}  // namespace vocabulary
