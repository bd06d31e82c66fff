// The document's numeric scans against the C library's own formatted input
// (glibc, "C" locale): the same return value and the same stored value for
// every item of a table of awkward cases and for many random items.
#include "document/text/NumberScan.h"

#include <gtest/gtest.h>
#include <locale.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

// Runs the body with the thread's locale set to "C" (sscanf reads it).
class CLocaleScope {
public:
    CLocaleScope() : m_c(newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(0))), m_old(uselocale(m_c)) {}
    ~CLocaleScope() {
        uselocale(m_old);
        freelocale(m_c);
    }

private:
    locale_t m_c;
    locale_t m_old;
};

// Equal doubles, NaNs equal when both are NaN of the same sign.
bool SameReal(double a, double b) {
    if (std::isnan(a) || std::isnan(b)) return std::isnan(a) && std::isnan(b) && std::signbit(a) == std::signbit(b);
    return std::memcmp(&a, &b, sizeof a) == 0;
}

const std::vector<std::string>& TrickyItems() {
    static const std::vector<std::string> items = {
        "", " ", "\t", " \t\n\v\f\r", "0", "1", "-1", "+1", "-", "+", "--1", "+-1", "- 1", " 7", "\t\n-7",
        "12abc", "12 34", "0x", "0X", "-0x", "+0x", "0x1", "-0x1", "0X1F", "0xg", "0x0x5", "x5", "0xx", "00x1",
        "ff", "FF", "fg", "g", "abc", "ABCDEF", "-ff", "ffffffff", "100000000", "123456789abcdef0",
        "2147483647", "2147483648", "-2147483648", "-2147483649", "4294967295", "4294967296", "-4294967295",
        "9223372036854775807", "9223372036854775808", "-9223372036854775808", "-9223372036854775809",
        "18446744073709551615", "18446744073709551616", "-18446744073709551615", "-18446744073709551616",
        "99999999999999999999999999", "-99999999999999999999999999", "0000000000000000000000000000012",
        "ffffffffffffffffffff", "-ffffffffffffffffffff", "1e", "1e+", "1e-", "1e5", "1E5", "1e+5", "1e-5",
        "1e+-5", "1.5e2xyz", ".5", "5.", ".", "..5", "-.", "-.5", "+.e5", "e5", "1.2.3", "1e5.3", "1e5e6",
        "0.1", "0.30000000000000004", "123456789012345", "1234567890123456", "12345678901234567890",
        "0.000000000000000000000000000001", "1e308", "1e309", "-1e309", "1e-320", "1e-400", "4.9e-324",
        "2.2250738585072011e-308", "inf", "INF", "-inf", "+Inf", "infinity", "Infinity", "INFINITY",
        "infinit", "infin", "infi", "infx", "infinityx", "in", "i", "nan", "NaN", "-nan", "+nan", "nan(abc)",
        "-nan(abc)", "nan(123)", "na", "n", "nax", "0x1p3", "0X1P3", "0x1p-3", "0x1p", "0x1p+", "0x.8p1",
        "0x.", "0x.p1", "-0x.", "0xp3", "0x1e3", "0x1.8", "0x1.8p1x", "-0x1p3", "1p3", "0e5", "0.0", "-0",
        "-0.0", "-0e0", "0x-1", "0x+1", "+0x1", " +0x1", "1,5", "1,5e3", "3.14159265358979323846",
        "179769313486231570814527423731704356798070567525844996598917476803157260780028538760589558632766878171540"
        "458953514382464234321326889464182768467546703537516986049910576551282076245490090389328944075868508455133"
        "94230458323690322294816580855933212334827479",
        "P", "P5", "P 5", " P5", "p5", "P-1", "P0x12", "Px", "P#", "P5#", "P5#6", "P5#6#7", "P5 #6", "P5# 6",
        "P40000005#80", "P40000005", "P#5", "#", "#5", "5#", "5#6", "5#6#", "5#6#7", "5#6#7x", "5##6", "5#6#-1",
        "a#b#100", "a#b#257", "1#2#3#4#5#6", "1#2#3#4#5", "1#2#3#4#5#", "1#2#3#4#5#-6", "0x1#0x2#0x3",
        " 5 # 6", "\x81\x40", "\xff", "1\xa0",
    };
    return items;
}

// Random items from the bytes that matter to the scans.
std::vector<std::string> RandomItems(uint32_t seed, size_t count) {
    static const char kAlphabet[] = " \t0123456789abcdefABCDEFxXpPeE+-.#niIaNftyT()g";
    std::mt19937 rng(seed);
    std::vector<std::string> items;
    items.reserve(count);
    for (size_t i = 0; i < count; ++i) {
        const size_t length = rng() % 14;
        std::string item;
        for (size_t j = 0; j < length; ++j) item += kAlphabet[rng() % (sizeof kAlphabet - 1)];
        items.push_back(item);
    }
    return items;
}

// One item through every single-value scan and through glibc.
void CheckSingleScans(const std::string& item) {
    const char* text = item.c_str();
    SCOPED_TRACE("item \"" + item + "\"");
    {
        int expected = 12345, actual = 12345;
        const int n = std::sscanf(text, "%d", &expected);
        EXPECT_EQ(ScanInt(text, actual), n == 1) << "%d";
        EXPECT_EQ(actual, expected) << "%d";
    }
    {
        unsigned expected = 12345, actual = 12345;
        const int n = std::sscanf(text, "%u", &expected);
        EXPECT_EQ(ScanUnsigned(text, actual), n == 1) << "%u";
        EXPECT_EQ(actual, expected) << "%u";
    }
    {
        // glibc's unsigned long is 64-bit; the document's is 32-bit.
        unsigned long expected = 12345;
        uint32_t actual = 12345;
        const int n = std::sscanf(text, "%lu", &expected);
        EXPECT_EQ(ScanUnsigned(text, actual), n == 1) << "%lu";
        EXPECT_EQ(actual, static_cast<uint32_t>(expected)) << "%lu";
    }
    {
        unsigned expected = 12345, actual = 12345;
        const int n = std::sscanf(text, "%x", &expected);
        EXPECT_EQ(ScanHex(text, actual), n == 1) << "%x";
        EXPECT_EQ(actual, expected) << "%x";
        uint32_t viaFormat = 12345;
        EXPECT_EQ(ScanFormat(text, "%x", {&viaFormat}), n) << "%x";
        EXPECT_EQ(viaFormat, expected) << "%x";
    }
    {
        double expected = 0.25, actual = 0.25;
        const int n = std::sscanf(text, "%lf", &expected);
        EXPECT_EQ(ScanReal(text, actual), n == 1) << "%lf";
        EXPECT_TRUE(SameReal(actual, expected)) << "%lf: " << actual << " vs " << expected;
        double viaFormat = 0.25;
        EXPECT_EQ(ScanFormat(text, "%lf", {&viaFormat}), n) << "%lf";
        EXPECT_TRUE(SameReal(viaFormat, expected)) << "%lf";
    }
}

// One item through the compound forms of the palette and the colours, plus two
// forms that show where a real scan stops (the literal after it must match
// the next unread byte).
void CheckCompoundScans(const std::string& item) {
    const char* text = item.c_str();
    SCOPED_TRACE("item \"" + item + "\"");
    {
        unsigned e = 7, a = 7;
        EXPECT_EQ(ScanFormat(text, "P%x", {&a}), std::sscanf(text, "P%x", &e)) << "P%x";
        EXPECT_EQ(a, e);
    }
    {
        unsigned e[2] = {7, 7}, a[2] = {7, 7};
        EXPECT_EQ(ScanFormat(text, "P%x#%x", {&a[0], &a[1]}), std::sscanf(text, "P%x#%x", &e[0], &e[1]))
            << "P%x#%x";
        EXPECT_EQ(a[0], e[0]);
        EXPECT_EQ(a[1], e[1]);
    }
    {
        unsigned e[3] = {7, 7, 7}, a[3] = {7, 7, 7};
        EXPECT_EQ(ScanFormat(text, "%x#%x#%u", {&a[0], &a[1], &a[2]}),
                  std::sscanf(text, "%x#%x#%u", &e[0], &e[1], &e[2]))
            << "%x#%x#%u";
        for (int i = 0; i < 3; ++i) EXPECT_EQ(a[i], e[i]);
    }
    {
        unsigned e[6] = {7, 7, 7, 7, 7, 7}, a[6] = {7, 7, 7, 7, 7, 7};
        EXPECT_EQ(ScanFormat(text, "%x#%x#%x#%x#%u#%u", {&a[0], &a[1], &a[2], &a[3], &a[4], &a[5]}),
                  std::sscanf(text, "%x#%x#%x#%x#%u#%u", &e[0], &e[1], &e[2], &e[3], &e[4], &e[5]))
            << "%x#%x#%x#%x#%u#%u";
        for (int i = 0; i < 6; ++i) EXPECT_EQ(a[i], e[i]);
    }
    {
        double er = 0.5, ar = 0.5;
        int ei = 7, ai = 7;
        EXPECT_EQ(ScanFormat(text, "%lf#%d", {&ar, &ai}), std::sscanf(text, "%lf#%d", &er, &ei)) << "%lf#%d";
        EXPECT_TRUE(SameReal(ar, er));
        EXPECT_EQ(ai, ei);
    }
    {
        double er = 0.5, ar = 0.5;
        int ei = 7, ai = 7;
        EXPECT_EQ(ScanFormat(text, "%d %lfp", {&ai, &ar}), std::sscanf(text, "%d %lfp", &ei, &er)) << "%d %lfp";
        EXPECT_TRUE(SameReal(ar, er));
        EXPECT_EQ(ai, ei);
    }
}

TEST(NumberScanTest, TrickyItemsMatchTheCLibrary) {
    CLocaleScope c;
    for (const std::string& item : TrickyItems()) {
        CheckSingleScans(item);
        CheckCompoundScans(item);
    }
}

TEST(NumberScanTest, RandomItemsMatchTheCLibrary) {
    CLocaleScope c;
    for (const std::string& item : RandomItems(20261211, 200000)) {
        CheckSingleScans(item);
        CheckCompoundScans(item);
        if (HasFailure()) break;  // one broken item is enough to read
    }
}

// Items shaped like the palette's and the colours' compound forms, with some
// parts missing or damaged.
TEST(NumberScanTest, RandomCompoundItemsMatchTheCLibrary) {
    CLocaleScope c;
    static const char* const kParts[] = {"",  "P",  "0",   "ff", "-1", "0x", "80ff0000", "256", " 7",
                                         "#", "##", " #", "x",  "1e", ".5", "zz",       "40000005"};
    std::mt19937 rng(7);
    for (int i = 0; i < 20000; ++i) {
        std::string item;
        const int parts = 1 + static_cast<int>(rng() % 8);
        for (int j = 0; j < parts; ++j) item += kParts[rng() % (sizeof kParts / sizeof kParts[0])];
        CheckCompoundScans(item);
        if (HasFailure()) break;
    }
}

// Fields beyond the 32-bit range have no meaning in a document, but their
// results are fixed and the same as glibc's (checked above); these are the
// values a reader can rely on.
TEST(NumberScanTest, KnownAnswers) {
    struct Case {
        const char* item;
        int32_t asInt;
        uint32_t asHex;
    };
    const Case cases[] = {
        {"12abc", 12, 0x12abc}, {"-1", -1, 0xFFFFFFFFu}, {"0x1F", 0, 0x1F},     {" +42", 42, 0x42},
        {"-0x1", 0, 0xFFFFFFFFu}, {"0x", 0, 0},          {"4294967296", 0, 0x94967296u},
    };
    for (const Case& c : cases) {
        int32_t i = 99;
        uint32_t h = 99;
        EXPECT_TRUE(ScanInt(c.item, i)) << c.item;
        EXPECT_TRUE(ScanHex(c.item, h)) << c.item;
        EXPECT_EQ(i, c.asInt) << c.item;
        EXPECT_EQ(h, c.asHex) << c.item;
    }
    uint32_t u = 0;
    EXPECT_TRUE(ScanUnsigned("-1", u));
    EXPECT_EQ(u, 0xFFFFFFFFu);
    double d = 0;
    EXPECT_TRUE(ScanReal("1.5e2xyz", d));
    EXPECT_EQ(d, 150.0);
    EXPECT_TRUE(ScanReal("0x1p3", d));
    EXPECT_EQ(d, 8.0);
    // A failed scan leaves its output alone.
    int32_t untouched = 5;
    EXPECT_FALSE(ScanInt("  ", untouched));
    EXPECT_FALSE(ScanInt("-", untouched));
    EXPECT_EQ(untouched, 5);
    // Input ending before the first conversion is -1, as sscanf's EOF.
    uint32_t a = 0, b = 0;
    EXPECT_EQ(ScanFormat("", "P%x#%x", {&a, &b}), -1);
    EXPECT_EQ(ScanFormat("P", "P%x#%x", {&a, &b}), -1);
    EXPECT_EQ(ScanFormat("Q", "P%x#%x", {&a, &b}), 0);
    EXPECT_EQ(ScanFormat("P5#", "P%x#%x", {&a, &b}), 1);
    // A slot of the wrong type stops the scan before it stores anything.
    int32_t wrong = 3;
    EXPECT_EQ(ScanFormat("5#6", "%x#%x", {&a, &wrong}), 1);
    EXPECT_EQ(wrong, 3);
}

// A decimal comma in the process locale must not change what a document says.
TEST(NumberScanTest, ReadsTheSameUnderADecimalCommaLocale) {
    const char* const candidates[] = {"de_DE.UTF-8", "de_DE.utf8", "de_DE", "fr_FR.UTF-8", "fr_FR.utf8",
                                      "ru_RU.UTF-8", "ru_RU.utf8", "nl_NL.UTF-8", "es_ES.UTF-8", "it_IT.UTF-8"};
    const char* current = setlocale(LC_NUMERIC, nullptr);
    const std::string saved = current != nullptr ? current : "C";
    const char* chosen = nullptr;
    for (const char* name : candidates) {
        if (setlocale(LC_NUMERIC, name) != nullptr && std::strcmp(localeconv()->decimal_point, ",") == 0) {
            chosen = name;
            break;
        }
    }
    if (chosen == nullptr) {
        setlocale(LC_NUMERIC, saved.c_str());
        GTEST_SKIP() << "no locale with a decimal comma is installed; the locale-independence check did not run";
    }
    double d = 0;
    const bool plain = ScanReal("1.5", d);
    const double plainValue = d;
    const bool exponent = ScanReal("-2.25e1", d);
    const double exponentValue = d;
    const bool comma = ScanReal("3,75", d);
    const double commaValue = d;
    double r = 0;
    int32_t i = 0;
    const int32_t compound = ScanFormat("0.125#7", "%lf#%d", {&r, &i});
    setlocale(LC_NUMERIC, saved.c_str());

    SCOPED_TRACE(chosen);
    EXPECT_TRUE(plain);
    EXPECT_EQ(plainValue, 1.5);
    EXPECT_TRUE(exponent);
    EXPECT_EQ(exponentValue, -22.5);
    EXPECT_TRUE(comma);
    EXPECT_EQ(commaValue, 3.0);  // the comma ends the number, as in the "C" locale
    EXPECT_EQ(compound, 2);
    EXPECT_EQ(r, 0.125);
    EXPECT_EQ(i, 7);
}

}  // namespace
