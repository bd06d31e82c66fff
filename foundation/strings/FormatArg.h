#pragma once
// One argument of the library's printf (CStr_base<N>::Format).
//
// Every argument occupies one 64-bit slot, the way the format reader expects it:
// a conversion reads the slot as a 32-bit integer, a 64-bit integer, a double or a
// pointer. Signed integers are sign-extended into the slot and unsigned ones
// zero-extended; a double keeps its bit pattern; a pointer its address. Reading
// past the last argument gives a zero slot instead of stack garbage.
#include <cstdint>
#include <cstring>
#include <type_traits>

struct FormatArg {
    uint64_t bits = 0;

    constexpr FormatArg() = default;

    template <class T>
        requires std::is_integral_v<T> || std::is_enum_v<T>
    constexpr FormatArg(T v) noexcept {
        if constexpr (std::is_enum_v<T>) {
            using U = std::underlying_type_t<T>;
            *this = FormatArg(static_cast<U>(v));
        } else if constexpr (std::is_signed_v<T>) {
            bits = static_cast<uint64_t>(static_cast<int64_t>(v));
        } else {
            bits = static_cast<uint64_t>(v);
        }
    }

    FormatArg(double v) noexcept { std::memcpy(&bits, &v, sizeof bits); }
    FormatArg(float v) noexcept : FormatArg(static_cast<double>(v)) {}

    template <class T>
    FormatArg(T* p) noexcept : bits(reinterpret_cast<uintptr_t>(p)) {}

    constexpr FormatArg(std::nullptr_t) noexcept : bits(0) {}

    int32_t AsInt32() const noexcept { return static_cast<int32_t>(static_cast<uint32_t>(bits)); }
    uint32_t AsUInt32() const noexcept { return static_cast<uint32_t>(bits); }
    int64_t AsInt64() const noexcept { return static_cast<int64_t>(bits); }
    uint64_t AsUInt64() const noexcept { return bits; }
    double AsDouble() const noexcept {
        double d;
        std::memcpy(&d, &bits, sizeof d);
        return d;
    }
    const void* AsPointer() const noexcept { return reinterpret_cast<const void*>(static_cast<uintptr_t>(bits)); }
};
