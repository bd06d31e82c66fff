#include "document/model/LegacyFactorParser.h"

namespace {

LegacyFactorParser g_parser = nullptr;

}  // namespace

LegacyFactorParser SetLegacyFactorParser(LegacyFactorParser parser) noexcept {
    LegacyFactorParser old = g_parser;
    g_parser = parser;
    return old;
}

bool ParseLegacyFactorText(QDXFactor& factor, const char* text) {
    return g_parser != nullptr && g_parser(factor, text);
}
