#include "ui/open_dlg_logic.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "hostsim/drive_root.h"
#include "platform/cp932.h"
#include "tools/gen/lem_sheet.h"

namespace ui {
void PrintTo(const MapListRow& row, std::ostream* out) {
    *out << "{" << row.title << " | " << row.file << "}";
}
}  // namespace ui

namespace {

using ui::MapListRow;

// 表 is 0x95 0x5C: its trail byte is the code of the backslash.
const std::string kHyo = "\x95\x5C";
const std::string kPrefix = "火山標高 ";

// A small sheet's header with the given title.
std::string HeaderWithTitle(const std::string& title) {
    gen::LemSheetOptions options;
    options.cols = 40;
    options.rows = 30;
    options.title = title;
    options.lake = false;
    options.outsideSurvey = false;
    return gen::LemHeaderText(gen::MakeLemSheet(options));
}

class MapListFill : public ::testing::Test {
protected:
    hostsim::DriveRoot root;
};

TEST_F(MapListFill, FolderWithoutLemFilesGivesNoRows) {
    root.MakeFolder("C:\\V\\LEM");
    EXPECT_TRUE(ui::FillMapList("C:\\V\\LEM").empty());
    root.Write("C:\\V\\LEM\\Abc.csv", HeaderWithTitle("A"));
    root.Write("C:\\V\\LEM\\Abc.txt", "x");
    EXPECT_TRUE(ui::FillMapList("C:\\V\\LEM").empty());
    EXPECT_TRUE(ui::FillMapList("C:\\Missing").empty());
}

TEST_F(MapListFill, HeaderBesideFolderFirstThenBesideData) {
    root.Write("C:\\V\\LEM\\Abc.LEM", "");
    root.Write("C:\\V\\HEADER\\Abc.csv", HeaderWithTitle("富士山"));
    root.Write("C:\\V\\LEM\\Abc.csv", HeaderWithTitle("beside"));
    const std::vector<MapListRow> both = ui::FillMapList("C:\\V\\LEM");
    EXPECT_EQ(both, (std::vector<MapListRow>{{kPrefix + "富士山", "Abc.lem"}}));
    // The same folder given with its trailing separator.
    EXPECT_EQ(ui::FillMapList("C:\\V\\LEM\\"), both);

    root.Remove("C:\\V\\HEADER\\Abc.csv");
    EXPECT_EQ(ui::FillMapList("C:\\V\\LEM"), (std::vector<MapListRow>{{kPrefix + "beside", "Abc.lem"}}));
}

TEST_F(MapListFill, HeaderOnlyInOldHeaderFolderIsNotListed) {
    root.Write("C:\\V\\DATA\\Abc.LEM", "");
    root.Write("C:\\V\\旧ヘッダ\\Abc.csv", HeaderWithTitle("old"));
    EXPECT_TRUE(ui::FillMapList("C:\\V\\DATA").empty());
}

TEST_F(MapListFill, SeveralDotsKeepAllButTheLast) {
    root.Write("C:\\V\\a.b.lem", "");
    root.Write("C:\\V\\a.b.csv", HeaderWithTitle("ab"));
    EXPECT_EQ(ui::FillMapList("C:\\V"), (std::vector<MapListRow>{{kPrefix + "ab", "a.b.lem"}}));
}

TEST_F(MapListFill, DriveRootLooksInItsHeaderFolderThenBesideData) {
    root.Write("D:\\Root.LEM", "");
    root.Write("D:\\HEADER\\Root.csv", HeaderWithTitle("root header"));
    EXPECT_EQ(ui::FillMapList("D:\\"), (std::vector<MapListRow>{{kPrefix + "root header", "Root.lem"}}));
    root.Remove("D:\\HEADER\\Root.csv");
    root.Write("D:\\Root.csv", HeaderWithTitle("beside"));
    EXPECT_EQ(ui::FillMapList("D:\\"), (std::vector<MapListRow>{{kPrefix + "beside", "Root.lem"}}));
}

TEST_F(MapListFill, RefusedHeaderIsLeftOutOthersStay) {
    root.Write("C:\\V\\Bad.lem", "");
    root.Write("C:\\V\\Bad.csv", "not a header\r\n");
    root.Write("C:\\V\\Good.lem", "");
    root.Write("C:\\V\\Good.csv", HeaderWithTitle("good"));
    root.Write("C:\\V\\NoHeader.lem", "");
    EXPECT_EQ(ui::FillMapList("C:\\V"), (std::vector<MapListRow>{{kPrefix + "good", "Good.lem"}}));
}

TEST_F(MapListFill, BaseKeepsItsLettersExtensionIsLowerCase) {
    root.Write("C:\\V\\" + kHyo + "Mix.Lem", "");
    root.Write("C:\\V\\" + kHyo + "Mix.csv", HeaderWithTitle("t"));
    EXPECT_EQ(ui::FillMapList("C:\\V"), (std::vector<MapListRow>{{kPrefix + "t", kHyo + "Mix.lem"}}));
}

TEST_F(MapListFill, TitleFillingTheHeaderLineIsCutToTheRowBuffer) {
    // An empty first field leaves 254 bytes of the 255-byte header line for the title: with the
    // prefix that would not fit the 260-byte row text.
    std::string title = "A" + std::string(253, 'x');
    std::string header = HeaderWithTitle("placeholder");
    const size_t at = header.find("placeholder");
    ASSERT_NE(at, std::string::npos);
    const size_t lineStart = header.rfind('\n', at) + 1;
    header.replace(lineStart, at + std::string("placeholder").size() - lineStart, "," + title);
    root.Write("C:\\V\\Long.lem", "");
    root.Write("C:\\V\\Long.csv", header);

    const std::vector<MapListRow> rows = ui::FillMapList("C:\\V");
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].title.size(), ui::kRowTextBytes - 1);
    EXPECT_EQ(rows[0].title, kPrefix + title.substr(0, ui::kRowTextBytes - 1 - kPrefix.size()));
}

struct CutCase {
    std::string title;
    std::string expected;  // after the prefix
};

TEST(RowTexts, LongTextsAreCutAtCharacterBoundaries) {
    const std::string dbcs127 = [] {
        std::string s;
        for (int i = 0; i < 127; ++i) s += "あ";
        return s;
    }();
    // 250 bytes of title fit beside the 9-byte prefix.
    const CutCase titles[] = {
        {"short", "short"},
        {std::string(250, 'x'), std::string(250, 'x')},
        {std::string(251, 'x'), std::string(250, 'x')},
        // 1 + 2 * 127 = 255 bytes; 1 + 2 * 124 = 249 is the longest whole beginning.
        {"A" + dbcs127, "A" + dbcs127.substr(0, 248)},
        {dbcs127, dbcs127.substr(0, 250)},
    };
    for (const auto& c : titles) {
        const std::string text = ui::TitleRowText(c.title);
        EXPECT_EQ(text, kPrefix + c.expected) << c.title.size();
        EXPECT_LT(text.size(), ui::kRowTextBytes);
    }

    EXPECT_EQ(ui::FileRowText("Abc"), "Abc.lem");
    EXPECT_EQ(ui::FileRowText(std::string(255, 'n')), std::string(255, 'n') + ".lem");
    EXPECT_EQ(ui::FileRowText(std::string(256, 'n')), std::string(255, 'n') + ".lem");
    EXPECT_EQ(ui::FileRowText("n" + dbcs127), "n" + dbcs127.substr(0, 254) + ".lem");
}

TEST(RowTexts, PreviousCharacterStepsOverDoubleByteCharacters) {
    const std::string text = "A" + kHyo + "B\xB1" + kHyo;  // A 表 B ｱ 表: 0 1 3 4 5 (end 7)
    const struct {
        size_t pos;
        size_t expected;
    } cases[] = {{7, 5}, {6, 5}, {5, 4}, {4, 3}, {3, 1}, {2, 1}, {1, 0}, {0, 0}, {99, 5}};
    for (const auto& c : cases) EXPECT_EQ(ui::PreviousCharacter(text, c.pos), c.expected) << c.pos;
    // A lead byte at the very end stands alone.
    EXPECT_EQ(ui::PreviousCharacter("ab\x95", 3), 2u);
}

// Every byte is 5 pixels wide, a '.' dotWidth. Records what was measured, to see that no
// character was split.
class FakeMeasurer final : public ui::TextMeasurer {
public:
    explicit FakeMeasurer(int dotWidth = 5) : dotWidth_(dotWidth) {}
    int Width(std::string_view text) const override {
        measured.emplace_back(text);
        int width = 0;
        for (char c : text) width += c == '.' ? dotWidth_ : 5;
        return width;
    }
    mutable std::vector<std::string> measured;

private:
    int dotWidth_;
};

bool EndsOnCharacterBoundary(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) i += cp932::IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    return i == text.size();
}

struct LayoutCase {
    const char* name;
    std::string text;
    int width;
    ui::TextAlign columnAlign;
    std::string drawn;
    int left;   // relative to the column's left edge
    int right;  // relative to the column's left edge
    ui::TextAlign align;
};

TEST(ColumnLayout, ShortensTextsWiderThanTheColumnLessTwelve) {
    using ui::TextAlign;
    const LayoutCase cases[] = {
        // 10 bytes = 50 px: exactly width - 12 is drawn whole between 6-pixel margins.
        {"exact", "ABCDEFGHIJ", 62, TextAlign::Right, "ABCDEFGHIJ", 6, 56, TextAlign::Right},
        {"narrow fits", "ABCDEFGHIJ", 200, TextAlign::Center, "ABCDEFGHIJ", 6, 194, TextAlign::Center},
        // One pixel narrower: shortened to fit width - 5 = 56 with "...", drawn left from +6.
        {"one wider", "ABCDEFGHIJ", 61, TextAlign::Right, "ABCDEFGH...", 6, 61, TextAlign::Left},
        {"floor", "ABCDEFGHIJ", 20, TextAlign::Left, "A...", 6, 20, TextAlign::Left},
        {"tiny column", "ABCDEFGHIJ", 0, TextAlign::Left, "A...", 6, 0, TextAlign::Left},
        // A: 1 byte, あ い う: 2 bytes each. 40 - 5 = 35 holds "Aあ..." (30) but not "Aあい..." (40).
        {"double-byte", "Aあいう", 40, TextAlign::Left, "Aあ...", 6, 40, TextAlign::Left},
        {"double-byte floor", "あいう", 10, TextAlign::Left, "あ...", 6, 10, TextAlign::Left},
        // 表 ends in 0x5C; stepping back must not stop inside it.
        {"trail 0x5C", "A" + kHyo + kHyo + kHyo, 40, TextAlign::Left, "A" + kHyo + "...", 6, 40, TextAlign::Left},
        // One character too wide has nothing to give up but still ends in "...".
        {"single char", "W", 5, TextAlign::Left, "W...", 6, 5, TextAlign::Left},
        {"single double-byte char", "あ", 5, TextAlign::Left, "あ...", 6, 5, TextAlign::Left},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeMeasurer measurer;
        const ui::ColumnText out = ui::LayOutColumnText(c.text, 100, c.width, c.columnAlign, measurer);
        EXPECT_EQ(out.text, c.drawn);
        EXPECT_EQ(out.left, 100 + c.left);
        EXPECT_EQ(out.right, 100 + c.right);
        EXPECT_EQ(out.align, c.align);
        for (std::string text : measurer.measured) {
            if (text.size() >= 3 && text.compare(text.size() - 3, 3, "...") == 0) text.resize(text.size() - 3);
            EXPECT_TRUE(EndsOnCharacterBoundary(text)) << text;
        }
    }
}

TEST(ColumnLayout, ShortensOneCharacterPerStepAndStopsAtTheFirstFit) {
    FakeMeasurer measurer;
    EXPECT_EQ(ui::ShortenWithEllipsis("ABCDEF", 40, measurer), "ABCD...");
    // The whole text with "..." is tried first; each step measures the whole shortened text
    // once; nothing after the fit.
    EXPECT_EQ(measurer.measured, (std::vector<std::string>{"ABCDEF...", "ABCDE...", "ABCD..."}));
    // "ABCD..." is 35 pixels: exactly width - 5 fits, one pixel less does not.
    EXPECT_EQ(ui::ShortenWithEllipsis("ABCDEF", 39, measurer), "ABC...");

    // Dots narrower than letters, as in a proportional font: 50 + 6 pixels fit 61 - 5, so the
    // whole text is kept and only "..." is added.
    FakeMeasurer narrowDots(2);
    EXPECT_EQ(ui::LayOutColumnText("ABCDEFGHIJ", 0, 61, ui::TextAlign::Left, narrowDots).text, "ABCDEFGHIJ...");
}

struct PlacesCase {
    std::string folder;
    std::string base;
    std::string beside;
    std::string local;
};

TEST(HeaderPlaces, ParentHeaderFolderAndBesideTheData) {
    const PlacesCase cases[] = {
        {"C:\\V\\LEM", "Abc", "C:\\V\\HEADER\\Abc.csv", "C:\\V\\LEM\\Abc.csv"},
        {"C:\\V\\LEM\\", "Abc", "C:\\V\\HEADER\\Abc.csv", "C:\\V\\LEM\\Abc.csv"},
        {"D:\\", "Root", "D:\\HEADER\\Root.csv", "D:\\Root.csv"},
        // A folder ending in 表 has no trailing separator.
        {"C:\\V\\" + kHyo, "a", "C:\\V\\HEADER\\a.csv", "C:\\V\\" + kHyo + "\\a.csv"},
        // The parent with "HEADER\" and the name makes 260 bytes; beside the data 255 still fit.
        {"C:\\" + std::string(242, 'f') + "\\d", "abc", "", "C:\\" + std::string(242, 'f') + "\\d\\abc.csv"},
        {"C:\\" + std::string(260, 'f'), "abc", "", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.folder);
        const ui::HeaderPlaces places = ui::HeaderPlacesFor(c.folder, c.base);
        EXPECT_EQ(places.beside, c.beside);
        EXPECT_EQ(places.local, c.local);
    }
}

TEST(ChosenPath, FolderAndFileJoinedOrRefusedAt260Bytes) {
    std::string out = "unchanged";
    ASSERT_TRUE(ui::ComposeChosenPath("C:\\V\\LEM", "Abc.lem", out));
    EXPECT_EQ(out, "C:\\V\\LEM\\Abc.lem");
    ASSERT_TRUE(ui::ComposeChosenPath("D:\\", "Root.lem", out));
    EXPECT_EQ(out, "D:\\Root.lem");

    const std::string folder = "C:\\" + std::string(246, 'f');     // 249 bytes
    ASSERT_TRUE(ui::ComposeChosenPath(folder, "123456789", out));  // 249 + 1 + 9 = 259
    EXPECT_EQ(out.size(), 259u);
    out = "unchanged";
    EXPECT_FALSE(ui::ComposeChosenPath(folder, "1234567890", out));  // 260
    EXPECT_EQ(out, "unchanged");
}

}  // namespace
