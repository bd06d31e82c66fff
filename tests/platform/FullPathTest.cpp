#include "platform/FullPath.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <climits>
#include <string>

#include "platform/Utf8.h"

namespace {

std::u16string CurrentDirectory() {
    char buf[PATH_MAX];
    EXPECT_NE(getcwd(buf, sizeof buf), nullptr);
    std::u16string cwd;
    EXPECT_TRUE(platform::Utf8ToUtf16(buf, std::char_traits<char>::length(buf), cwd));
    return cwd;
}

std::u16string Full(const std::u16string& path) {
    std::u16string out = u"<failed>";
    platform::FullPath(path.data(), path.size(), out);
    return out;
}

TEST(FullPathTest, ResolvesAgainstTheCurrentDirectoryByTextAlone) {
    const std::u16string cwd = CurrentDirectory();
    ASSERT_GT(cwd.size(), 1u) << "the tests expect to run below the root";
    const std::u16string parent = cwd.substr(0, cwd.rfind(u'/'));
    struct Row {
        const char* name;
        std::u16string path;
        std::u16string expected;
    };
    const Row rows[] = {
        {"plain relative", u"a/b.txt", cwd + u"/a/b.txt"},
        {"backslashes separate", u"a\\b\\c", cwd + u"/a/b/c"},
        {"dots and repeated separators", u"./a//.\\b", cwd + u"/a/b"},
        {"dot-dot inside", u"a/x/../b", cwd + u"/a/b"},
        {"dot-dot above the current directory", u"../z", (parent.empty() ? u"" : parent) + u"/z"},
        {"trailing separator kept once", u"a/b//", cwd + u"/a/b/"},
        {"empty path", u"", cwd},
        {"dot alone", u".", cwd},
        {"missing file", u"no such dir/no such file", cwd + u"/no such dir/no such file"},
        {"absolute", u"/usr/./lib/../share", u"/usr/share"},
        {"root", u"/", u"/"},
        {"dot-dot at the root stays there", u"/../../x", u"/x"},
        {"all the way up", u"/a/b/../../..", u"/"},
        {"server-style prefix", u"\\\\server\\share\\f", u"/server/share/f"},
        {"colons are ordinary", u"C:\\dir\\file:stream", cwd + u"/C:/dir/file:stream"},
        {"trailing dots and blanks are ordinary", u"name..  ", cwd + u"/name..  "},
        {"dot-dot-dot is a name", u"/a/.../b", u"/a/.../b"},
        {"Japanese", u"/\x65E5\x672C/\x8A9E", u"/\x65E5\x672C/\x8A9E"},
    };
    for (const Row& r : rows) EXPECT_EQ(Full(r.path), r.expected) << r.name;
}

TEST(FullPathTest, TooLongResultFailsAndKeepsTheOutput) {
    std::u16string fits = u"/" + std::u16string(platform::kFullPathMaxUnits - 1, u'x');
    EXPECT_EQ(Full(fits), fits);
    std::u16string tooLong = fits + u"y";
    EXPECT_EQ(Full(tooLong), u"<failed>");
    // Only the result counts: a long path that resolves short is fine.
    EXPECT_EQ(Full(tooLong + u"/.."), u"/");
}

}  // namespace
