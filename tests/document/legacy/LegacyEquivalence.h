#pragma once
// The check the legacy family tests are built on: an old text and the current
// text of the same kind and values read as the same record, and that record,
// written in format 1.2, reads back as itself. The current parser is the
// reference here, so a legacy row that stores into a wrong slot, forgets a
// constant or reads the wrong kind shows as a difference of two records.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/document/legacy/LegacyTestSupport.h"

namespace legacy_test {

struct Equivalence {
    std::string legacy;   // the format-1.0 text
    uint32_t kind;        // the kind it reads as
    std::string current;  // a format-1.2 text of the same record
};

inline void ExpectEquivalent(const Equivalence& c) {
    SCOPED_TRACE(c.legacy.substr(0, 120));
    QDXFactor old;
    ASSERT_TRUE(LegacyParsesAs(old, c.legacy, c.kind));
    QDXFactor current;
    ResetNamed(current);
    ASSERT_TRUE(current.ParseText(c.current.c_str())) << c.current;
    EXPECT_EQ(Describe(old), Describe(current)) << c.current;
    ExpectSameThroughWriter(old, c.legacy);
}

// Each text is refused by the legacy parser and leaves Kind 0.
inline void ExpectRefused(const std::vector<std::string>& texts) {
    for (const std::string& text : texts) {
        QDXFactor f;
        ResetNamed(f);
        EXPECT_FALSE(f.ParseLegacyText(text.c_str())) << text.substr(0, 120);
        EXPECT_EQ(f.Kind, 0u) << text.substr(0, 120);
    }
}

// "a,b,c": count copies of item joined by commas.
inline std::string Repeat(const std::string& item, uint32_t count) {
    std::string out;
    for (uint32_t i = 0; i < count; ++i) {
        if (i != 0) out += ',';
        out += item;
    }
    return out;
}

}  // namespace legacy_test
