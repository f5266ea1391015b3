// The row index over the data file and the blocks cut out of it.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

#include "base/dcm_elevation.h"
#include "base/xem_elevation.h"
#include "hostsim/drive_root.h"
#include "hostsim/host.h"
#include "lem/lem_map.h"
#include "platform/mapped_view.h"
#include "platform/message_box.h"
#include "platform/path_root.h"
#include "tests/lem/lem_fixtures.h"
#include "tests/support/result_printer.h"

namespace {

// The guidebook set identifier that the host fills.
uint8_t g_setId[kGuidebookSetIdSize];

using lemtest::BlockIdFor;
using lemtest::DataLine;
using lemtest::HeaderFields;

constexpr int kSide = 320;
constexpr int kCells = kSide * kSide;
constexpr int16_t kSentinel = 0x7777;
constexpr int64_t kOrigin = 320 * 128;  // LEM grid's first whole-map row and column at margin 256

struct Block {
    std::array<int16_t, kCells> v;
    explicit Block(int16_t fill = kSentinel) { v.fill(fill); }
    int16_t& At(int d, int k) { return v[static_cast<size_t>(d) * kSide + k]; }
};

class LemBlocks : public ::testing::Test {
protected:
    void SetUp() override { (void)lemtest::TakeMessageBoxes(); }

    // A hand-made flat pair at C:\F\S.LEM / S.CSV.
    void WritePair(const HeaderFields& header, const std::string& data) {
        root_.Write("C:\\F\\S.CSV", lemtest::HeaderText(header));
        root_.Write("C:\\F\\S.LEM", data);
    }
    void OpenAndIndex(const char* path = "C:\\F\\S.LEM") {
        ASSERT_EQ((map_.Open(path)).status, platform::Status::kOk);
        ASSERT_EQ((map_.GetHeader()).status, platform::Status::kOk);
    }

    hostsim::DriveRoot root_;
    CLemMap map_;
};

TEST_F(LemBlocks, RowOffsetsForEachLineEnd) {
    // Three columns: n = 25 bytes of prefix and values a line.
    const std::string line = DataLine({"    1", "    2", "    3"});
    ASSERT_EQ(line.size(), 25u);
    struct Case {
        const char* name;
        std::string eol;
        bool finalEnd;
        int64_t step;
    } const cases[] = {
        {"LF", "\n", true, 26},
        {"CR LF", "\r\n", true, 27},
        {"CR LF, no final line end", "\r\n", false, 27},
        {"LF, no final line end", "\n", false, 26},
        {"lone CR", "\r", true, 26},
        {"lone CR, no final line end", "\r", false, 26},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HeaderFields header;
        header.flags = {"1", "1", "1"};
        header.rows = "3";
        std::string data = line + c.eol + line + c.eol + line + (c.finalEnd ? c.eol : "");
        WritePair(header, data);
        OpenAndIndex();
        EXPECT_EQ(map_.RowTable, (std::vector<int64_t>{0, c.step, 2 * c.step}));
        EXPECT_EQ(map_.LineBuffer.size(), 3u * 5 + 13);
    }
}

// Each row of a lone-CR file is read from its own line: a drift of one byte a row would shift
// the middle row's fields by one character.
TEST_F(LemBlocks, LoneCrRowsReadTheirOwnFields) {
    HeaderFields header;
    header.rows = "3";
    header.flags = {"1", "1", "1"};
    WritePair(header, DataLine({"44444", "44444", "44444"}) + "\r" + DataLine({"55555", "55555", "55555"}) + "\r" +
                          DataLine({"66666", "66666", "66666"}) + "\r");
    OpenAndIndex();
    Block block;
    ASSERT_EQ(map_.ReadBlock(BlockIdFor(kOrigin, kOrigin), block.v.data()), 1);
    // Block row 0 is the southernmost LEM row (2), row 2 the northernmost (0).
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(block.At(0, k), 6667) << k;
        EXPECT_EQ(block.At(1, k), 5556) << k;
        EXPECT_EQ(block.At(2, k), 4444) << k;
    }
}

TEST_F(LemBlocks, AbsentAndMissingRowsInTheIndex) {
    const std::string line = DataLine({"    1", "    2", "    3"});
    HeaderFields header;
    header.rows = "6";
    header.flags = {"0", "1", "0", "1", "1", "1"};
    // Only two lines for four present rows: the last two rows have no line and are absent.
    WritePair(header, line + "\r\n" + line + "\r\n");
    OpenAndIndex();
    EXPECT_EQ(map_.RowTable, (std::vector<int64_t>{-1, 0, -1, 27, -1, -1}));

    // More lines than present rows: the scan stops at the last present row.
    WritePair(header, line + "\n" + line + "\n" + line + "\n" + line + "\n" + line + "\n");
    OpenAndIndex();
    EXPECT_EQ(map_.RowTable, (std::vector<int64_t>{-1, 0, -1, 26, 52, 78}));

    // An empty data file: every row absent, still a success.
    WritePair(header, "");
    OpenAndIndex();
    EXPECT_EQ(map_.RowTable, (std::vector<int64_t>(6, -1)));
}

TEST_F(LemBlocks, OffsetsCountWellFormedLines) {
    // The offset counts n bytes of values plus the line end that was read, whatever the line
    // held: a short line is counted as if it were whole, and a long line's rest becomes the
    // next line.
    HeaderFields header;
    header.rows = "4";
    header.flags = {"1", "1", "1", "1"};
    const std::string full = DataLine({"    1", "    2", "    3"});  // 25
    WritePair(header, "short\n" + full + "\r\n" + full + "EXTRA\n" + full);
    OpenAndIndex();
    // "short\n": 25; full CR LF: 25 + 2; full + "EX" read as 27 bytes without LF: 25 + 2;
    // "TRA\n": 25.
    EXPECT_EQ(map_.RowTable, (std::vector<int64_t>{0, 25, 52, 79}));

    // A CR LF whose CR is the last byte a line can take: the CR stays in the line, the LF is
    // the next line (25 + 2, then "\n": 25).
    WritePair(header, full + "E\r\n" + full + "\r\n" + full);
    OpenAndIndex();
    EXPECT_EQ(map_.RowTable, (std::vector<int64_t>{0, 27, 52, 79}));
    // A short line ended by a lone CR ends there, as a short line ended by LF does.
    WritePair(header, "short\r" + full + "\r" + full + "\r" + full);
    OpenAndIndex();
    EXPECT_EQ(map_.RowTable, (std::vector<int64_t>{0, 25, 51, 77}));
}

TEST_F(LemBlocks, GetHeaderFailures) {
    HeaderFields header;
    WritePair(header, DataLine({"    1", "    2", "    3"}));

    CLemMap notLocated;
    EXPECT_EQ(notLocated.GetHeader().status, platform::Status::kNotThisFormat);

    // The data file gone after Open: an I/O error that names it. The reader shows nothing;
    // the map-type handler turns it into the file message (tests/plugin/map_proc_test.cpp).
    ASSERT_EQ((map_.Open("C:\\F\\S.LEM")).status, platform::Status::kOk);
    root_.Remove("C:\\F\\S.LEM");
    const platform::Result gone = map_.GetHeader();
    EXPECT_EQ(gone.status, platform::Status::kIoError);
    ASSERT_NE(gone.subject, nullptr);
    EXPECT_STREQ(gone.subject, "C:\\F\\S.LEM");
    EXPECT_TRUE(lemtest::TakeMessageBoxes().empty());

    // A header refused after Open.
    header.cols = "0";
    WritePair(header, "x");
    EXPECT_EQ((map_.Open("C:\\F\\S.LEM")).status, platform::Status::kOk);
    EXPECT_EQ(map_.GetHeader().status, platform::Status::kDamaged);
    EXPECT_TRUE(lemtest::TakeMessageBoxes().empty());
}

// A generated sheet in the folder layout; the block wholly inside it is compared cell by cell
// with the generator's values, which catches any flip of rows or columns.
TEST_F(LemBlocks, BlockInsideTheSheetMatchesTheTrueValues) {
    // Rows are read in runs that the 1 MiB span buffer cuts: two runs with 700 columns (3.5 KB
    // lines), six with 3,500; with 7,000 columns the lines lie too far apart and each row is
    // read on its own.
    struct Case {
        int cols;
        int rows;
        bool crlf;
    };
    for (const Case c : {Case{700, 500, true}, Case{700, 500, false}, Case{3500, 400, true}, Case{7000, 400, false}}) {
        const bool crlf = c.crlf;
        SCOPED_TRACE(std::to_string(c.cols) + (crlf ? " columns, CR LF" : " columns, LF"));
        gen::LemSheetOptions options;
        options.cols = c.cols;
        options.rows = c.rows;
        options.crlf = crlf;
        options.finalLineEnd = crlf;
        options.absentRows = {100, 101, 250};
        options.name = "VOLC";
        const gen::LemSheet sheet = lemtest::WriteSheet(options, "D:\\SHEETS");
        OpenAndIndex("D:\\SHEETS\\LEM\\VOLC.LEM");
        ASSERT_EQ(map_.Cols, c.cols);
        ASSERT_EQ(map_.Rows, c.rows);

        // With 700 x 500: c0 = 360, top = 499 - 160 = 339: LEM rows 20 .. 339, columns
        // 360 .. 679. Part of the lake (centre row 350, column 455), part of the -1111 corner
        // (north-east) and the absent rows lie in it.
        const int64_t c0 = 360, firstRow = 160;
        Block block;
        ASSERT_EQ(map_.ReadBlock(BlockIdFor(kOrigin + c0, kOrigin + firstRow), block.v.data()), 1);
        const int top = c.rows - 1 - static_cast<int>(firstRow);
        int placed = 0, kept = 0;
        for (int d = 0; d < kSide; ++d) {
            for (int k = 0; k < kSide; ++k) {
                const int row = top - d, col = static_cast<int>(c0) + k;
                int16_t expected = kSentinel;
                if (row >= 0 && sheet.present[static_cast<size_t>(row)]) {
                    int16_t metres;
                    if (gen::LemSheet::Metres(sheet.At(row, col), &metres)) expected = metres;
                }
                ASSERT_EQ(block.At(d, k), expected) << "block row " << d << " column " << k;
                (expected == kSentinel ? kept : placed)++;
            }
        }
        // The fixture really holds both kinds of cell.
        EXPECT_GT(kept, 3 * kSide);
        EXPECT_GT(placed, kCells / 2);
    }
}

// Cols 2000, Rows 1500 at margin 256: the placements of the three identifiers.
TEST_F(LemBlocks, PlacementAtMargin256) {
    gen::LemSheetOptions options;
    options.cols = 2000;
    options.rows = 1500;
    options.layout = gen::Layout::Flat;
    options.lake = false;
    options.outsideSurvey = false;
    options.name = "P";
    const gen::LemSheet sheet = lemtest::WriteSheet(options, "C:\\P");
    OpenAndIndex("C:\\P\\P.LEM");
    auto metres = [&](int row, int col) {
        int16_t m = 0;
        EXPECT_TRUE(gen::LemSheet::Metres(sheet.At(row, col), &m));
        return m;
    };

    Block a;
    ASSERT_EQ(map_.ReadBlock(101282900, a.v.data()), 1);
    for (int d = 0; d < kSide; ++d) {
        for (int k = 0; k < kSide; ++k) ASSERT_EQ(a.At(d, k), metres(1499 - d, k)) << d << "," << k;
    }

    Block b;
    ASSERT_EQ(map_.ReadBlock(101282800, b.v.data()), 1);
    EXPECT_TRUE(std::all_of(b.v.begin(), b.v.end(), [](int16_t x) { return x == kSentinel; }));

    Block c;
    ASSERT_EQ(map_.ReadBlock(101283500, c.v.data()), 1);
    for (int d = 0; d < kSide; ++d) {
        for (int k = 0; k < kSide; ++k) {
            ASSERT_EQ(c.At(d, k), k < 80 ? metres(1499 - d, 1920 + k) : kSentinel) << d << "," << k;
        }
    }

    // A block whose rows straddle the northern edge: only rows inside the sheet change.
    const int64_t yb = kOrigin + 1500 - 100;  // block rows 0..99 are LEM rows 99..0
    Block n;
    ASSERT_EQ(map_.ReadBlock(BlockIdFor(kOrigin, yb), n.v.data()), 1);
    for (int d = 0; d < kSide; ++d) {
        ASSERT_EQ(n.At(d, 5), d < 100 ? metres(99 - d, 5) : kSentinel) << d;
    }

    // c0 < 0 but overlapping the grid (a fine column digit): no LEM value at all.
    Block w;
    ASSERT_EQ(map_.ReadBlock(BlockIdFor(kOrigin - 40, kOrigin), w.v.data()), 1);
    EXPECT_TRUE(std::all_of(w.v.begin(), w.v.end(), [](int16_t x) { return x == kSentinel; }));
}

TEST_F(LemBlocks, FieldConversionAndRounding) {
    struct Field {
        const char* text;
        int16_t expected;  // kSentinel: the base value stays
    } const fields[] = {
        {"12345", 1235},  {"12344", 1234}, {"  -14", 0},   {"  -15", -1},        {"  -25", -2},
        {"  -26", -2},    {"    0", 0},    {"     ", 0},   {"-9999", kSentinel}, {"-1111", kSentinel},
        {"+0042", 4},     {" 12 3", 1},    {"\t  95", 10}, {"ab123", 0},         {"-1110", -110},
        {"99999", 10000}, {"    4", 0},    {"   -4", 0},   {"    5", 1},         {" -999", -99},
    };
    std::vector<std::string> texts;
    for (const auto& f : fields) texts.emplace_back(f.text, 5);
    HeaderFields header;
    header.cols = std::to_string(texts.size());
    header.rows = "1";
    header.flags = {"1"};
    WritePair(header, DataLine(texts) + "\r\n");
    OpenAndIndex();
    Block block;
    ASSERT_EQ(map_.ReadBlock(BlockIdFor(kOrigin, kOrigin), block.v.data()), 1);
    for (size_t k = 0; k < std::size(fields); ++k) {
        SCOPED_TRACE(fields[k].text);
        EXPECT_EQ(block.At(0, static_cast<int>(k)), fields[k].expected);
    }
    for (int k = static_cast<int>(std::size(fields)); k < kSide; ++k) ASSERT_EQ(block.At(0, k), kSentinel);
    for (int d = 1; d < kSide; ++d) ASSERT_EQ(block.At(d, 0), kSentinel);
}

TEST_F(LemBlocks, MarginBlocksAreLeftAsPassed) {
    gen::LemSheetOptions options;
    options.cols = 40;
    options.rows = 30;
    options.layout = gen::Layout::DataOldHeader;
    options.name = "M";
    (void)lemtest::WriteSheet(options, "C:\\M");
    OpenAndIndex("C:\\M\\DATA\\M.LEM");
    for (int32_t id : {BlockIdFor(0, 0), BlockIdFor(kOrigin + 320, kOrigin), BlockIdFor(kOrigin, kOrigin + 320),
                       BlockIdFor(kOrigin - 320, kOrigin - 320), BlockIdFor(kOrigin, kOrigin - 320)}) {
        SCOPED_TRACE(id);
        Block block;
        for (int i = 0; i < kCells; ++i) block.v[static_cast<size_t>(i)] = static_cast<int16_t>(i * 7);
        const Block before = block;
        ASSERT_EQ(map_.ReadBlock(id, block.v.data()), 1);
        EXPECT_EQ(block.v, before.v);
    }
}

TEST_F(LemBlocks, CurrentMarginMovesTheGrid) {
    EXPECT_EQ(map_.Margin, 256);
    HeaderFields header;
    header.cols = "1";
    header.rows = "1";
    header.flags = {"1"};
    WritePair(header, DataLine({"  123"}));
    OpenAndIndex();
    struct Case {
        int32_t margin;
        int64_t origin;
    } const cases[] = {{0, 0}, {1, 0}, {3, 320}, {4, 640}, {256, kOrigin}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.margin);
        map_.Margin = c.margin;
        Block block;
        ASSERT_EQ(map_.ReadBlock(BlockIdFor(c.origin, c.origin), block.v.data()), 1);
        EXPECT_EQ(block.At(0, 0), 12);
        EXPECT_EQ(block.At(0, 1), kSentinel);
    }
    // Margins whose placement would overflow 32 bits place nothing and read nothing odd.
    for (int32_t margin : {INT32_MAX, INT32_MIN, -256}) {
        map_.Margin = margin;
        Block block;
        ASSERT_EQ(map_.ReadBlock(100, block.v.data()), 1);
        EXPECT_EQ(block.At(0, 0), kSentinel);
    }
}

TEST_F(LemBlocks, ShortDataFile) {
    // The last line ends inside its third field: fields delivered whole are placed, the rest
    // keep the base value; a row beyond the end of the file is absent.
    HeaderFields header;
    header.cols = "4";
    header.rows = "3";
    header.flags = {"1", "1", "1"};
    const std::string first = DataLine({"   10", "   20", "   30", "   40"});
    const std::string second = DataLine({"   50", "   60", "   70", "   80"}).substr(0, 10 + 5 * 2 + 3);
    WritePair(header, first + "\n" + second);
    OpenAndIndex();
    EXPECT_EQ(map_.RowTable, (std::vector<int64_t>{0, 31, -1}));
    Block block;
    ASSERT_EQ(map_.ReadBlock(BlockIdFor(kOrigin, kOrigin), block.v.data()), 1);
    // Block row 2 is LEM row 0, the northernmost.
    EXPECT_EQ(std::vector<int16_t>(&block.At(2, 0), &block.At(2, 0) + 5),
              (std::vector<int16_t>{1, 2, 3, 4, kSentinel}));
    EXPECT_EQ(std::vector<int16_t>(&block.At(1, 0), &block.At(1, 0) + 5),
              (std::vector<int16_t>{5, 6, kSentinel, kSentinel, kSentinel}));
    EXPECT_EQ(block.At(0, 0), kSentinel);
}

TEST_F(LemBlocks, NotLocatedVanishedOrNotIndexed) {
    Block block;
    CLemMap empty;
    EXPECT_EQ(empty.ReadBlock(101282900, block.v.data()), 0);
    EXPECT_TRUE(std::all_of(block.v.begin(), block.v.end(), [](int16_t x) { return x == 0; }));

    HeaderFields header;
    WritePair(header, DataLine({"   10", "   20", "   30"}) + "\n" + DataLine({"   10", "   20", "   30"}));
    // Located but not indexed: the row table holds no offsets yet, so nothing is placed.
    ASSERT_EQ((map_.Open("C:\\F\\S.LEM")).status, platform::Status::kOk);
    Block located;
    EXPECT_EQ(map_.ReadBlock(BlockIdFor(kOrigin, kOrigin), located.v.data()), 1);
    EXPECT_EQ(located.At(0, 0), kSentinel);

    ASSERT_EQ((map_.GetHeader()).status, platform::Status::kOk);
    Block ok;
    EXPECT_EQ(map_.ReadBlock(BlockIdFor(kOrigin, kOrigin), ok.v.data()), 1);
    EXPECT_EQ(ok.At(0, 0), 1);

    // The data file vanished after open: result 0, block all zero, no message.
    root_.Remove("C:\\F\\S.LEM");
    Block gone;
    EXPECT_EQ(map_.ReadBlock(BlockIdFor(kOrigin, kOrigin), gone.v.data()), 0);
    EXPECT_TRUE(std::all_of(gone.v.begin(), gone.v.end(), [](int16_t x) { return x == 0; }));
    EXPECT_TRUE(lemtest::TakeMessageBoxes().empty());
}

TEST_F(LemBlocks, OffsetsBeyondTheFileReadNothing) {
    // Whatever the table holds, reads stay inside the line buffer and the block.
    HeaderFields header;
    header.cols = "3";
    header.rows = "2";
    WritePair(header, DataLine({"   10", "   20", "   30"}) + "\n" + DataLine({"   40", "   50", "   60"}));
    OpenAndIndex();
    map_.RowTable = {int64_t{1} << 40, -5};
    Block block;
    EXPECT_EQ(map_.ReadBlock(BlockIdFor(kOrigin, kOrigin), block.v.data()), 1);
    EXPECT_TRUE(std::all_of(block.v.begin(), block.v.end(), [](int16_t x) { return x == kSentinel; }));
    // A table shorter than Rows: rows beyond it are absent.
    map_.RowTable = {0};
    map_.RecordCount = 1;
    EXPECT_EQ(map_.ReadBlock(BlockIdFor(kOrigin, kOrigin), block.v.data()), 1);
    EXPECT_EQ(block.At(1, 0), 1);
    EXPECT_EQ(block.At(0, 0), kSentinel);
}

// Blocks asked for again come from the map's block cache; whatever changed on disk is read
// afresh.
TEST_F(LemBlocks, RepeatedBlockKeepsTheHostsCellsWhereTheSheetHasNone) {
    // Three columns, two rows, one no-data field: a block asked again must write exactly the
    // cells it wrote the first time and leave the rest of the host's new buffer alone.
    HeaderFields header;
    WritePair(header, DataLine({"   10", "-9999", "   30"}) + "\n" + DataLine({"   40", "   50", "-1111"}) + "\n");
    OpenAndIndex();
    const int32_t id = BlockIdFor(kOrigin, kOrigin);
    Block first(111);
    ASSERT_EQ(map_.ReadBlock(id, first.v.data()), 1);
    for (const int16_t fill : {int16_t{222}, int16_t{-5}}) {
        SCOPED_TRACE(fill);
        Block again(fill);
        ASSERT_EQ(map_.ReadBlock(id, again.v.data()), 1);
        // Block row 1 is LEM row 0.
        EXPECT_EQ(std::vector<int16_t>(&again.At(1, 0), &again.At(1, 0) + 4), (std::vector<int16_t>{1, fill, 3, fill}));
        EXPECT_EQ(std::vector<int16_t>(&again.At(0, 0), &again.At(0, 0) + 4), (std::vector<int16_t>{4, 5, fill, fill}));
        for (int d = 2; d < kSide; ++d) ASSERT_EQ(again.At(d, 0), fill) << d;
        EXPECT_EQ(again.At(0, 319), fill);
    }
}

TEST_F(LemBlocks, DataFileChangedOnDiskIsReadAfresh) {
    HeaderFields header;
    header.rows = "1";
    header.flags = {"1"};
    const std::string before = DataLine({"   10", "   20", "   30"}) + "\n";
    const std::string path = platform::ToPosixPath("C:\\F\\S.LEM");
    struct Case {
        const char* what;
        std::string data;
        bool rename;       // written beside the file and renamed over it
        bool backdate;     // the write time set back to the old file's
        int16_t expected;  // block row 0, column 0
    } const cases[] = {
        {"same size, later write time", DataLine({"   70", "   20", "   30"}) + "\n", false, false, 7},
        {"longer, same write time", DataLine({"   80", "   20", "   30"}) + "\r\n", false, true, 8},
        {"renamed over it, same size and write time", DataLine({"   90", "   20", "   30"}) + "\n", true, true, 9},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WritePair(header, before);
        OpenAndIndex();
        const int32_t id = BlockIdFor(kOrigin, kOrigin);
        Block block;
        ASSERT_EQ(map_.ReadBlock(id, block.v.data()), 1);
        ASSERT_EQ(block.At(0, 0), 1);
        ASSERT_EQ(map_.ReadBlock(id, block.v.data()), 1);  // now held in the cache
        const auto oldTime = std::filesystem::last_write_time(path);
        if (c.rename) {
            root_.Write("C:\\F\\S.NEW", c.data);
            std::filesystem::last_write_time(platform::ToPosixPath("C:\\F\\S.NEW"), oldTime);
            std::filesystem::rename(platform::ToPosixPath("C:\\F\\S.NEW"), path);
        } else {
            root_.Write("C:\\F\\S.LEM", c.data);
            std::filesystem::last_write_time(path, c.backdate ? oldTime : oldTime + std::chrono::seconds(2));
        }
        Block fresh;
        ASSERT_EQ(map_.ReadBlock(id, fresh.v.data()), 1);
        EXPECT_EQ(fresh.At(0, 0), c.expected);
        EXPECT_EQ(fresh.At(0, 1), 2);
    }
    // Deleted: zeros and 0, however often it was read before.
    root_.Remove("C:\\F\\S.LEM");
    Block gone;
    EXPECT_EQ(map_.ReadBlock(BlockIdFor(kOrigin, kOrigin), gone.v.data()), 0);
    EXPECT_TRUE(std::all_of(gone.v.begin(), gone.v.end(), [](int16_t x) { return x == 0; }));
}

// A DCM file with one tile of constant value covering the map's south-west corner.
std::string ConstantDcm(int16_t value, int32_t latSeconds, int32_t lonSeconds, int32_t cellsPerDeg) {
    std::string bytes(CDcmElevation::kHeaderSize, '\0');
    auto put32 = [&](size_t at, int32_t v) {
        for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>((static_cast<uint32_t>(v) >> (8 * i)) & 0xFF);
    };
    std::memcpy(bytes.data(), "\x42\x45\x56\x4D", 4);  // BEVM
    put32(CDcmElevation::kCountOffset, 1);
    put32(CDcmElevation::kIndexOffsetOffset, CDcmElevation::kHeaderSize);
    put32(CDcmElevation::kLatSecondsOffset, latSeconds);
    put32(CDcmElevation::kLonSecondsOffset, lonSeconds);
    put32(CDcmElevation::kCellsLonOffset, cellsPerDeg);
    put32(CDcmElevation::kCellsLatOffset, cellsPerDeg);
    std::string entry(16, '\0');
    bytes += entry;
    put32(CDcmElevation::kHeaderSize, 100);
    put32(CDcmElevation::kHeaderSize + 4, CDcmElevation::kHeaderSize + 16);
    for (int i = 0; i < kCells; ++i) {
        bytes += static_cast<char>(value & 0xFF);
        bytes += static_cast<char>((value >> 8) & 0xFF);
    }
    return bytes;
}

// 6 x 6 sheet at margin 0: block 100 holds it in its south-west corner. Rows 0 and 5 and
// columns 0 and 5 are the outer ring, rows/columns 1 and 4 the inner ring; LEM row 2,
// column 3 holds no data.
class LemBaseLayer : public LemBlocks {
protected:
    void SetUp() override {
        LemBlocks::SetUp();
        HeaderFields header;
        header.cols = "6";
        header.rows = "6";
        header.flags = std::vector<std::string>(6, "1");
        std::string data;
        for (int r = 0; r < 6; ++r) {
            std::vector<std::string> f;
            for (int c = 0; c < 6; ++c) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "%5d", (r == 2 && c == 3) ? -9999 : 10000 + 1000 * r + 10 * c);
                f.emplace_back(buf);
            }
            data += DataLine(f) + "\r\n";
        }
        WritePair(header, data);
        OpenAndIndex();
        map_.Margin = 0;
        map_.CellsPerDegLat = map_.CellsPerDegLon = 18000;
        map_.SourceOrigin = {35.0 + 10.0 / 1800, 138.0 + 10.0 / 1800};
    }
    static int16_t LemMetres(int r, int c) { return static_cast<int16_t>((10000 + 1000 * r + 10 * c + 5) / 10); }

    // Every cell of the block's south-west corner against the base values it was filled with.
    static void ExpectBlended(Block& base, Block& blended) {
        for (int d = 0; d < 8; ++d) {
            for (int k = 0; k < 8; ++k) {
                SCOPED_TRACE(::testing::Message() << "d " << d << " k " << k);
                const int r = 5 - d, c = k;  // LEM row and column
                const int b = base.At(d, k);
                ASSERT_NE(b, 0);
                int expected = b;
                if (r >= 0 && c < 6 && !(r == 2 && c == 3)) {
                    const int m = LemMetres(r, c);
                    const bool outer = r == 0 || r == 5 || c == 0 || c == 5;
                    const bool inner = !outer && (r == 1 || r == 4 || c == 1 || c == 4);
                    expected = outer ? (2 * b) / 3 + m / 3 : inner ? b / 3 + (2 * m) / 3 : m;
                }
                EXPECT_EQ(blended.At(d, k), expected);
            }
        }
        EXPECT_EQ(blended.At(3, 2), LemMetres(2, 2));  // inside the rings: the LEM value itself
        EXPECT_EQ(blended.At(100, 100), base.At(100, 100));
    }
};

TEST_F(LemBaseLayer, DcmFilledBlockBlendsOnTheRings) {
    root_.Write("C:\\DCM\\BASE.DCM", ConstantDcm(90, 35 * 3600, 138 * 3600, 1800));
    map_.Source = std::make_unique<CDcmElevation>();
    auto* dcm = map_.SourceAs<CDcmElevation>();
    ASSERT_EQ((dcm->Open("C:\\DCM\\BASE.DCM")).status, platform::Status::kOk);
    Block base(0);
    ASSERT_EQ(dcm->FillBlock(100, base.v.data(), map_.SourceOrigin.lat, map_.SourceOrigin.lon, 18000, 18000), 1);
    Block blended;
    ASSERT_EQ(map_.ReadBlock(100, blended.v.data()), 1);
    ExpectBlended(base, blended);

    // A source that could not fill (its file gone): the block is zeroed and m stored plainly.
    root_.Remove("C:\\DCM\\BASE.DCM");
    Block plain(kSentinel);
    ASSERT_EQ(map_.ReadBlock(100, plain.v.data()), 1);
    EXPECT_EQ(plain.At(0, 0), LemMetres(5, 0));
    EXPECT_EQ(plain.At(4, 1), LemMetres(1, 1));
    EXPECT_EQ(plain.At(3, 3), 0);  // the no-data cell keeps the zeroed base
    EXPECT_EQ(plain.At(0, 6), 0);

    // No source: m stored on the rings too, the rest left as passed.
    map_.Source.reset();
    Block none(kSentinel);
    ASSERT_EQ(map_.ReadBlock(100, none.v.data()), 1);
    EXPECT_EQ(none.At(0, 0), LemMetres(5, 0));
    EXPECT_EQ(none.At(3, 3), kSentinel);
    EXPECT_EQ(none.At(0, 6), kSentinel);
}

TEST_F(LemBaseLayer, ReplacedDcmFileAndChangedCompositeAreReadAfresh) {
    root_.Write("C:\\DCM\\BASE.DCM", ConstantDcm(90, 35 * 3600, 138 * 3600, 1800));
    map_.Source = std::make_unique<CDcmElevation>();
    auto* dcm = map_.SourceAs<CDcmElevation>();
    ASSERT_EQ((dcm->Open("C:\\DCM\\BASE.DCM")).status, platform::Status::kOk);
    Block first;
    ASSERT_EQ(map_.ReadBlock(100, first.v.data()), 1);
    ASSERT_EQ(first.At(100, 100), 90);
    Block again;
    ASSERT_EQ(map_.ReadBlock(100, again.v.data()), 1);
    EXPECT_EQ(again.v, first.v);

    // The same size with a later write time: new tiles under the sheet.
    const std::string dcmPath = platform::ToPosixPath("C:\\DCM\\BASE.DCM");
    const auto oldTime = std::filesystem::last_write_time(dcmPath);
    root_.Write("C:\\DCM\\BASE.DCM", ConstantDcm(50, 35 * 3600, 138 * 3600, 1800));
    std::filesystem::last_write_time(dcmPath, oldTime + std::chrono::seconds(2));
    Block replaced;
    ASSERT_EQ(map_.ReadBlock(100, replaced.v.data()), 1);
    EXPECT_EQ(replaced.At(100, 100), 50);

    // The map's placement against the source moved (a new composite at map open sets it).
    map_.SourceOrigin.lat += 1.0;
    Block moved;
    ASSERT_EQ(map_.ReadBlock(100, moved.v.data()), 1);
    EXPECT_EQ(moved.At(100, 100), 0);
}

// A source that stays attached after its open failed: the DCM file zeroes every cell, the
// guidebook set leaves the cells the sheet does not cover as the host passed them. A block
// served again from the cache must say the same.
TEST_F(LemBaseLayer, SourceThatCannotFillGivesTheSameBlockFromTheCache) {
    root_.Write("C:\\DCM\\BASE.DCM", std::string("\x42\x45\x56\x4D\x01\x00", 6));  // BEVM, non-zero word
    for (const bool dcm : {true, false}) {
        SCOPED_TRACE(dcm ? "DCM file refused at open" : "guidebook set never opened");
        if (dcm) {
            map_.Source = std::make_unique<CDcmElevation>();
            ASSERT_EQ(map_.SourceAs<CDcmElevation>()->Open("C:\\DCM\\BASE.DCM").status,
                      platform::Status::kNotThisFormat);
        } else {
            map_.Source = std::make_unique<CXemElevation>();
        }
        // The second request comes from the cache, with other values passed in.
        for (const int16_t passed : {kSentinel, int16_t{0x1234}}) {
            Block block(passed);
            ASSERT_EQ(map_.ReadBlock(100, block.v.data()), 1);
            const int16_t base = dcm ? int16_t{0} : passed;
            EXPECT_EQ(block.At(0, 0), LemMetres(5, 0)) << passed;
            EXPECT_EQ(block.At(3, 3), base) << passed;  // the no-data cell
            EXPECT_EQ(block.At(100, 100), base) << passed;
        }
    }
}

TEST_F(LemBaseLayer, GuidebookSetFillsWhenNoDcmIsAttached) {
    hostsim::Reset();
    hostsim::Get().Guidebook().SetSource(hostsim::MakeSetInfo(35.0, 138.0, 1800, 1800, hostsim::kDatumTokyo),
                                         [](int32_t, int16_t* out) {
                                             std::fill(out, out + kCells, int16_t{70});
                                             return true;
                                         });
    MakeGuidebookSetId(g_setId, 1);
    map_.Source = std::make_unique<CXemElevation>();
    auto* xem = map_.SourceAs<CXemElevation>();
    ASSERT_EQ((xem->Open(g_setId, "GUIDEDEM")).status, platform::Status::kOk);
    Block base(0);
    ASSERT_EQ(xem->FillBlock(100, base.v.data(), map_.SourceOrigin.lat, map_.SourceOrigin.lon, 18000, 18000), 1);
    Block blended;
    ASSERT_EQ(map_.ReadBlock(100, blended.v.data()), 1);
    ExpectBlended(base, blended);

    // A DCM source attached in its place is the one asked: here it has no file and zeroes the block.
    map_.Source = std::make_unique<CDcmElevation>();
    Block dcmFirst(kSentinel);
    ASSERT_EQ(map_.ReadBlock(100, dcmFirst.v.data()), 1);
    EXPECT_EQ(dcmFirst.At(100, 100), 0);
    EXPECT_EQ(dcmFirst.At(0, 0), LemMetres(5, 0));
    hostsim::Reset();
}

TEST_F(LemBlocks, GetHeaderDropsTheAttachedSource) {
    HeaderFields header;
    WritePair(header, DataLine({"    1", "    2", "    3"}) + "\n" + DataLine({"    1", "    2", "    3"}));
    OpenAndIndex();
    map_.Source = std::make_unique<CDcmElevation>();
    ASSERT_EQ((map_.GetHeader()).status, platform::Status::kOk);
    EXPECT_EQ(map_.Source, nullptr);
    EXPECT_EQ(map_.CloseDataset(), 1);
    EXPECT_EQ(map_.Opened, 0);
    EXPECT_TRUE(map_.RowTable.empty());
    EXPECT_TRUE(map_.LineBuffer.empty());
}

}  // namespace

// Rows are taken from a mapped window of the data file; where mapping is refused they are read.
// Both ways must give the same blocks.
class LemMappedRows : public LemBlocks {
protected:
    void TearDown() override {
        platform::SetMappingAllowed(true);
        LemBlocks::TearDown();
    }

    // The block read once with mapping and once without, from a fresh map each time (so that
    // neither comes from the block cache).
    void ExpectSameBothWays(const char* path, int32_t id, const std::function<void(CLemMap&)>& prepare = {}) {
        Block ways[2];
        for (const bool mapped : {true, false}) {
            platform::SetMappingAllowed(mapped);
            CLemMap map;
            ASSERT_EQ(map.Open(path).status, platform::Status::kOk);
            ASSERT_EQ(map.GetHeader().status, platform::Status::kOk);
            if (prepare) prepare(map);
            EXPECT_EQ(map.ReadBlock(id, ways[mapped ? 0 : 1].v.data()), 1);
        }
        platform::SetMappingAllowed(true);
        EXPECT_EQ(ways[0].v, ways[1].v) << "block " << id;
    }
};

TEST_F(LemMappedRows, EveryBlockOfASheetIsTheSameReadOrMapped) {
    struct Case {
        const char* what;
        int cols;
        int rows;
        bool crlf;
        bool finalLineEnd;
    } const cases[] = {
        {"CR LF", 700, 500, true, true},
        {"LF, no line end after the last row", 700, 500, false, false},
        {"wide lines", 3500, 330, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        gen::LemSheetOptions options;
        options.cols = c.cols;
        options.rows = c.rows;
        options.crlf = c.crlf;
        options.finalLineEnd = c.finalLineEnd;
        options.absentRows = {0, 100, 101, c.rows - 2};
        options.name = "VOLC";
        (void)lemtest::WriteSheet(options, "D:\\SHEETS");
        // Every block that holds part of the sheet, at steps of 40 cells across its edges.
        for (int64_t x = -320; x < c.cols; x += 280) {
            for (int64_t y = -280; y < c.rows; y += 200) {
                ExpectSameBothWays("D:\\SHEETS\\LEM\\VOLC.LEM", BlockIdFor(kOrigin + x, kOrigin + y));
            }
        }
    }
}

// Three columns, LF and CR LF lines, the last without a line end, the file exactly two pages:
// the look-ahead of the conversion after the last field lies beyond the file and its view.
TEST_F(LemMappedRows, LastFieldAtTheEndOfAPage) {
    HeaderFields header;
    header.rows = "315";
    header.flags.assign(315, "1");
    std::string data;
    for (int r = 0; r < 315; ++r) {
        char field[8];
        std::snprintf(field, sizeof field, "%5d", 10 * r);
        data += DataLine({field, "  -15", field});
        if (r < 311)
            data += "\n";
        else if (r < 314)
            data += "\r\n";
    }
    ASSERT_EQ(data.size(), 8192u);
    WritePair(header, data);
    ExpectSameBothWays("C:\\F\\S.LEM", BlockIdFor(kOrigin, kOrigin));
    OpenAndIndex();
    Block block;
    ASSERT_EQ(map_.ReadBlock(BlockIdFor(kOrigin, kOrigin), block.v.data()), 1);
    // Block row 0 is the last LEM row, 314.
    EXPECT_EQ(std::vector<int16_t>(&block.At(0, 0), &block.At(0, 0) + 4),
              (std::vector<int16_t>{314, -1, 314, kSentinel}));
    EXPECT_EQ(block.At(314, 2), 0);
}

// Rows far apart in a file larger than one mapped window: the window moves within one block
// and back again, and a row at the end of the file converts its last field.
TEST_F(LemMappedRows, RowsFarApartInALargeFile) {
    const int64_t mib = int64_t{1} << 20;
    const std::string lines[] = {DataLine({"   10", "   20", "   30"}), DataLine({"   40", "  -50", "   60"}),
                                 DataLine({"   70", "   80", "-9999"}), DataLine({"  110", "  120", "  130"})};
    const int64_t offsets[] = {0, 200 * mib - 7, 3 * mib + 1, 0};
    const int64_t size = 200 * mib + 300;
    const int64_t last = size - static_cast<int64_t>(lines[3].size());
    HeaderFields header;
    header.rows = "4";
    header.flags = {"1", "1", "1", "1"};
    WritePair(header, lines[0] + "\n");
    {
        const std::string path = platform::ToPosixPath("C:\\F\\S.LEM");
        std::filesystem::resize_file(path, static_cast<uintmax_t>(size));  // sparse: costs no disk
        std::fstream out(path, std::ios::binary | std::ios::in | std::ios::out);
        for (int i = 1; i < 3; ++i) {
            out.seekp(offsets[i]);
            out.write(lines[i].data(), static_cast<std::streamsize>(lines[i].size()));
        }
        out.seekp(last);
        out.write(lines[3].data(), static_cast<std::streamsize>(lines[3].size()));
        ASSERT_TRUE(out.good());
    }
    const auto setRows = [&](CLemMap& map) { map.RowTable = {offsets[0], offsets[1], offsets[2], last}; };
    const int32_t id = BlockIdFor(kOrigin, kOrigin);
    ExpectSameBothWays("C:\\F\\S.LEM", id, setRows);
    OpenAndIndex();
    setRows(map_);
    Block block;
    ASSERT_EQ(map_.ReadBlock(id, block.v.data()), 1);
    // Block row d is LEM row 3 - d.
    const std::vector<int16_t> expected[] = {{11, 12, 13}, {7, 8, kSentinel}, {4, -4, 6}, {1, 2, 3}};
    for (int d = 0; d < 4; ++d) {
        EXPECT_EQ(std::vector<int16_t>(&block.At(d, 0), &block.At(d, 0) + 3), expected[d]) << "block row " << d;
    }
}

// Between two requests another program shrinks the data file in place or puts another in its
// place. A view of the old file kept past that would fault on its first byte beyond the new end
// (SIGBUS): each request sees the change first and gets the new file's rows.
TEST_F(LemMappedRows, DataFileShrunkOrReplacedBetweenRequests) {
    HeaderFields header;
    header.rows = "300";
    header.flags.assign(300, "1");
    const auto sheetData = [](int base) {
        std::string data;
        for (int r = 0; r < 300; ++r) {
            char field[8];
            std::snprintf(field, sizeof field, "%5d", 10 * (base + r));
            data += DataLine({field, field, field}) + "\n";  // 26 bytes a line
        }
        return data;
    };
    const std::string path = platform::ToPosixPath("C:\\F\\S.LEM");
    struct Case {
        const char* what;
        std::function<void()> change;
        int placedRows;  // LEM rows 0 .. placedRows - 1 hold values in column 0 afterwards
        int base;        // their values: base + row
    } const cases[] = {
        {"truncated to nothing", [&] { std::filesystem::resize_file(path, 0); }, 0, 0},
        // Rows 0..2 whole, and the first two fields of row 3.
        {"truncated within row 3", [&] { std::filesystem::resize_file(path, 3 * 26 + 10 + 10); }, 4, 0},
        {"a longer file renamed over it",
         [&] {
             root_.Write("C:\\F\\S.NEW", sheetData(1000) + std::string(100000, ' '));
             std::filesystem::rename(platform::ToPosixPath("C:\\F\\S.NEW"), path);
         },
         300, 1000},
    };
    const int32_t id = BlockIdFor(kOrigin, kOrigin);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WritePair(header, sheetData(0));
        OpenAndIndex();
        Block before;
        ASSERT_EQ(map_.ReadBlock(id, before.v.data()), 1);
        ASSERT_EQ(before.At(0, 0), 299);  // block row 0 is LEM row 299
        c.change();
        Block after;
        ASSERT_EQ(map_.ReadBlock(id, after.v.data()), 1);
        for (int L = 0; L < 300; ++L) {
            const int d = 299 - L;
            const int16_t expected = L < c.placedRows ? static_cast<int16_t>(c.base + L) : kSentinel;
            ASSERT_EQ(after.At(d, 0), expected) << "LEM row " << L;
        }
        if (c.placedRows == 4) {
            EXPECT_EQ(std::vector<int16_t>(&after.At(296, 0), &after.At(296, 0) + 3),
                      (std::vector<int16_t>{3, 3, kSentinel}));
        }
    }
}
