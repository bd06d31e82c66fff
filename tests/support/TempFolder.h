#pragma once
// A fresh temporary folder per test, and whole-file helpers that go around the
// code under test (plain stdio), so a test never checks the code with itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace testsupport {

class TempFolderTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string pattern = (std::filesystem::temp_directory_path() / "oc-test-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        m_folder = pattern;
    }
    void TearDown() override {
        std::error_code error;
        std::filesystem::remove_all(m_folder, error);
    }
    std::string Path(const std::string& name) const { return m_folder + "/" + name; }

    std::string m_folder;
};

// The whole content of a file; a file that cannot be opened fails the test.
inline std::string ReadText(const std::string& path) {
    std::string text;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (f == nullptr) {
        ADD_FAILURE() << "cannot open " << path;
        return text;
    }
    char chunk[65536];
    size_t got;
    while ((got = std::fread(chunk, 1, sizeof chunk, f)) > 0) {
        text.append(chunk, got);
    }
    std::fclose(f);
    return text;
}

// Makes the file hold exactly `text`.
inline void WriteText(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    if (!text.empty()) {
        ASSERT_EQ(std::fwrite(text.data(), 1, text.size(), f), text.size());
    }
    ASSERT_EQ(std::fclose(f), 0);
}

inline bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

// Names in a folder, sorted.
inline std::vector<std::string> Entries(const std::string& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace testsupport
