#pragma once
// The numeric scans of the document text.
//
// Every number in a document is read the way the C library's formatted input
// reads one item ("%d", "%u", "%lu", "%x", "%lf"), and those acceptance rules
// are part of the file format:
//  - leading white space (blank, tab, line feed, vertical tab, form feed,
//    carriage return) is skipped; an empty or blank item fails;
//  - an optional sign, then the longest prefix that forms a number; whatever
//    follows is ignored ("12abc" reads 12);
//  - "%x" takes an optional "0x"/"0X" (so "0x" alone reads 0), "%u", "%lu" and
//    "%x" wrap a negative value modulo 2^32 ("-1" reads 0xFFFFFFFF);
//  - "%lf" takes exponents, "inf", "infinity", "nan" (a following "(...)" is
//    left unread) in any case, and hexadecimal floating point ("0x1p3"); a bare
//    "0x" or a partial "infinity" fails.
// Values beyond the 32-bit range are cut to their low 32 bits as the C library
// of a 64-bit system does (a magnitude beyond 64 bits saturates first); the
// format gives them no meaning, but the result is always defined.
//
// Nothing here depends on the process locale: integers are read digit by digit
// and reals under a private "C" locale, so a document reads the same whatever
// LC_NUMERIC says. No scan allocates, and each reads its item once.
//
// A scan that fails leaves its output unchanged.
#include <cstdint>
#include <initializer_list>

// "%d": a signed 32-bit decimal.
bool ScanInt(const char* item, int32_t& value) noexcept;
// "%u" and "%lu" (the system's unsigned long is 32-bit): an unsigned decimal.
bool ScanUnsigned(const char* item, uint32_t& value) noexcept;
// "%x": a hexadecimal number, upper- or lower-case digits.
bool ScanHex(const char* item, uint32_t& value) noexcept;
// "%lf": a real number.
bool ScanReal(const char* item, double& value) noexcept;
// "%lf" for a value that must be finite: "inf" and "nan" read as reals but are
// refused here (value is left as it was), since drawing turns these values
// into pixel positions and extents.
bool ScanFiniteReal(const char* item, double& value) noexcept;

// One output of ScanFormat; its type must suit its conversion: int32_t for
// "%d", uint32_t for "%u", "%lu" and "%x"/"%X", double for "%lf".
class ScanSlot {
public:
    enum Kind : uint8_t { kInt, kUnsigned, kReal };

    ScanSlot(int32_t* target) noexcept : m_kind(kInt), m_int(target) {}
    ScanSlot(uint32_t* target) noexcept : m_kind(kUnsigned), m_unsigned(target) {}
    ScanSlot(double* target) noexcept : m_kind(kReal), m_real(target) {}

    Kind GetKind() const noexcept { return m_kind; }
    int32_t* GetInt() const noexcept { return m_int; }
    uint32_t* GetUnsigned() const noexcept { return m_unsigned; }
    double* GetReal() const noexcept { return m_real; }

private:
    Kind m_kind;
    union {
        int32_t* m_int;
        uint32_t* m_unsigned;
        double* m_real;
    };
};

// Scans item by format as sscanf does and returns what sscanf returns: the
// number of conversions stored, or -1 when the item ended before the first
// conversion could start (an empty item, one of blanks only, or one that ends
// inside the leading literal bytes). The format holds the conversions "%d",
// "%u", "%lu", "%x", "%X" and "%lf", literal bytes that must match the next
// input byte exactly ("P%x#%x", "%x#%x#%u"), and white space, which skips any
// white space of the input. Each conversion skips leading white space and
// stores its value at once, so the outputs before a failing one hold their new
// values. A conversion whose slot is missing or of the wrong type, or an
// unknown directive, stops the scan there (a fault of the caller's format).
//
// The colour forms of the factor texts, for example:
//   ScanFormat(item, "P%x#%x", {&ref, &colour}) == 2
int32_t ScanFormat(const char* item, const char* format, std::initializer_list<ScanSlot> slots) noexcept;
