// Reading a sheet's CSV header: line numbering, corners, row flags, the two modes, refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "hostsim/drive_root.h"
#include "lem/lem_map.h"
#include "platform/message_box.h"
#include "tests/lem/lem_fixtures.h"
#include "tests/support/result_printer.h"
#include "ui/messages.h"

namespace {

using platform::Status;

using lemtest::HeaderFields;

const char kPath[] = "C:\\H\\A.CSV";

class LemHeader : public ::testing::Test {
protected:
    void SetUp() override { (void)lemtest::TakeMessageBoxes(); }
    platform::Status Read(const std::string& text, int headerOnly) {
        root_.Write(kPath, text);
        return CLemMap::ReadHeader(kPath, map_, headerOnly).status;
    }
    hostsim::DriveRoot root_;
    CLemMap map_;
};

TEST_F(LemHeader, ReadsFieldsAndRowFlags) {
    HeaderFields sheetHeader;
    sheetHeader.cols = "2250";
    sheetHeader.rows = " 1500";
    sheetHeader.title = "\x95\x78\x8E\x6D\x8E\x52";  // 富士山
    sheetHeader.flags = {"1", "0", "1"};
    ASSERT_EQ(Read(lemtest::HeaderText(sheetHeader), 0), Status::kOk);
    EXPECT_EQ(map_.Cols, 2250);
    EXPECT_EQ(map_.Rows, 1500);
    EXPECT_EQ(map_.Title, sheetHeader.title);
    EXPECT_EQ(map_.RecordCount, 3);
    EXPECT_EQ(map_.RowTable, (std::vector<int64_t>{1, -1, 1}));
    EXPECT_TRUE(lemtest::TakeMessageBoxes().empty());
}

TEST_F(LemHeader, DegreeMinuteSecondArithmeticToTheLastBit) {
    // Degrees, then + minutes x 0.016666666666666666, then + seconds x 0.0002777777777777778,
    // each step stored as a double. The second and third rows tell this apart from dividing by
    // 60 and 3600 and from adding minutes and seconds before the degrees.
    struct Case {
        std::string d, m, s;
        double expected;
    } const cases[] = {
        {"35", "30", "36", 0x1.1c147ae147ae1p+5},
        {"35", "1", "1", 0x1.1822b3c4d5e6fp+5},
        {"0", "0", "3", 0x1.b4e81b4e81b4ep-11},
        {" 35.9", "30abc", "x", 35.5},  // integer conversion: digits up to the first other char
        {"-35", "-30", "0", -35.5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.d + " " + c.m + " " + c.s);
        HeaderFields sheetHeader;
        sheetHeader.south[0] = sheetHeader.west[0] = sheetHeader.north[0] = sheetHeader.east[0] = c.d;
        sheetHeader.south[1] = sheetHeader.west[1] = sheetHeader.north[1] = sheetHeader.east[1] = c.m;
        sheetHeader.south[2] = sheetHeader.west[2] = sheetHeader.north[2] = sheetHeader.east[2] = c.s;
        ASSERT_EQ(Read(lemtest::HeaderText(sheetHeader), 1), Status::kOk);
        EXPECT_EQ(map_.SouthLat, c.expected);
        EXPECT_EQ(map_.WestLon, c.expected);
        EXPECT_EQ(map_.NorthLat, c.expected);
        EXPECT_EQ(map_.EastLon, c.expected);
    }
}

TEST_F(LemHeader, LongPhysicalLinesAreReadInPiecesOf255) {
    // A physical line of `length` characters before its LF is read as `pieces` lines and shifts
    // the numbering of every later line. Physical lines 2.. hold "v,<their index>", so the
    // values that land on numbers 4, 5 and 18 show the shift.
    struct Case {
        size_t length;
        int pieces;
    } const cases[] = {{254, 1}, {255, 2}, {300, 2}, {510, 3}, {600, 3}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.length);
        std::vector<std::string> lines = {"\x8F\x6B\x8E\xDA,5000", std::string(c.length, 'x')};
        for (int i = 2; i < 30; ++i) lines.push_back("v," + std::to_string(i));
        ASSERT_EQ(Read(lemtest::Join(lines, "\n"), 1), Status::kOk);
        // Number n is physical line n + 1 - pieces.
        EXPECT_EQ(map_.Cols, 5 - c.pieces);
        EXPECT_EQ(map_.Rows, 6 - c.pieces);
        EXPECT_EQ(map_.Title, std::to_string(19 - c.pieces));
    }
}

TEST_F(LemHeader, TitleModeAndIndexMode) {
    HeaderFields sheetHeader;
    std::vector<std::string> lines = lemtest::HeaderLines(sheetHeader);
    // 19 lines: accepted in title mode only; 18 lines: refused in both.
    std::vector<std::string> nineteen(lines.begin(), lines.begin() + 19);
    std::vector<std::string> eighteen(lines.begin(), lines.begin() + 18);
    EXPECT_EQ(Read(lemtest::Join(nineteen, "\r\n"), 1), Status::kOk);
    EXPECT_EQ(map_.Title, "TITLE");
    EXPECT_EQ(Read(lemtest::Join(nineteen, "\r\n"), 0), Status::kDamaged);
    EXPECT_EQ(Read(lemtest::Join(eighteen, "\r\n"), 1), Status::kDamaged);
    EXPECT_EQ(Read(lemtest::Join(eighteen, "\r\n"), 0), Status::kDamaged);
    // Without its final line end the title line still counts.
    std::string noEnd = lemtest::Join(nineteen, "\r\n");
    noEnd.resize(noEnd.size() - 2);
    EXPECT_EQ(Read(noEnd, 1), Status::kOk);
    EXPECT_EQ(map_.Title, "TITLE");

    // Title mode leaves the row table alone.
    map_.RowTable = {7, 8};
    EXPECT_EQ(Read(lemtest::HeaderText(sheetHeader), 1), Status::kOk);
    EXPECT_EQ(map_.RowTable, (std::vector<int64_t>{7, 8}));
    EXPECT_TRUE(lemtest::TakeMessageBoxes().empty());
}

TEST_F(LemHeader, RowFlagsWithGapsAndValues) {
    std::vector<std::string> lines = lemtest::HeaderLines(HeaderFields{.flags = {}});
    const std::string rec = "\x83\x8C\x83\x52\x81\x5B\x83\x68";  // レコード
    lines.push_back(rec + ",2");                                 // 27: value 2 is present
    lines.push_back(rec + ",1");                                 // 28
    lines.push_back("other,1");                                  // 29: not a record line, row 2 stays absent
    lines.push_back(rec + ",0");                                 // 30
    lines.push_back(rec + ",");                                  // 31: empty value
    lines.push_back(rec);                                        // 32: no comma
    lines.push_back(rec + ",abc");                               // 33: not a number
    lines.push_back(rec + ", -3,9");                             // 34: value up to the next comma
    ASSERT_EQ(Read(lemtest::Join(lines, "\r\n"), 0), Status::kOk);
    EXPECT_EQ(map_.RecordCount, 8);
    EXPECT_EQ(map_.RowTable, (std::vector<int64_t>{1, 1, -1, -1, -1, -1, -1, 1}));

    // Lines 27, 28 and 30 only: four flags, row 2 absent.
    lines.resize(29);
    lines.push_back("z,0");
    lines.push_back(rec + ",1");
    ASSERT_EQ(Read(lemtest::Join(lines, "\n"), 0), Status::kOk);
    EXPECT_EQ(map_.RowTable, (std::vector<int64_t>{1, 1, -1, 1}));
}

TEST_F(LemHeader, TitleValueRules) {
    struct Case {
        std::string line, title;
    } const cases[] = {
        {"no comma at all", ""}, {"t,A,B", "A"}, {"t,", ""}, {",lead", "lead"}, {"t,with space ", "with space "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        std::vector<std::string> lines = lemtest::HeaderLines(HeaderFields{});
        lines[18] = c.line;
        ASSERT_EQ(Read(lemtest::Join(lines, "\r\n"), 1), Status::kOk);
        EXPECT_EQ(map_.Title, c.title);
    }
}

TEST_F(LemHeader, Refusals) {
    struct Case {
        const char* name;
        HeaderFields sheetHeader;
        int mode;
    };
    auto with = [](auto change) {
        HeaderFields s;
        change(s);
        return s;
    };
    const Case cases[] = {
        {"zero columns", with([](HeaderFields& s) { s.cols = "0"; }), 1},
        {"zero rows", with([](HeaderFields& s) { s.rows = "abc"; }), 1},
        {"negative columns", with([](HeaderFields& s) { s.cols = "-5"; }), 1},
        {"negative rows", with([](HeaderFields& s) { s.rows = "-1"; }), 0},
        {"columns above the limit", with([](HeaderFields& s) { s.cols = "1000001"; }), 0},
        {"rows above the limit", with([](HeaderFields& s) { s.rows = "99999999999"; }), 1},
        {"no row flag in index mode", with([](HeaderFields& s) { s.flags.clear(); }), 0},
        {"only absent row flags still count", with([](HeaderFields& s) { s.flags = {"0"}; }), -1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const int mode = c.mode < 0 ? 0 : c.mode;
        EXPECT_EQ(Read(lemtest::HeaderText(c.sheetHeader), mode), c.mode < 0 ? Status::kOk : Status::kDamaged);
    }
    // Counts at the limit are accepted.
    HeaderFields big;
    big.cols = "1000000";
    big.rows = "1000000";
    EXPECT_EQ(Read(lemtest::HeaderText(big), 1), Status::kOk);

    // Line 0 must begin with the scale mark.
    std::vector<std::string> lines = lemtest::HeaderLines(HeaderFields{});
    lines[0] = "SCALE,5000";
    EXPECT_EQ(Read(lemtest::Join(lines, "\r\n"), 1), Status::kNotThisFormat);
    lines[0] = " \x8F\x6B\x8E\xDA";
    EXPECT_EQ(Read(lemtest::Join(lines, "\r\n"), 1), Status::kNotThisFormat);
    lines[0] = "\x8F\x6B\x8E\xDA";  // the mark alone is enough
    EXPECT_EQ(Read(lemtest::Join(lines, "\r\n"), 1), Status::kOk);
    EXPECT_TRUE(lemtest::TakeMessageBoxes().empty());
}

TEST_F(LemHeader, RowFlagBeyondTheLimitIsRefusedWithoutSizingAnything) {
    // A record line at number 27 + kMaxRowFlags: the header is refused before any table grows.
    std::string text = lemtest::Join(lemtest::HeaderLines(HeaderFields{}), "\n");
    text.append(static_cast<size_t>(CLemMap::kMaxRowFlags) - 3, '\n');
    root_.Write(kPath, text + "\x83\x8C\x83\x52\x81\x5B\x83\x68,1\n");
    EXPECT_EQ((CLemMap::ReadHeader(kPath, map_, 0)).status, platform::Status::kOk);
    EXPECT_EQ(map_.RecordCount, CLemMap::kMaxRowFlags);
    root_.Write(kPath, text + "\n\x83\x8C\x83\x52\x81\x5B\x83\x68,1\n");
    EXPECT_EQ(CLemMap::ReadHeader(kPath, map_, 0).status, Status::kDamaged);
}

TEST_F(LemHeader, LineEndsAndEndOfText) {
    // CR LF arrives as LF; a lone CR is an ordinary character; Ctrl-Z ends the text.
    std::vector<std::string> lines = lemtest::HeaderLines(HeaderFields{});
    lines[18] = "t,A\rB";
    ASSERT_EQ(Read(lemtest::Join(lines, "\r\n"), 0), Status::kOk);
    EXPECT_EQ(map_.Title, "A\rB");
    EXPECT_EQ(map_.RecordCount, 2);
    std::string cut = lemtest::Join(lines, "\r\n");
    cut.insert(cut.find("\x83\x8C\x83\x52"), "\x1A");
    EXPECT_EQ(Read(cut, 0), Status::kDamaged);  // no row flag before the end of text
}

// The reader shows nothing: it names the file it could not open, and the box is the caller's.
TEST_F(LemHeader, MissingFileIsAnIoErrorNamingThePath) {
    const char* const path = "C:\\NONE\\\x95\x5C.CSV";
    const platform::Result read = CLemMap::ReadHeader(path, map_, 1);
    EXPECT_EQ(read.status, Status::kIoError);
    EXPECT_EQ(read.subject, path);
    EXPECT_TRUE(lemtest::TakeMessageBoxes().empty());
    // The one layer that shows boxes turns it into the file message, path on its second line.
    ui::ReportReadFailure(read);
    const auto boxes = lemtest::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    // "ファイルが開けません.\n" and the path, in code page 932.
    EXPECT_EQ(boxes[0].text,
              "\x83\x74\x83\x40\x83\x43\x83\x8B\x82\xAA\x8A\x4A\x82\xAF\x82\xDC\x82\xB9\x82\xF1.\n"
              "C:\\NONE\\\x95\x5C.CSV");
    EXPECT_EQ(boxes[0].style, platform::kMbOk | platform::kMbIconExclamation);
}

}  // namespace
