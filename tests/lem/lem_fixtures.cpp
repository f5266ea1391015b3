#include "tests/lem/lem_fixtures.h"

#include <gtest/gtest.h>

#include "base/block_id.h"
#include "hostsim/host.h"

namespace lemtest {

std::vector<std::string> HeaderLines(const HeaderFields& s) {
    std::vector<std::string> lines = {
        "\x8F\x6B\x8E\xDA,5000",  // 縮尺
        "a,1",
        "b,2",
        "c,3",
        "cols," + s.cols,
        "rows," + s.rows,
        "s," + s.south[0],
        "s," + s.south[1],
        "s," + s.south[2],
        "w," + s.west[0],
        "w," + s.west[1],
        "w," + s.west[2],
        "n," + s.north[0],
        "n," + s.north[1],
        "n," + s.north[2],
        "e," + s.east[0],
        "e," + s.east[1],
        "e," + s.east[2],
        "title," + s.title,
    };
    for (int i = 19; i < 27; ++i) lines.push_back("x," + std::to_string(i));
    for (const auto& f : s.flags) lines.push_back("\x83\x8C\x83\x52\x81\x5B\x83\x68," + f);  // レコード
    return lines;
}

std::string Join(const std::vector<std::string>& lines, const std::string& eol) {
    std::string text;
    for (const auto& l : lines) text += l + eol;
    return text;
}

std::string HeaderText(const HeaderFields& sheetHeader) {
    return Join(HeaderLines(sheetHeader), sheetHeader.eol);
}

std::string DataLine(const std::vector<std::string>& fields) {
    std::string line = "ROWPREFIX0";
    for (const auto& f : fields) line += f;
    return line;
}

int32_t BlockIdFor(int64_t x, int64_t y) {
    const auto id32 = static_cast<int32_t>(base::CellToBlockId64(x, y));
    const base::CellPos p = base::BlockIdToCell(id32);
    EXPECT_EQ(p.firstColumn, x);
    EXPECT_EQ(p.firstRow, y);
    return id32;
}

gen::LemSheet WriteSheet(const gen::LemSheetOptions& options, const std::string& windowsFolder) {
    gen::LemSheet sheet = gen::MakeLemSheet(options);
    EXPECT_TRUE(gen::WriteLemSheetAt(sheet, windowsFolder));
    return sheet;
}

std::vector<Box> TakeMessageBoxes() {
    // The stand-in keeps every box it was shown; hand out those not yet taken. A Reset() of the
    // stand-in starts its record afresh.
    static size_t taken = 0;
    const auto& boxes = hostsim::Get().Desktop().MessageBoxes();
    if (boxes.size() < taken) taken = 0;
    std::vector<Box> out;
    for (size_t i = taken; i < boxes.size(); ++i) out.push_back({boxes[i].text, boxes[i].style});
    taken = boxes.size();
    return out;
}

}  // namespace lemtest
