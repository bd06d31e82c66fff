#pragma once
// The seam through which format-1.0 object definitions reach the legacy factor
// parser, until that parser joins the build and replaces it. Process-wide; none
// by default, and without one every legacy factor text fails to read (so a
// format-1.0 document with objects does not load).
class QDXFactor;

// Reads one factor text of the format-1.0 vocabulary into a factor the caller
// has reset; the kind is stored only when the whole text was read.
using LegacyFactorParser = bool (*)(QDXFactor& factor, const char* text);

// Installs the parser (null: none); returns the one it replaces.
LegacyFactorParser SetLegacyFactorParser(LegacyFactorParser parser) noexcept;

// The installed parser's answer; false without one.
bool ParseLegacyFactorText(QDXFactor& factor, const char* text);
