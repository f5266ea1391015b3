#include "tools/gen/lem_sheet.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "platform/path_root.h"
#include "tools/gen/terrain.h"

namespace gen {
namespace {

constexpr char kOldHeaderFolder[] = "\x8B\x8C\x83\x77\x83\x62\x83\x5F";  // 旧ヘッダ

std::string Folded(const std::string& relative) {
    std::string out = relative;
    // Backslashes that separate folders; the generator's own names hold no double-byte
    // character whose trail byte is 0x5C.
    for (char& c : out) {
        if (c == '\\') c = '/';
    }
    return out;
}

bool WriteFile(const std::filesystem::path& path, const std::string& bytes) {
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace

bool LemSheet::Metres(int32_t tenths, int16_t* metres) {
    if (tenths == kNoData || tenths == kOutsideSurvey) return false;
    *metres = static_cast<int16_t>((tenths + 5) / 10);
    return true;
}

LemSheet MakeLemSheet(const LemSheetOptions& o) {
    LemSheet sheet;
    sheet.options = o;
    sheet.tenths.assign(static_cast<size_t>(o.cols) * o.rows, kNoData);
    sheet.present.assign(static_cast<size_t>(o.rows), 1);
    for (int r : o.absentRows) {
        if (r >= 0 && r < o.rows) sheet.present[static_cast<size_t>(r)] = 0;
    }
    const double south = o.south.TotalSeconds() / 3600.0;
    const double north = o.north.TotalSeconds() / 3600.0;
    const double west = o.west.TotalSeconds() / 3600.0;
    const double east = o.east.TotalSeconds() / 3600.0;
    const double dLat = (north - south) / o.rows;
    const double dLon = (east - west) / o.cols;
    // The lake sits south-east of the centre, the unsurveyed area in the north-east corner.
    const double lakeRow = o.rows * 0.7, lakeCol = o.cols * 0.65;
    const double lakeRadius = 0.06 * std::min(o.rows, o.cols) + 1;
    const double cornerReach = 0.12 * (o.rows + o.cols);
    for (int r = 0; r < o.rows; ++r) {
        if (!sheet.present[static_cast<size_t>(r)]) continue;
        const double lat = north - (r + 0.5) * dLat;
        for (int c = 0; c < o.cols; ++c) {
            int32_t v;
            const double dr = r - lakeRow, dc = c - lakeCol;
            if (o.lake && dr * dr + dc * dc <= lakeRadius * lakeRadius) {
                v = kNoData;
            } else if (o.outsideSurvey && (o.cols - 1 - c) + r < cornerReach) {
                v = kOutsideSurvey;
            } else {
                const double metres = TerrainElevation(lat, west + (c + 0.5) * dLon);
                v = static_cast<int32_t>(metres * 10.0 + (metres >= 0 ? 0.5 : -0.5));
            }
            sheet.tenths[static_cast<size_t>(r) * o.cols + c] = v;
        }
    }
    return sheet;
}

std::string LemHeaderText(const LemSheet& sheet) {
    const LemSheetOptions& o = sheet.options;
    const char* eol = o.crlf ? "\r\n" : "\n";
    std::string text;
    auto line = [&](const std::string& key, const std::string& value) { text += key + "," + value + eol; };
    auto dms = [&](const char* what, const Dms& a) {
        line(std::string(what) + "(度)", std::to_string(a.deg));
        line(std::string(what) + "(分)", std::to_string(a.min));
        line(std::string(what) + "(秒)", std::to_string(a.sec));
    };
    line("縮尺", "5000");                            // 0
    line("データ名", "数値地図火山標高");            // 1
    line("測地系", "日本測地系");                    // 2
    line("格子間隔(m)", "5");                        // 3
    line("東西方向の点数", std::to_string(o.cols));  // 4
    line("南北方向の点数", std::to_string(o.rows));  // 5
    dms("南端緯度", o.south);                        // 6-8
    dms("西端経度", o.west);                         // 9-11
    dms("北端緯度", o.north);                        // 12-14
    dms("東端経度", o.east);                         // 15-17
    line("図名", o.title);                           // 18
    for (int i = 19; i < 27; ++i) line("予備" + std::to_string(i), "");
    for (int r = 0; r < o.rows; ++r) {
        line("レコード", std::to_string(sheet.present[static_cast<size_t>(r)] ? o.recordValue : 0));
    }
    if (!o.finalLineEnd) text.resize(text.size() - std::char_traits<char>::length(eol));
    return text;
}

std::string LemDataText(const LemSheet& sheet) {
    const LemSheetOptions& o = sheet.options;
    const char* eol = o.crlf ? "\r\n" : "\n";
    std::string text;
    text.reserve(static_cast<size_t>(o.rows) * (10 + 5 * static_cast<size_t>(o.cols) + 2));
    char field[16];
    bool any = false;
    for (int r = 0; r < o.rows; ++r) {
        if (!sheet.present[static_cast<size_t>(r)]) continue;
        if (any) text += eol;
        any = true;
        std::snprintf(field, sizeof field, "5338%06d", r % 1000000);
        text += field;
        for (int c = 0; c < o.cols; ++c) {
            std::snprintf(field, sizeof field, "%5d", static_cast<int>(sheet.At(r, c)));
            text.append(field, 5);
        }
    }
    if (any && o.finalLineEnd) text += eol;
    return text;
}

std::string DataFileRelative(const LemSheetOptions& o) {
    switch (o.layout) {
        case Layout::LemHeader: return "LEM\\" + o.name + ".LEM";
        case Layout::DataOldHeader: return "DATA\\" + o.name + ".LEM";
        case Layout::Flat: break;
    }
    return o.name + ".LEM";
}

std::string HeaderFileRelative(const LemSheetOptions& o) {
    switch (o.layout) {
        case Layout::LemHeader: return "HEADER\\" + o.name + ".CSV";
        case Layout::DataOldHeader: return std::string(kOldHeaderFolder) + "\\" + o.name + ".CSV";
        case Layout::Flat: break;
    }
    return o.name + ".CSV";
}

bool WriteLemSheet(const LemSheet& sheet, const std::string& hostFolder) {
    const std::filesystem::path root(hostFolder);
    return WriteFile(root / Folded(DataFileRelative(sheet.options)), LemDataText(sheet)) &&
           WriteFile(root / Folded(HeaderFileRelative(sheet.options)), LemHeaderText(sheet));
}

bool WriteLemSheetAt(const LemSheet& sheet, const std::string& windowsFolder) {
    return WriteLemSheet(sheet, platform::ToPosixPath(windowsFolder));
}

bool WriteTruth(const LemSheet& sheet, const std::string& hostPath) {
    std::string bytes;
    bytes.reserve(sheet.tenths.size() * 4);
    for (int32_t v : sheet.tenths) {
        auto u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i) bytes += static_cast<char>((u >> (8 * i)) & 0xFF);
    }
    return WriteFile(hostPath, bytes);
}

}  // namespace gen
