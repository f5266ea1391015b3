#include "lem/path.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// 表 is 0x95 0x5C: its trail byte is the code of the backslash.
const std::string kHyo = "\x95\x5C";

struct SplitCase {
    std::string path;
    std::string folder;
    std::string file;
    bool trailing;
};

TEST(PathHelpers, SplitFindAndTrailingBackslash) {
    const SplitCase cases[] = {
        {"D:\\a\\b.txt", "D:\\a\\", "b.txt", false},
        {"D:b.txt", "D:", "b.txt", false},
        {"b.txt", "", "b.txt", false},
        {"D:\\a\\", "D:\\a\\", "", true},
        {"D:\\" + kHyo, "D:\\", kHyo, false},
        {"D:\\" + kHyo + "\\x", "D:\\" + kHyo + "\\", "x", false},
        {"", "", "", false},
        {"\\", "\\", "", true},
        // Half-width katakana stand alone: the backslash after one is a separator.
        {"D:\\\xB1\\b", "D:\\\xB1\\", "b", false},
        // A lead byte at the very end: the walk stops at the terminator.
        {"D:\\a\\b\x95", "D:\\a\\", "b\x95", false},
        {"\x95", "", "\x95", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(lem::HasTrailingBackslash(c.path.c_str()), c.trailing);
        const char* p = lem::FindFileName(c.path.c_str());
        EXPECT_EQ(std::string(p), c.file);
        std::string folder = "junk", file = "junk";
        ASSERT_TRUE(lem::SplitPath(c.path, &folder, &file));
        EXPECT_EQ(folder, c.folder);
        EXPECT_EQ(file, c.file);
    }
}

TEST(PathHelpers, FindFileNameOfEmptyStringIsItsStart) {
    const char* empty = "";
    EXPECT_EQ(lem::FindFileName(empty), empty);
}

TEST(PathHelpers, SplitPathIntoItsOwnInputAndWithoutOutputs) {
    std::string path = "D:\\a\\b.txt";
    ASSERT_TRUE(lem::SplitPath(path, &path, nullptr));
    EXPECT_EQ(path, "D:\\a\\");
    std::string file;
    ASSERT_TRUE(lem::SplitPath("C:\\x\\y.csv", nullptr, &file));
    EXPECT_EQ(file, "y.csv");
    EXPECT_TRUE(lem::SplitPath("C:\\x", nullptr, nullptr));
}

TEST(PathHelpers, AppendPath) {
    struct Case {
        std::string folder, component, result;
    } const cases[] = {
        {"D:\\a", "LEM\\", "D:\\a\\LEM\\"},          {"D:\\a\\", "\\b", "D:\\a\\b"},
        {"D:\\a\\", "\\\\b", "D:\\a\\\\b"},          {"", "LEM\\", "\\LEM\\"},
        {"D:\\" + kHyo, "x", "D:\\" + kHyo + "\\x"}, {"D:", "ABC", "D:\\ABC"},
        {"D:\\a\\b\x95", "x", "D:\\a\\b\x95\\x"},    {"D:\\a", "", "D:\\a\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder + " + " + c.component);
        std::string folder = c.folder;
        ASSERT_TRUE(lem::AppendPath(folder, c.component.c_str()));
        EXPECT_EQ(folder, c.result);
    }
}

TEST(PathHelpers, LengthLimit) {
    // 259 characters fit the 260-byte buffer with its terminator; 260 do not.
    const std::string fits = "C:\\" + std::string(256, 'a');
    const std::string tooLong = fits + "b";
    ASSERT_EQ(fits.size(), 259u);

    std::string folder, file;
    ASSERT_TRUE(lem::SplitPath(fits, &folder, &file));
    EXPECT_EQ(folder, "C:\\");
    EXPECT_EQ(file.size(), 256u);

    folder = "keep";
    file = "keep";
    EXPECT_FALSE(lem::SplitPath(tooLong, &folder, &file));
    EXPECT_EQ(folder, "keep");
    EXPECT_EQ(file, "keep");

    // AppendPath: a result of exactly 259 characters is accepted, one more is refused and
    // leaves the folder unchanged.
    std::string base = "C:\\" + std::string(250, 'f');  // 253
    std::string grown = base;
    ASSERT_TRUE(lem::AppendPath(grown, "12345"));  // 253 + 1 + 5 = 259
    EXPECT_EQ(grown.size(), 259u);
    grown = base;
    EXPECT_FALSE(lem::AppendPath(grown, "123456"));
    EXPECT_EQ(grown, base);

    std::string longFolder = tooLong;
    EXPECT_FALSE(lem::AppendPath(longFolder, "x"));
    EXPECT_EQ(longFolder, tooLong);
    std::string atLimit = fits;  // input fits, but the separator alone overflows
    EXPECT_FALSE(lem::AppendPath(atLimit, ""));
    EXPECT_EQ(atLimit, fits);
}

}  // namespace
