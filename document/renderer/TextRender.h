#pragma once
// The text factors' font description: "size;styles;face".
//
//   size   the character size in tenths of a point, read as atoi reads it
//          (leading blanks and a sign, digits up to the first other byte, none
//          gives 0; out of range saturates);
//   styles letters looked for anywhere in the field, by characters, case
//          sensitive: "b" bold, "i" italic, "u" underline, "s" strike-out,
//          "q" drawn at 2x and reduced (level 1), else "Q" at 4x (level 3);
//   face   the face name, at most 30 bytes.
//
// The fields are cut at ";" bytes that start a character, so the trail byte of
// a two-byte character never cuts; text after the last ";" is a field of its
// own, so a trailing ";" makes four fields.
#include <cstdint>

#include "foundation/strings/Str.h"

struct TextFontDescription {
    int32_t Size = 0;
    int32_t Level = 0;  // drawn at (Level + 1) x and reduced
    int32_t Weight = 400;
    bool Italic = false;
    bool Underline = false;
    bool StrikeOut = false;
    CStr_base<64> Face;  // code page 932
};

// The face's longest name in bytes.
constexpr int32_t kMaxTextFaceBytes = 30;

// False when the font description has not exactly three fields or the face is
// longer than kMaxTextFaceBytes.
bool ParseTextFontDescription(const char* description, TextFontDescription& out);
