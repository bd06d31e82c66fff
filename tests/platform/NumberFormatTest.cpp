#include "platform/NumberFormat.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

using platform::NumberSpec;

namespace {

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
#pragma GCC diagnostic ignored "-Wformat-security"
template <class T>
std::string Reference(const std::string& format, T value) {
    char buffer[1024];
    const int n = std::snprintf(buffer, sizeof buffer, format.c_str(), value);
    return std::string(buffer, n < 0 ? 0 : static_cast<size_t>(n));
}
#pragma GCC diagnostic pop

// The glibc spelling of a parsed directive (without the conversion letter).
std::string GlibcPrefix(const NumberSpec& spec) {
    std::string s = "%";
    if (spec.flags & NumberSpec::kLeft) s += '-';
    if (spec.flags & NumberSpec::kPlus) s += '+';
    if (spec.flags & NumberSpec::kSpace) s += ' ';
    if (spec.flags & NumberSpec::kAlternate) s += '#';
    if (spec.flags & NumberSpec::kZero) s += '0';
    if (spec.width >= 0) s += std::to_string(spec.width);
    if (spec.precision >= 0) s += "." + std::to_string(spec.precision);
    return s;
}

std::string Integer(const NumberSpec& spec, uint64_t bits) {
    char buffer[1024];
    const size_t n = platform::FormatInteger(buffer, sizeof buffer, spec, bits);
    return std::string(buffer, n);
}

std::string Double(const NumberSpec& spec, double value) {
    char buffer[1024];
    const size_t n = platform::FormatDouble(buffer, sizeof buffer, spec, value);
    return std::string(buffer, n);
}

NumberSpec Spec(char conversion, uint8_t flags = 0, int32_t width = -1, int32_t precision = -1,
                NumberSpec::Length length = NumberSpec::kDefault) {
    NumberSpec spec;
    spec.conversion = conversion;
    spec.flags = flags;
    spec.width = width;
    spec.precision = precision;
    spec.length = length;
    return spec;
}

struct Mismatches {
    std::vector<std::string> lines;
    size_t total = 0;
    void Add(const std::string& what, const std::string& got, const std::string& want) {
        if (++total <= 20) lines.push_back(what + ": got \"" + got + "\", glibc \"" + want + "\"");
    }
    std::string Report() const {
        std::string s = std::to_string(total) + " mismatches\n";
        for (const auto& l : lines) s += l + "\n";
        return s;
    }
};

}  // namespace

// Every combination of flags, widths, precisions and lengths, over values that
// sit on the edges of 16, 32 and 64 bits, gives the bytes glibc's printf gives.
TEST(NumberFormat, IntegerConversionsMatchGlibc) {
    const uint64_t values[] = {
        0, 1, 7, 8, 9, 10, 42, 99, 100, 255, 256, 4095, 32767, 32768, 65535, 65536,
        999999999, 1000000000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF, 0x100000000ULL,
        0x0123456789ABCDEFULL, 9999999999999999999ULL, 0x7FFFFFFFFFFFFFFFULL,
        0x8000000000000000ULL, ~0ULL, static_cast<uint64_t>(-1234567), static_cast<uint64_t>(-32768),
        static_cast<uint64_t>(-100), static_cast<uint64_t>(static_cast<uint32_t>(INT32_MIN)),
    };
    const int32_t widths[] = {-1, 0, 1, 6, 24};
    const int32_t precisions[] = {-1, 0, 1, 5, 22};
    const NumberSpec::Length lengths[] = {NumberSpec::kDefault, NumberSpec::kShort, NumberSpec::kLong64};
    Mismatches bad;
    size_t compared = 0;
    for (char conversion : std::string("diouxXc")) {
        const bool isSigned = conversion == 'd' || conversion == 'i';
        for (unsigned flags = 0; flags < 32; ++flags) {
            for (int32_t width : widths) {
                for (int32_t precision : precisions) {
                    if (conversion == 'c' && precision >= 0) continue;  // undefined in C
                    for (NumberSpec::Length length : lengths) {
                        if (conversion == 'c' && length != NumberSpec::kDefault) continue;
                        const NumberSpec spec = Spec(conversion, static_cast<uint8_t>(flags), width, precision, length);
                        std::string format = GlibcPrefix(spec);
                        format += length == NumberSpec::kShort ? "h" : length == NumberSpec::kLong64 ? "ll" : "";
                        format += conversion;
                        for (uint64_t v : values) {
                            if (conversion == 'c' && static_cast<uint8_t>(v) == 0) continue;  // NUL: compared below
                            std::string want;
                            if (length == NumberSpec::kLong64)
                                want = isSigned ? Reference(format, static_cast<long long>(v))
                                                : Reference(format, static_cast<unsigned long long>(v));
                            else
                                want = isSigned ? Reference(format, static_cast<int>(static_cast<uint32_t>(v)))
                                                : Reference(format, static_cast<unsigned>(v));
                            const std::string got = Integer(spec, v);
                            ++compared;
                            if (got != want) bad.Add("\"" + format + "\" of " + std::to_string(v), got, want);
                        }
                    }
                }
            }
        }
    }
    EXPECT_GT(compared, 100000u);
    EXPECT_EQ(bad.total, 0u) << bad.Report();
}

TEST(NumberFormat, CharacterNulIsOneByte) {
    char buffer[8];
    EXPECT_EQ(platform::FormatInteger(buffer, sizeof buffer, Spec('c', 0, 3), 0x100), 3u);
    EXPECT_EQ(std::memcmp(buffer, "  \0", 4), 0);
}

TEST(NumberFormat, FloatingConversionsMatchGlibc) {
    const double values[] = {
        0.0, -0.0, 1.0, -1.0, 0.5, 1.5, 2.5, -2.5, 0.125, 9.9999995, 123456.789, -98765.4321, 1e-5, 1e-4,
        1e15, 1e16, 1e21, 1e-300, 5e-324, DBL_MAX, -DBL_MAX, DBL_MIN, INFINITY, -INFINITY, NAN,
    };
    const int32_t widths[] = {-1, 0, 8, 30};
    const int32_t precisions[] = {-1, 0, 1, 6, 17};
    Mismatches bad;
    for (char conversion : std::string("eEfFgG")) {
        for (unsigned flags = 0; flags < 32; ++flags) {
            for (int32_t width : widths) {
                for (int32_t precision : precisions) {
                    const NumberSpec spec = Spec(conversion, static_cast<uint8_t>(flags), width, precision);
                    const std::string format = GlibcPrefix(spec) + conversion;
                    for (double v : values) {
                        const std::string want = Reference(format, v);
                        const std::string got = Double(spec, v);
                        if (got != want) bad.Add("\"" + format + "\" of " + want, got, want);
                    }
                }
            }
        }
    }
    EXPECT_EQ(bad.total, 0u) << bad.Report();
}

// The system's "%p": the address as 16 upper-case hexadecimal digits, no "0x".
TEST(NumberFormat, PointerIsSixteenUpperCaseDigits) {
    struct Case {
        const char* name;
        NumberSpec spec;
        uint64_t bits;
        const char* want;
    } cases[] = {
        {"plain", Spec('p'), 0xABCDEF12ULL, "00000000ABCDEF12"},
        {"full 64 bits", Spec('p'), 0xFEDCBA9876543210ULL, "FEDCBA9876543210"},
        {"null", Spec('p'), 0, "0000000000000000"},
        {"width", Spec('p', 0, 20), 0x1234, "    0000000000001234"},
        {"left", Spec('p', NumberSpec::kLeft, 18), 0x1234, "0000000000001234  "},
        {"zero flag has no effect", Spec('p', NumberSpec::kZero, 18), 0x1234, "  0000000000001234"},
        {"precision has no effect", Spec('p', 0, -1, 4), 0x1234, "0000000000001234"},
        {"alternate", Spec('p', NumberSpec::kAlternate), 0xABCD, "0X000000000000ABCD"},
        {"length has no effect", Spec('p', 0, -1, -1, NumberSpec::kShort), 0x123456789ULL, "0000000123456789"},
    };
    for (const Case& c : cases) EXPECT_EQ(Integer(c.spec, c.bits), c.want) << c.name;
}

// snprintf's contract: the whole length is returned, at most capacity - 1
// bytes and a NUL are written, and nothing at all for capacity 0.
TEST(NumberFormat, OutputIsCutToTheCapacity) {
    for (size_t capacity : {size_t{0}, size_t{1}, size_t{4}, size_t{9}, size_t{10}}) {
        char buffer[16];
        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(platform::FormatInteger(buffer, capacity, Spec('d', 0, 9), static_cast<uint64_t>(-1234)), 9u);
        const std::string full = "    -1234";
        const size_t kept = capacity == 0 ? 0 : std::min(capacity - 1, full.size());
        EXPECT_EQ(std::string(buffer, kept), full.substr(0, kept)) << capacity;
        EXPECT_EQ(buffer[kept], capacity == 0 ? '#' : '\0') << capacity;

        std::memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(platform::FormatDouble(buffer, capacity, Spec('f', 0, -1, 3), -12.5), 7u);
        const std::string fullDouble = "-12.500";
        const size_t keptDouble = capacity == 0 ? 0 : std::min(capacity - 1, fullDouble.size());
        EXPECT_EQ(std::string(buffer, keptDouble), fullDouble.substr(0, keptDouble)) << capacity;
        EXPECT_EQ(buffer[keptDouble], capacity == 0 ? '#' : '\0') << capacity;
    }
    // A width far beyond the buffer is counted, never written.
    char small[8];
    EXPECT_EQ(platform::FormatInteger(small, sizeof small, Spec('x', 0, 100000), 0xFF), 100000u);
    EXPECT_STREQ(small, "       ");
}

namespace {

// glibc keeps the LOCPATH search list of a locale load for good; the leak
// checker must not count that against us.
struct GlibcLocaleAllocations {
#if defined(__SANITIZE_ADDRESS__)
    GlibcLocaleAllocations() { __lsan_disable(); }
    ~GlibcLocaleAllocations() { __lsan_enable(); }
#endif
};

// A locale whose decimal point is a comma: an installed one, or one compiled into
// a temporary folder from the system's locale sources. Empty when neither works.
class CommaLocale {
public:
    CommaLocale() {
        for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "fr_FR.UTF-8", "fr_FR.utf8"}) {
            if (Try(name)) return;
        }
        char folder[] = "/tmp/oc_locale_XXXXXX";
        if (!mkdtemp(folder)) return;
        folder_ = folder;
        const std::string command =
            "localedef -i de_DE -f UTF-8 '" + folder_ + "/de_DE.UTF-8' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) return;
        const char* old = std::getenv("LOCPATH");
        if (old) oldLocPath_ = old, hadLocPath_ = true;
        setenv("LOCPATH", folder_.c_str(), 1);
        Try("de_DE.UTF-8");
    }
    ~CommaLocale() {
        if (hadLocPath_)
            setenv("LOCPATH", oldLocPath_.c_str(), 1);
        else if (!folder_.empty())
            unsetenv("LOCPATH");
        if (!folder_.empty()) std::system(("rm -rf '" + folder_ + "'").c_str());
    }
    const std::string& Name() const { return name_; }

private:
    bool Try(const char* name) {
        locale_t l = newlocale(LC_NUMERIC_MASK, name, static_cast<locale_t>(0));
        if (!l) return false;
        freelocale(l);
        name_ = name;
        return true;
    }

    std::string name_, folder_, oldLocPath_;
    bool hadLocPath_ = false;
};

}  // namespace

// The GUI toolkit sets LC_NUMERIC from the user's environment; numbers written
// into documents and settings must still use a decimal point.
TEST(NumberFormat, DecimalPointIgnoresTheLocale) {
    [[maybe_unused]] GlibcLocaleAllocations ignored;
    CommaLocale comma;
    if (comma.Name().empty()) GTEST_SKIP() << "no locale with a decimal comma can be made here";

    ASSERT_NE(setlocale(LC_NUMERIC, comma.Name().c_str()), nullptr);
    const std::string underLocale = Reference("%.2f", 1.5);
    const std::string ours = Double(Spec('f', 0, -1, 2), 1.5);
    const std::string grouped = Double(Spec('g'), 12345.5);
    setlocale(LC_NUMERIC, "C");
    ASSERT_EQ(underLocale, "1,50") << "the locale does not use a decimal comma";
    EXPECT_EQ(ours, "1.50");
    EXPECT_EQ(grouped, "12345.5");

    // A thread locale set with uselocale is put back after the conversion.
    locale_t threadLocale = newlocale(LC_NUMERIC_MASK, comma.Name().c_str(), static_cast<locale_t>(0));
    ASSERT_NE(threadLocale, static_cast<locale_t>(0));
    const locale_t previous = uselocale(threadLocale);
    const std::string oursInThread = Double(Spec('e', 0, -1, 1), 2.25);
    const std::string afterwards = Reference("%.1f", 0.5);
    uselocale(previous);
    freelocale(threadLocale);
    EXPECT_EQ(oursInThread, "2.2e+00");
    EXPECT_EQ(afterwards, "0,5");
}
