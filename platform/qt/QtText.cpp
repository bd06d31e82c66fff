#include "platform/qt/QtText.h"

#include <cstring>
#include <vector>

#include "platform/Cp932.h"

namespace platform {

QString QStringFromCp932(const char* text) {
    if (text == nullptr || *text == '\0') return QString();
    const size_t len = std::strlen(text);
    std::vector<char16_t> units(Cp932DecodedLength(text, len) + 1);
    const ptrdiff_t n = Cp932ToUtf16(text, len, units.data(), units.size());
    if (n < 0) return QString::fromLatin1(text, static_cast<qsizetype>(len));
    return QString::fromUtf16(units.data(), n);
}

}  // namespace platform
