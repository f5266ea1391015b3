// Synthetic LEM sheets: the data file, its CSV header in code page 932, and the true values
// that a reader must give back, so tests can compare blocks cell by cell.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace gen {

// An angle in whole degrees, minutes and seconds as the header carries it.
struct Dms {
    int deg = 0;
    int min = 0;
    int sec = 0;
    [[nodiscard]] int TotalSeconds() const { return deg * 3600 + min * 60 + sec; }
    [[nodiscard]] static Dms FromSeconds(int seconds) { return {seconds / 3600, seconds / 60 % 60, seconds % 60}; }
};

enum class Layout {
    LemHeader,      // <root>\LEM\<name>.LEM and <root>\HEADER\<name>.CSV
    DataOldHeader,  // <root>\DATA\<name>.LEM and <root>\旧ヘッダ\<name>.CSV
    Flat,           // <root>\<name>.LEM and <root>\<name>.CSV
};

constexpr int32_t kNoData = -9999;
constexpr int32_t kOutsideSurvey = -1111;

struct LemSheetOptions {
    int cols = 2250;
    int rows = 1500;
    // The sample sheet: 5 cells a second both ways (18000 a degree), the summit at its centre.
    Dms south{35, 19, 15};
    Dms west{138, 39, 54};
    Dms north{35, 24, 15};
    Dms east{138, 47, 24};
    std::string title = "数値地図火山標高 試作";  // code page 932 bytes in the binary
    std::string name = "SAMPLE";                  // base name of both files
    bool crlf = true;
    bool finalLineEnd = true;
    std::vector<int> absentRows;  // grid rows (0 = north) without a data line
    Layout layout = Layout::LemHeader;
    bool lake = true;           // a disc of -9999 cells
    bool outsideSurvey = true;  // a north-east corner of -1111 cells
    int recordValue = 1;        // value of the "レコード" line of a present row
};

struct LemSheet {
    LemSheetOptions options;
    // Values as written, in tenths of a metre, row-major with row 0 the northernmost;
    // absent rows hold kNoData.
    std::vector<int32_t> tenths;
    std::vector<uint8_t> present;  // per row
    [[nodiscard]] int32_t At(int row, int col) const { return tenths[static_cast<size_t>(row) * options.cols + col]; }
    // The metres a reader places for a written value ((v + 5) div 10, truncated toward zero),
    // or false for no data (-9999 and -1111).
    [[nodiscard]] static bool Metres(int32_t tenths, int16_t* metres);
};

[[nodiscard]] LemSheet MakeLemSheet(const LemSheetOptions& options);
[[nodiscard]] std::string LemHeaderText(const LemSheet& sheet);
[[nodiscard]] std::string LemDataText(const LemSheet& sheet);

// Relative paths (backslash-separated, code page 932) of the two files inside the root folder.
[[nodiscard]] std::string DataFileRelative(const LemSheetOptions& options);
[[nodiscard]] std::string HeaderFileRelative(const LemSheetOptions& options);

// Writes both files under a folder of this machine (created as needed). False on a write error.
[[nodiscard]] bool WriteLemSheet(const LemSheet& sheet, const std::string& hostFolder);
// The same under a Windows folder (C:\V), through the file layer's mapping onto this machine.
[[nodiscard]] bool WriteLemSheetAt(const LemSheet& sheet, const std::string& windowsFolder);
// Writes the values as raw little-endian int32, row-major, row 0 north.
[[nodiscard]] bool WriteTruth(const LemSheet& sheet, const std::string& hostPath);

}  // namespace gen
