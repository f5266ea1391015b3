// Locating a dataset from any of its paths, in both folder layouts and as a flat pair.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostsim/drive_root.h"
#include "lem/lem_map.h"
#include "tests/lem/lem_fixtures.h"
#include "tests/support/result_printer.h"

namespace {

const std::string kOldHeader = "\x8B\x8C\x83\x77\x83\x62\x83\x5F";  // 旧ヘッダ
const std::string kGoodHeader = "\x8F\x6B\x8E\xDA,5000\r\n";        // begins with 縮尺
const std::string kBadHeader = "SCALE,5000\r\n";

struct LocateCase {
    const char* name;
    std::vector<std::pair<std::string, std::string>> files;  // Windows path, contents
    std::string open;
    int result;
    std::string folder;
    std::string baseName;
    int flat;
};

// Writes the case's files into a fresh root and opens the case's path.
void ExpectLocated(const LocateCase& c) {
    SCOPED_TRACE(c.name);
    hostsim::DriveRoot root;
    for (const auto& [path, bytes] : c.files) root.Write(path, bytes);
    CLemMap map;
    EXPECT_EQ(map.Open(c.open.c_str()).ok() ? 1 : 0, c.result);
    EXPECT_EQ(map.Opened, c.result);
    EXPECT_EQ(map.FlatLayout, c.flat);
    if (c.result) {
        EXPECT_EQ(map.Folder, c.folder);
        EXPECT_EQ(map.BaseName, c.baseName);
    }
}

TEST(LemOpen, LocatesDatasets) {
    const LocateCase cases[] = {
        {"folder layout from the data file",
         {{"D:\\V\\LEM\\ABC.LEM", "x"}, {"D:\\V\\HEADER\\ABC.CSV", kGoodHeader}},
         "D:\\V\\LEM\\ABC.LEM",
         1,
         "D:\\V\\",
         "ABC",
         0},
        {"folder layout from the header file",
         {{"D:\\V\\LEM\\ABC.LEM", "x"}, {"D:\\V\\HEADER\\ABC.CSV", kGoodHeader}},
         "D:\\V\\HEADER\\ABC.CSV",
         1,
         "D:\\V\\",
         "ABC",
         0},
        {"any extension locates the dataset",
         {{"D:\\V\\LEM\\ABC.LEM", "x"}, {"D:\\V\\HEADER\\ABC.CSV", kGoodHeader}},
         "D:\\V\\OTHER\\ABC.TXT",
         1,
         "D:\\V\\",
         "ABC",
         0},
        {"DATA and old header folders",
         {{"D:\\V\\DATA\\ABC.LEM", "x"}, {"D:\\V\\" + kOldHeader + "\\ABC.CSV", kGoodHeader}},
         "D:\\V\\DATA\\ABC.LEM",
         1,
         "D:\\V\\",
         "ABC",
         0},
        {"mixed: LEM data with the old header folder",
         {{"D:\\V\\LEM\\ABC.LEM", "x"}, {"D:\\V\\" + kOldHeader + "\\ABC.CSV", kGoodHeader}},
         "D:\\V\\LEM\\ABC.LEM",
         1,
         "D:\\V\\",
         "ABC",
         0},
        {"flat pair beside the data file",
         {{"D:\\V\\LEM\\ABC.LEM", "x"}, {"D:\\V\\LEM\\ABC.CSV", kGoodHeader}},
         "D:\\V\\LEM\\ABC.LEM",
         1,
         "D:\\V\\LEM\\",
         "ABC",
         1},
        {"folder-layout header without the scale mark refuses even with a flat pair",
         {{"D:\\V\\LEM\\ABC.LEM", "x"}, {"D:\\V\\HEADER\\ABC.CSV", kBadHeader}, {"D:\\V\\LEM\\ABC.CSV", kGoodHeader}},
         "D:\\V\\LEM\\ABC.LEM",
         0,
         "",
         "",
         0},
        {"HEADER is preferred to the old header folder",
         {{"D:\\V\\LEM\\ABC.LEM", "x"},
          {"D:\\V\\HEADER\\ABC.CSV", kBadHeader},
          {"D:\\V\\" + kOldHeader + "\\ABC.CSV", kGoodHeader}},
         "D:\\V\\LEM\\ABC.LEM",
         0,
         "",
         "",
         0},
        {"flat header without the scale mark",
         {{"D:\\V\\ABC.LEM", "x"}, {"D:\\V\\ABC.CSV", kBadHeader}},
         "D:\\V\\ABC.LEM",
         0,
         "",
         "",
         0},
        {"header shorter than the mark",
         {{"D:\\V\\ABC.LEM", "x"}, {"D:\\V\\ABC.CSV", "\x8F\x6B\x8E"}},
         "D:\\V\\ABC.LEM",
         0,
         "",
         "",
         0},
        {"header folder but no data file falls back to flat",
         {{"D:\\V\\HEADER\\ABC.CSV", kGoodHeader}, {"D:\\V\\HEADER\\ABC.LEM", "x"}},
         "D:\\V\\HEADER\\ABC.CSV",
         1,
         "D:\\V\\HEADER\\",
         "ABC",
         1},
        {"flat pair missing its header", {{"D:\\V\\ABC.LEM", "x"}}, "D:\\V\\ABC.LEM", 0, "", "", 0},
        {"drive root: folder layout under D:",
         {{"D:\\LEM\\ABC.LEM", "x"}, {"D:\\HEADER\\ABC.CSV", kGoodHeader}},
         "D:\\ABC.LEM",
         1,
         "D:",
         "ABC",
         0},
        {"drive root: flat pair",
         {{"D:\\ABC.LEM", "x"}, {"D:\\ABC.CSV", kGoodHeader}},
         "D:\\ABC.LEM",
         1,
         "D:\\",
         "ABC",
         1},
        {"bare file name: folder layout at the root of the current drive",
         {{"C:\\LEM\\ABC.LEM", "x"}, {"C:\\HEADER\\ABC.CSV", kGoodHeader}},
         "ABC.LEM",
         1,
         "",
         "ABC",
         0},
        {"bare file name: flat pair at the root, not in a current folder",
         {{"C:\\ABC.LEM", "x"}, {"C:\\ABC.CSV", kGoodHeader}},
         "ABC.LEM",
         1,
         "",
         "ABC",
         1},
        {"base name keeps everything before the last dot",
         {{"D:\\V\\LEM\\A.B.LEM", "x"}, {"D:\\V\\HEADER\\A.B.CSV", kGoodHeader}},
         "D:\\V\\LEM\\A.B.LEM",
         1,
         "D:\\V\\",
         "A.B",
         0},
        {"folder whose name ends in a 0x5C trail byte",
         {{"D:\\\x95\x5C\\LEM\\ABC.LEM", "x"}, {"D:\\\x95\x5C\\HEADER\\ABC.CSV", kGoodHeader}},
         "D:\\\x95\x5C\\LEM\\ABC.LEM",
         1,
         "D:\\\x95\x5C\\",
         "ABC",
         0},
    };
    for (const auto& c : cases) ExpectLocated(c);
}

TEST(LemOpen, PathsOfTheLocatedFiles) {
    hostsim::DriveRoot root;
    root.Write("D:\\V\\DATA\\ABC.LEM", "x");
    root.Write("D:\\V\\" + kOldHeader + "\\ABC.CSV", kGoodHeader);
    CLemMap map;
    ASSERT_EQ((map.Open("D:\\V\\DATA\\ABC.LEM")).status, platform::Status::kOk);
    EXPECT_EQ(map.DataPath(), "D:\\V\\DATA\\ABC.LEM");
    EXPECT_EQ(map.HeaderPath(), "D:\\V\\" + kOldHeader + "\\ABC.CSV");
    // The LEM\ data file wins as soon as it exists; the test is made at each use.
    root.Write("D:\\V\\LEM\\ABC.LEM", "y");
    EXPECT_EQ(map.DataPath(), "D:\\V\\LEM\\ABC.LEM");
}

TEST(LemOpen, FailedOpenLeavesTheRecordEmpty) {
    hostsim::DriveRoot root;
    root.Write("D:\\V\\LEM\\ABC.LEM", "x");
    root.Write("D:\\V\\HEADER\\ABC.CSV", kGoodHeader);
    CLemMap map;
    ASSERT_EQ((map.Open("D:\\V\\LEM\\ABC.LEM")).status, platform::Status::kOk);
    EXPECT_FALSE(map.Open("D:\\W\\LEM\\NONE.LEM"));
    EXPECT_EQ(map.Opened, 0);
    EXPECT_EQ(map.FlatLayout, 0);
    EXPECT_TRUE(map.RowTable.empty());
    EXPECT_TRUE(map.LineBuffer.empty());
    EXPECT_EQ(map.DataPath(), "");
    EXPECT_EQ(map.CloseDataset(), 1);
    EXPECT_EQ(map.Folder, "");
    EXPECT_EQ(map.BaseName, "");
}

// Each case's files exist, so only the length limit can refuse them. Names on disk stay under
// the file system's 255-byte limit by spreading the length over folders.
TEST(LemOpen, PathsTooLongAreRefused) {
    const std::string deep = "D:\\" + std::string(200, 'X') + "\\" + std::string(60, 'Y') + "\\";  // 266 bytes
    const std::string name246(246, 'B');
    const LocateCase cases[] = {
        {"opened path of 260 bytes or more",
         {{deep + "LEM\\ABC.LEM", "x"}, {deep + "HEADER\\ABC.CSV", kGoodHeader}},
         deep + "LEM\\ABC.LEM",
         0,
         "",
         "",
         0},
        {"259-byte path whose header path would take 261 bytes",
         {{"D:\\V\\LEM\\" + name246 + ".LEM", "x"}, {"D:\\V\\HEADER\\" + name246 + ".CSV", kGoodHeader}},
         "D:\\V\\LEM\\" + name246 + ".LEM",
         0,
         "",
         "",
         0},
        {"259-byte flat pair fits",
         {{"D:\\V\\LEM\\" + name246 + ".LEM", "x"}, {"D:\\V\\LEM\\" + name246 + ".CSV", kGoodHeader}},
         "D:\\V\\LEM\\" + name246 + ".LEM",
         1,
         "D:\\V\\LEM\\",
         name246,
         1},
    };
    ASSERT_EQ(cases[1].open.size(), 259u);
    for (const auto& c : cases) ExpectLocated(c);
}

// Open shows nothing; its result says why a path locates no dataset.
TEST(LemOpen, SaysWhyNoDatasetWasLocated) {
    struct Case {
        const char* name;
        std::vector<std::pair<std::string, std::string>> files;
        const char* open;
        platform::Status status;
        const char* subject;  // the file an I/O error names
    };
    const Case cases[] = {
        {"nothing there", {}, "D:\\V\\LEM\\ABC.LEM", platform::Status::kNotThisFormat, nullptr},
        {"data without header",
         {{"D:\\V\\LEM\\ABC.LEM", "x"}},
         "D:\\V\\LEM\\ABC.LEM",
         platform::Status::kNotThisFormat,
         nullptr},
        {"header without the scale mark",
         {{"D:\\V\\LEM\\ABC.LEM", "x"}, {"D:\\V\\HEADER\\ABC.CSV", kBadHeader}},
         "D:\\V\\LEM\\ABC.LEM",
         platform::Status::kNotThisFormat,
         nullptr},
        // A folder where the header should be exists but does not open as a file.
        {"header that cannot be opened",
         {{"D:\\V\\LEM\\ABC.LEM", "x"}, {"D:\\V\\HEADER\\ABC.CSV\\X", "x"}},
         "D:\\V\\LEM\\ABC.LEM",
         platform::Status::kIoError,
         "D:\\V\\HEADER\\ABC.CSV"},
        {"flat header that cannot be opened",
         {{"D:\\V\\ABC.LEM", "x"}, {"D:\\V\\ABC.CSV\\X", "x"}},
         "D:\\V\\ABC.LEM",
         platform::Status::kIoError,
         "D:\\V\\ABC.CSV"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        hostsim::DriveRoot root;
        for (const auto& [path, bytes] : c.files) root.Write(path, bytes);
        CLemMap map;
        const platform::Result opened = map.Open(c.open);
        EXPECT_EQ(opened.status, c.status);
        if (c.subject) {
            ASSERT_NE(opened.subject, nullptr);
            EXPECT_STREQ(opened.subject, c.subject);
        }
        EXPECT_EQ(map.Opened, 0);
        EXPECT_TRUE(lemtest::TakeMessageBoxes().empty());
    }
}

}  // namespace
