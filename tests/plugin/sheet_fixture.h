// Small LEM sheets written through the dataset generator under the test's drive root.
#pragma once

#include <gtest/gtest.h>

#include <numeric>
#include <string>

#include "tools/gen/lem_sheet.h"

namespace plugintest {

// The 2250 x 1500 sheet of 18000 cells a degree both ways, with its south-west corner at
// 35 N 138 E. Only the first rows have data lines, which keeps the file small; the header
// still describes the whole grid.
inline gen::LemSheetOptions WideSheet(const std::string& name = "SAMPLE") {
    gen::LemSheetOptions o;
    o.cols = 2250;
    o.rows = 1500;
    o.south = {35, 0, 0};
    o.north = {35, 5, 0};
    o.west = {138, 0, 0};
    o.east = {138, 7, 30};
    o.title = "富士山";
    o.name = name;
    o.absentRows.resize(1500 - 4);
    std::iota(o.absentRows.begin(), o.absentRows.end(), 4);
    return o;
}

// A small sheet for tests that only need a map that opens.
inline gen::LemSheetOptions SmallSheet(const std::string& name = "SMALL") {
    gen::LemSheetOptions o;
    o.cols = 40;
    o.rows = 30;
    o.south = {35, 20, 0};
    o.north = {35, 20, 6};
    o.west = {138, 42, 0};
    o.east = {138, 42, 8};
    o.title = "小さな山";
    o.name = name;
    return o;
}

// Writes the sheet in the LEM/HEADER layout under folder; returns the data file's path.
inline std::string WriteSheet(const gen::LemSheetOptions& options, const std::string& folder = "C:\\V") {
    const gen::LemSheet sheet = gen::MakeLemSheet(options);
    EXPECT_TRUE(gen::WriteLemSheetAt(sheet, folder));
    return folder + "\\" + gen::DataFileRelative(options);
}

}  // namespace plugintest
