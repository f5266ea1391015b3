// Small helpers shared by the LEM tests: hand-made headers, block identifiers for a position,
// and the message boxes the module showed.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hostsim/drive_root.h"
#include "tools/gen/lem_sheet.h"

namespace lemtest {

// Header lines 0-26 of a sheet with the given counts and corners; row flags follow from
// `flags` ("レコード,<flag>" from line 27 on). Lines are joined with eol.
struct HeaderFields {
    std::string cols = "3";
    std::string rows = "2";
    std::string south[3] = {"35", "20", "0"};
    std::string west[3] = {"138", "42", "0"};
    std::string north[3] = {"35", "20", "1"};
    std::string east[3] = {"138", "42", "1"};
    std::string title = "TITLE";
    std::vector<std::string> flags = {"1", "1"};
    std::string eol = "\r\n";
};
std::vector<std::string> HeaderLines(const HeaderFields& sheetHeader);
std::string Join(const std::vector<std::string>& lines, const std::string& eol);
std::string HeaderText(const HeaderFields& sheetHeader);

// One data line: a 10-character row prefix and the given 5-character fields.
std::string DataLine(const std::vector<std::string>& fields);

// The identifier whose block starts at whole-map column x and row y (x + 320 and y multiples
// of 40, both >= 0).
int32_t BlockIdFor(int64_t x, int64_t y);

// Writes a generated sheet under a Windows folder and returns it.
gen::LemSheet WriteSheet(const gen::LemSheetOptions& options, const std::string& windowsFolder);

struct Box {
    std::string text;
    uint32_t style;
};
// Message boxes shown since the last call.
std::vector<Box> TakeMessageBoxes();

}  // namespace lemtest
