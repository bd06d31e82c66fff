#include "foundation/strings/Format.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

template <unsigned N>
std::string Run(const char* fmt, const std::vector<FormatArg>& args) {
    CStr_base<N> s;
    FormatInto(s, fmt, args.data(), static_cast<uint32_t>(args.size()));
    EXPECT_EQ(std::strlen(s.GetText()), static_cast<size_t>(s.GetLength())) << fmt;
    return std::string(s.GetText(), static_cast<size_t>(s.GetLength()));
}

std::string Format(const char* fmt, const std::vector<FormatArg>& args = {}) { return Run<1024>(fmt, args); }

struct Row {
    const char* name;
    const char* fmt;
    std::vector<FormatArg> args;
    std::string want;
};

// Each row runs through the three string classes: one algorithm, whatever the
// growth table of the target.
void Check(const std::vector<Row>& rows) {
    for (const Row& r : rows) {
        EXPECT_EQ(Run<64>(r.fmt, r.args), r.want) << r.name << " [64]";
        EXPECT_EQ(Run<1024>(r.fmt, r.args), r.want) << r.name << " [1024]";
        EXPECT_EQ(Run<16384>(r.fmt, r.args), r.want) << r.name << " [16384]";
    }
}

std::string Blanks(size_t n) { return std::string(n, ' '); }

}  // namespace

TEST(Format, OrdinaryTextAndArguments) {
    const char* text = "abc";
    Check({
        {"empty format", "", {}, ""},
        {"plain text", "Line", {}, "Line"},
        {"percent", "100%%", {}, "100%"},
        {"factor line", "%sFill(%d,%d,%d,%d,%x,%u)", {"\t", -5, 0, 640, 480, 0xFF00FFu, 4000000000u},
         "\tFill(-5,0,640,480,ff00ff,4000000000)"},
        {"journal record", "ModFactor\n%s\n%u\n", {text, 7u}, "ModFactor\nabc\n7\n"},
        {"hex pairs", "P%x#%x,", {0x1Fu, 0}, "P1f#0,"},
        {"system l is 32-bit", "%ld %lu %lx", {-1, -1, 0x100000001LL}, "-1 4294967295 1"},
        {"I64", "%I64d %I64u %I64X", {INT64_MIN, UINT64_MAX, 0xABCDEF0123456789ULL},
         "-9223372036854775808 18446744073709551615 ABCDEF0123456789"},
        {"h narrows", "%hd %hu", {70000, -1}, "4464 65535"},
        {"character", "[%c][%3c]", {'A', 'z'}, "[A][  z]"},
        {"NUL character ends the piece", "a%cb%3c|%-3c|", {0, 0, 0}, "ab  ||"},
        {"pointer", "%p", {reinterpret_cast<void*>(0xBEEF)}, "000000000000BEEF"},
        {"double", "%f %.2e %g", {1.5, 12345.678, 0.0001}, "1.500000 1.23e+04 0.0001"},
        {"missing arguments read as zero", "%d %s %f", {}, "0 (null) 0.000000"},
    });
}

// Conversion "F": "f", then the decimals cut after the last significant digit
// and a bare "." removed; the cut comes after the width was applied.
TEST(Format, ConversionF) {
    Check({
        {"trailing zeros", "%F", {12.5}, "12.5"},
        {"precision", "%.3F", {2.5}, "2.5"},
        {"whole number", "%F", {100.0}, "100"},
        {"negative zero", "%F", {-0.0}, "-0"},
        {"only zeros survive rounding", "%F", {1e-7}, "0"},
        {"smallest shown", "%F", {0.000001}, "0.000001"},
        {"precision 0", "%.0F", {2.0}, "2"},
        {"alternate keeps no bare point", "%#.0F", {2.0}, "2"},
        {"right-aligned comes out narrower", "%10F", {1.5}, "  1.5"},
        {"left-aligned keeps its zeros", "%-10F", {1.5}, "1.500000  "},
        {"zero padded", "%010F", {1.5}, "001.5"},
        {"infinity untouched", "%F", {INFINITY}, "inf"},
        {"not a number untouched", "%5F", {NAN}, "  nan"},
        {"grouped after the cut", "%'F", {1234567.25}, "1,234,567.25"},
        {"grouped fill counts the cut text", "%0'12F", {1234.5}, "000001,234.5"},
    });
}

TEST(Format, TextConversion) {
    const char* sjis = "\x82\xa0x";  // a double-byte character, then "x"
    Check({
        {"width", "%5s", {"ab"}, "   ab"},
        {"left", "%-5s", {"ab"}, "ab   "},
        {"zero fill", "%05s", {"ab"}, "000ab"},
        {"left wins over zero", "%-05s", {"ab"}, "ab   "},
        {"star width", "%*s|", {-4, "ab"}, "  ab|"},
        {"precision cuts", "%.2s", {"abcd"}, "ab"},
        {"negative star precision", "%.*s", {-2, "abcd"}, "ab"},
        {"precision never splits a character", "%.1s", {sjis}, ""},
        {"precision takes a whole character", "%.2s", {sjis}, "\x82\xa0"},
        {"width not above length: precision", "%3.1s", {"abcd"}, "a"},
        {"width above length: no precision", "%6.2s", {"abcd"}, "  abcd"},
        {"bare point is no precision", "%.s", {"abcd"}, "abcd"},
        {"flags and length ignored", "%+ #ls%hs%I64s", {"a", "b", "c"}, "abc"},
        {"null text", "%s", {nullptr}, "(null)"},
        {"null text with width", "%8s", {nullptr}, "  (null)"},
        {"null text with precision", "%.3s", {nullptr}, "(nu"},
    });
}

TEST(Format, DigitGrouping) {
    Check({
        {"millions", "%'d", {1234567}, "1,234,567"},
        {"comma flag", "%,d", {1000}, "1,000"},
        {"three digits", "%'d", {999}, "999"},
        {"negative extreme", "%'d", {INT_MIN}, "-2,147,483,648"},
        {"width fills in front", "%'8d", {1234}, "   1,234"},
        {"zero fill before the sign", "%0'8d", {-1234}, "00-1,234"},
        {"zero fill", "%0'8d", {1234}, "0001,234"},
        {"left flag does not move the fill", "%-'8d|", {1234}, "   1,234|"},
        {"star width", "%'*d", {10, 1234}, "     1,234"},
        {"width narrower than the piece", "%'3d", {1234567}, "1,234,567"},
        {"precision zeros are grouped", "%'.5d", {12}, "00,012"},
        {"64-bit", "%'I64d", {-1234567890123LL}, "-1,234,567,890,123"},
        {"hex digits", "%'x", {0x12345678u}, "12,345,678"},
        {"hex letters are digits", "%'X", {0xABCDEFu}, "ABC,DEF"},
        {"prefix is not a digit", "%'#x", {0xABCDEFu}, "0xabc,def"},
        {"unsigned", "%'u", {UINT32_MAX}, "4,294,967,295"},
        {"octal", "%'o", {01234567u}, "1,234,567"},
        {"fixed", "%'.2f", {12345.678}, "12,345.68"},
        {"fixed negative", "%'f", {-1234.5}, "-1,234.500000"},
        {"exponent: digits before the point", "%'e", {12345.0}, "1.234500e+04"},
        {"general without a point", "%'g", {123456.0}, "123,456"},
        {"exponent digits without a point", "%'g", {1e100}, "1e+100"},
        {"alternate point", "%'#.0f", {12345.0}, "12,345."},
        {"no digits: fill only", "%'6f|%0'6f", {INFINITY, -INFINITY}, "   inf|00-inf"},
        {"character and pointer lose the width", "%'5c|%'20p", {'A', reinterpret_cast<void*>(1)}, "A|0000000000000001"},
    });
}

// Invalid directives produce nothing, use no argument and leave the
// offending character to be read again as ordinary text.
TEST(Format, InvalidSpecifications) {
    Check({
        {"dropped before a new one", "%5%d", {7}, "7"},
        {"unknown letter", "%k%d", {7}, "k7"},
        {"ll is not a length", "%lld|%d", {5, 6}, "ld|5"},
        {"hh is not a length", "%hhd", {5}, "hd"},
        {"I6 is not I64", "%I6d", {5}, "I6d"},
        {"lone percent at the end", "abc%", {}, "abc"},
        {"unfinished at the end", "a%-5.3", {}, "a"},
        {"star argument given back", "%*k%d", {5, 7}, "k5"},
        {"three percents", "%%%", {}, "%"},
        {"upper-case S", "%S", {"x"}, "S"},
        {"lead byte as the letter", "%\x82\xa0", {}, "\x82\xa0"},
    });
}

// Digits are accepted only while the value is below 40, so at most 399; "*"
// values are made positive and capped at 400.
TEST(Format, WidthAndPrecisionCaps) {
    Check({
        {"largest written width", "%399d", {1}, Blanks(398) + "1"},
        {"third digit refused", "%400d%d", {5}, "0d5"},
        {"four digits", "%1000d", {5}, "0d"},
        {"two digits from 40 on", "%409d", {5}, "9d"},
        {"precision refused too", "%.400d", {5}, "0d"},
        {"star width capped", "%*d", {-500, 1}, Blanks(399) + "1"},
        {"star width of INT_MIN", "%*d", {INT_MIN, 1}, Blanks(399) + "1"},
        {"negative star does not left-align", "%*d|", {-3, 1}, "  1|"},
        {"star precision capped", "%.*d", {-500, 1}, std::string(399, '0') + "1"},
        {"zeros after the point", "%.0000003d", {1}, "001"},
    });

    // The longest pieces fit the work buffer whole, separators included.
    char reference[1024];
    const int n = std::snprintf(reference, sizeof reference, "%+#.400f", -DBL_MAX);
    ASSERT_GT(n, 700);
    EXPECT_EQ(Format("%+#.*f", {400, -DBL_MAX}), std::string(reference, static_cast<size_t>(n)));
    const std::string grouped = Format("%'+#.*f", {400, -DBL_MAX});
    EXPECT_EQ(grouped.size(), static_cast<size_t>(n) + 102);  // 309 integer digits
    EXPECT_EQ(grouped.substr(0, 9), "-179,769,");
    EXPECT_EQ(grouped.substr(grouped.size() - 401), std::string(reference + n - 401, 401));
}

TEST(Format, StoresTheLengthSoFar) {
    int32_t a = -1, b = -1, c = -1;
    CStr_base<64> s;
    s.Format("ab%ncd%5d%n%n", &a, 7, &b, static_cast<int32_t*>(nullptr));
    EXPECT_EQ(std::string(s.GetText()), "abcd    7");
    EXPECT_EQ(a, 2);
    EXPECT_EQ(b, 9);
    s.Format("%s%n", "\x82\xa0", &c);  // bytes, not characters
    EXPECT_EQ(c, 2);
}

// Code page 932: a lead byte takes the next byte with it, whatever it is, so a
// "%" there starts no directive; a lead byte at the very end stays.
TEST(Format, DoubleByteCharacters) {
    Check({
        {"lead byte takes a percent", "\x81%d", {5}, "\x81%d"},
        {"then a directive", "\x81%%d", {5}, "\x81%5"},
        {"lead byte takes a percent before another", "\x81%%", {}, "\x81%"},
        {"ordinary character", "\x93\xfa%d\x96\x7b", {3}, "\x93\xfa" "3\x96\x7b"},
        {"upper lead range", "\xe0\x40%d\xfc\x40", {1}, "\xe0\x40" "1\xfc\x40"},
        {"lead byte at the end", "%d\x9f", {7}, "7\x9f"},
        {"half-width kana is single", "\xb1%d", {1}, "\xb1" "1"},
        {"A0 and FD are single", "\xa0%d\xfd%d", {1, 2}, "\xa0" "1\xfd" "2"},
        {"system message", "\x88\xca\x92\x75:%d,%d", {10, -20}, "\x88\xca\x92\x75:10,-20"},
    });
}

// The target's text is replaced; it always owns a buffer afterwards.
TEST(Format, TargetState) {
    CStr_base<64> s;
    s.Format("");
    EXPECT_EQ(s.GetCapacity(), 64u);
    EXPECT_EQ(s.GetLength(), 0);
    EXPECT_STREQ(s.GetText(), "");

    s.Format("%d", 12345);
    s.Format("%s", "x");
    EXPECT_STREQ(s.GetText(), "x");
    EXPECT_EQ(s.GetLength(), 1);

    // Ordinary text grows the string as byte-by-byte appending does: 64, 128,
    // 256, 1024, then 1024 + 256, never straight to the 1102 bytes needed.
    const std::string literal(1100, 'q');
    CStr_base<64> grown;
    grown.Format(literal.c_str());
    EXPECT_EQ(grown.GetCapacity(), 1280u);
    EXPECT_EQ(std::string(grown.GetText()), literal);

    // Grouped and padded pieces in a string that has to grow several times.
    CStr_base<64> many;
    many.Format("%'*d|%-300s|%0*.3F", 400, -123456789, "t", 400, 0.25);
    EXPECT_EQ(std::string(many.GetText()),
              Blanks(388) + "-123,456,789|t" + Blanks(299) + "|" + std::string(395, '0') + "0.25");
}

// A format or a text argument taken from the target itself: the call empties
// the target and may move its buffer, yet the caller's text is what is used.
TEST(Format, ArgumentsFromTheTargetItself) {
    CStr_base<64> s;
    s.Format("abc");
    s.Format("%s-%s", s.GetText(), s.GetText());
    EXPECT_STREQ(s.GetText(), "abc-abc");

    s.Format("x=%%d");
    s.Format(s.GetText(), 5);
    EXPECT_STREQ(s.GetText(), "x=5");

    const std::string hundred(100, 'a');
    s.Format(hundred.c_str());
    s.Format("%s|%s|%s", s.GetText(), s.GetText() + 90, s.GetText());  // grows past the old buffer
    EXPECT_EQ(std::string(s.GetText()), hundred + "|" + hundred.substr(90) + "|" + hundred);
}

namespace {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
template <class T>
std::string Glibc(const std::string& format, T value) {
    char buffer[1024];
    const int n = std::snprintf(buffer, sizeof buffer, format.c_str(), value);
    return std::string(buffer, n < 0 ? 0 : static_cast<size_t>(n));
}
#pragma GCC diagnostic pop

}  // namespace

// Plain conversions give the bytes glibc's printf gives for the same
// directive, once the system's lengths are spelt the glibc way ("l" is
// 32-bit, "I64" is "ll").
TEST(Format, PlainConversionsMatchGlibc) {
    const int32_t ints[] = {0, 1, -1, 7, 42, -42, 1000, -99999, 65535, 70000, -70000, 123456789, INT_MAX, INT_MIN};
    const int64_t longs[] = {0, -1, 4294967296LL, -4294967297LL, 1000000000000000000LL, INT64_MAX, INT64_MIN};
    const double doubles[] = {0.0, -0.0, 1.0, -1.0, 0.5, 2.5, 0.125, 1234.5678, -98765.4321, 1e-5, 1e15, 1e21,
                              1e-300, 5e-324, DBL_MAX, -DBL_MAX, INFINITY, -INFINITY, NAN};
    const char* const widths[] = {"", "1", "7", "25"};
    const char* const precisions[] = {"", ".", ".0", ".3", ".17"};
    const char* const flagChars = "-+ #0";
    struct Length {
        const char* ours;
        const char* glibc;
    };
    const Length intLengths[] = {{"", ""}, {"l", ""}, {"h", "h"}, {"I64", "ll"}};

    size_t compared = 0, failures = 0;
    std::string report;
    auto compare = [&](const std::string& ours, const std::string& glibc, FormatArg arg, const std::string& want) {
        ++compared;
        const std::string got = Format(ours.c_str(), {arg});
        if (got != want && ++failures <= 20) report += "\"" + ours + "\" (glibc \"" + glibc + "\"): got \"" + got + "\", want \"" + want + "\"\n";
    };

    for (unsigned mask = 0; mask < 32; ++mask) {
        std::string flags;
        for (unsigned bit = 0; bit < 5; ++bit)
            if (mask & (1u << bit)) flags += flagChars[bit];
        for (const char* width : widths) {
            for (const char* precision : precisions) {
                const std::string head = "%" + flags + width + precision;
                for (char conversion : std::string("diuxXo")) {
                    const bool isSigned = conversion == 'd' || conversion == 'i';
                    for (const Length& length : intLengths) {
                        const std::string ours = head + length.ours + conversion;
                        const std::string glibc = head + length.glibc + conversion;
                        if (std::strcmp(length.glibc, "ll") == 0) {
                            for (int64_t v : longs)
                                compare(ours, glibc, v, isSigned ? Glibc(glibc, static_cast<long long>(v))
                                                                 : Glibc(glibc, static_cast<unsigned long long>(v)));
                        } else {
                            for (int32_t v : ints)
                                compare(ours, glibc, v, isSigned ? Glibc(glibc, v) : Glibc(glibc, static_cast<unsigned>(v)));
                        }
                    }
                }
                for (char conversion : std::string("eEfgG")) {
                    const std::string spec = head + conversion;
                    for (double v : doubles) compare(spec, spec, v, Glibc(spec, v));
                }
                if (*precision == '\0') {  // a precision is undefined for "c"
                    const std::string spec = head + 'c';
                    for (int v : {int{'A'}, int{' '}, int{'%'}, 0xB1}) compare(spec, spec, v, Glibc(spec, v));
                }
            }
        }
    }
    EXPECT_GT(compared, 100000u);
    EXPECT_EQ(failures, 0u) << failures << " mismatches\n" << report;
}
