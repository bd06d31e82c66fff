#pragma once
// What the file tests share: the temporary folder and the whole-file helpers of
// tests/support/TempFolder.h, byte-level forms of them, and patterned content.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "foundation/files/IFFile.h"
#include "tests/support/TempFolder.h"

namespace filetest {

using Bytes = std::vector<unsigned char>;
using testsupport::Entries;
using testsupport::Exists;
using testsupport::TempFolderTest;

// The attribute word every caller of the system passes to Open.
inline constexpr uint32_t kArchive = IFFile::kAttributeArchive;

// Deterministic, position-dependent content: a shifted or cut copy never matches.
inline Bytes Pattern(size_t size, uint32_t seed = 1) {
    Bytes bytes(size);
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = static_cast<unsigned char>(x >> 16);
    }
    return bytes;
}

inline void WriteAll(const std::string& path, const Bytes& bytes) {
    testsupport::WriteText(path, std::string(bytes.begin(), bytes.end()));
}

inline Bytes ReadAll(const std::string& path) {
    const std::string text = testsupport::ReadText(path);
    return Bytes(text.begin(), text.end());
}

}  // namespace filetest
