#include "platform/Utf8.h"

#include <cstdint>

namespace platform {

bool Utf16ToUtf8(const char16_t* text, size_t len, std::string& out) {
    // Measure first so that the result is built in one allocation.
    size_t bytes = 0;
    for (size_t i = 0; i < len; ++i) {
        char16_t u = text[i];
        if (u < 0x80) {
            bytes += 1;
        } else if (u < 0x800) {
            bytes += 2;
        } else if (u >= 0xD800 && u <= 0xDFFF) {
            if (u > 0xDBFF || i + 1 >= len || text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
            bytes += 4;
            ++i;
        } else {
            bytes += 3;
        }
    }

    std::string result(bytes, '\0');
    char* o = result.data();
    for (size_t i = 0; i < len; ++i) {
        uint32_t c = text[i];
        if (c >= 0xD800 && c <= 0xDBFF) {  // paired, as the measuring pass checked
            c = 0x10000 + ((c - 0xD800) << 10) + (static_cast<uint32_t>(text[++i]) - 0xDC00);
        }
        o = EncodeUtf8(c, o);
    }
    out.swap(result);
    return true;
}

bool Utf8ToUtf16(const char* text, size_t len, std::u16string& out) {
    std::u16string result;
    result.reserve(len);  // never more units than bytes
    const auto* s = reinterpret_cast<const unsigned char*>(text);
    size_t i = 0;
    while (i < len) {
        uint32_t b = s[i];
        if (b < 0x80) {
            result.push_back(static_cast<char16_t>(b));
            ++i;
            continue;
        }
        size_t extra;
        uint32_t c;
        uint32_t min;
        if (b >= 0xC2 && b <= 0xDF) {
            extra = 1, c = b & 0x1F, min = 0x80;
        } else if (b >= 0xE0 && b <= 0xEF) {
            extra = 2, c = b & 0x0F, min = 0x800;
        } else if (b >= 0xF0 && b <= 0xF4) {
            extra = 3, c = b & 0x07, min = 0x10000;
        } else {
            return false;  // a continuation byte, C0/C1 (always overlong) or F5..FF
        }
        if (len - i <= extra) return false;
        for (size_t k = 1; k <= extra; ++k) {
            uint32_t t = s[i + k];
            if ((t & 0xC0) != 0x80) return false;
            c = (c << 6) | (t & 0x3F);
        }
        if (c < min || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return false;
        if (c >= 0x10000) {
            result.push_back(static_cast<char16_t>(0xD800 | ((c - 0x10000) >> 10)));
            result.push_back(static_cast<char16_t>(0xDC00 | (c & 0x3FF)));
        } else {
            result.push_back(static_cast<char16_t>(c));
        }
        i += extra + 1;
    }
    out.swap(result);
    return true;
}

}  // namespace platform
