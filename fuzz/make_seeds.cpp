// tephrix-fuzz-seeds OUTDIR: writes the seed corpora of the fuzz targets, one folder per
// target, from small generated sheets and DCM files (a few KiB each: the fuzzers run fast on
// small inputs, and every format feature already shows at this size).
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/host_script.h"
#include "tools/gen/dcm_writer.h"
#include "tools/gen/lem_sheet.h"

namespace {

namespace fs = std::filesystem;

// clang keeps the generator's literals in UTF-8; the header is code page 932 on disk.
std::string ToCp932(const std::string& text) {
    const bool utf8 = text.find("\xE7\xB8\xAE") != std::string::npos;  // first bytes of 縮 in UTF-8
    if (!utf8) return text;
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return text;
    std::string in = text;
    std::string out(in.size() * 2 + 16, '\0');
    char* src = in.data();
    size_t srcLeft = in.size();
    char* dst = out.data();
    size_t dstLeft = out.size();
    const size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) return text;
    out.resize(out.size() - dstLeft);
    return out;
}

void Put(const fs::path& folder, const std::string& name, const std::string& bytes) {
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary) << bytes;
}

std::string U16(uint16_t v) {
    return std::string{static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)};
}

std::string Bytes(std::initializer_list<int> values) {
    std::string s;
    for (int v : values) s += static_cast<char>(v);
    return s;
}

struct Sheet {
    std::string name;
    gen::LemSheetOptions options;
};

std::vector<Sheet> Sheets() {
    std::vector<Sheet> out;
    auto base = [](int cols, int rows) {
        gen::LemSheetOptions o;
        o.cols = cols;
        o.rows = rows;
        o.title = "T";
        o.name = "S";
        o.lake = false;
        o.outsideSurvey = false;
        return o;
    };
    out.push_back({"crlf_7x5", base(7, 5)});
    {
        auto o = base(3, 4);
        o.crlf = false;
        o.finalLineEnd = false;
        o.absentRows = {1};
        out.push_back({"lf_absent_3x4", o});
    }
    {
        auto o = base(12, 8);
        o.recordValue = 2;
        o.absentRows = {0, 7};
        o.lake = true;
        o.outsideSurvey = true;
        out.push_back({"nodata_12x8", o});
    }
    out.push_back({"wide_330x2", base(330, 2)});
    return out;
}

void WriteSheetSeeds(const fs::path& out) {
    int n = 0;
    for (const Sheet& s : Sheets()) {
        const gen::LemSheet sheet = gen::MakeLemSheet(s.options);
        const std::string header = ToCp932(gen::LemHeaderText(sheet));
        const std::string data = gen::LemDataText(sheet);
        Put(out / "fuzz_header", s.name + "_index", std::string(1, '\0') + header);
        Put(out / "fuzz_header", s.name + "_title", std::string(1, '\1') + header);
        // Layouts 0-3 with margin 256 (index 5) and margin 0 (index 0); four nearby blocks
        // and one with fine digits.
        const std::string reads = Bytes({5, 0, 2, 2, 0, 0, 3, 2, 0, 0, 2, 3, 0, 0, 1, 2, 0, 0, 2, 2, 11});
        for (int layout = 0; layout < 4; ++layout) {
            for (int margin : {5, 0}) {
                // Half of them with the base layer (bit 6) under the sheet.
                const char control = static_cast<char>(layout | (margin << 2) | ((n & 1) << 5) | ((n & 2) << 5));
                ++n;
                Put(out / "fuzz_dataset", s.name + "_l" + std::to_string(layout) + "_m" + std::to_string(margin),
                    std::string(1, control) + reads + U16(static_cast<uint16_t>(header.size())) + header + data);
            }
        }
    }
}

// Headers at the row-flag limit: the flag of line 27 + 999,999 is the last one accepted, the
// next refused. Empty lines (one byte each) keep the files near 1 MB.
void WriteHeaderLimitSeeds(const fs::path& out) {
    const std::string scale = "\x8F\x6B\x8E\xDA,5000\n";                // 縮尺
    const std::string record = "\x83\x8C\x83\x52\x81\x5B\x83\x68,1\n";  // レコード
    std::string head = scale + "a,\nb,\nc,\nCOLS,3\nROWS,2\n";
    for (int line = 6; line < 27; ++line) head += "x,1\n";
    for (const int flag : {999999, 1000000}) {
        Put(out / "fuzz_header", "rowflag_" + std::to_string(flag),
            std::string(1, '\0') + head + std::string(static_cast<size_t>(flag), '\n') + record);
    }
}

// A generated DCM file cut down to its header, its index and the first bytes of each tile
// (the index is pointed at them); the reader treats the missing rest as zeros.
std::string SmallDcm(const gen::DcmLayout& layout, size_t tileBytes) {
    const gen::DcmFile full = gen::BuildDcm(layout);
    const size_t count = full.tileIds.size();
    const size_t indexEnd = gen::dcm::kHeaderSize + count * gen::dcm::kIndexEntrySize;
    std::string out(reinterpret_cast<const char*>(full.bytes.data()), indexEnd);
    // The writer puts the index right behind the header.
    for (size_t i = 0; i < count; ++i) {
        const size_t entry = gen::dcm::kHeaderSize + i * gen::dcm::kIndexEntrySize;
        uint32_t oldOffset = 0;
        std::memcpy(&oldOffset, full.bytes.data() + entry + 4, 4);
        const uint32_t newOffset = static_cast<uint32_t>(indexEnd + i * tileBytes);
        std::memcpy(out.data() + entry + 4, &newOffset, 4);
        out.append(reinterpret_cast<const char*>(full.bytes.data()) + oldOffset, tileBytes);
    }
    return out;
}

void WriteDcmSeeds(const fs::path& out) {
    gen::DcmLayout one;
    one.originLatSeconds = 35 * 3600;
    one.originLonSeconds = 138 * 3600;
    gen::DcmLayout four = one;
    four.rows = four.cols = 640;
    four.datumName = "TOKYO";
    const std::string files[] = {SmallDcm(one, 2048), SmallDcm(four, 1024)};
    // Near placements: the map's corner at the file's origin, 18000 cells a degree, blocks
    // 100 and 10200; then 600 cells a degree (map cells larger than the file's).
    const std::string nearOne = Bytes({0, 0, 0, 0});
    const std::string nearTwo = Bytes({0, 0, 0, 1 | (1 << 3)});
    const std::string nearCoarse = Bytes({10, 246, 5 | (5 << 3), 0});
    int i = 0;
    for (const std::string& file : files) {
        for (int link = 0; link < 2; ++link) {
            const std::string name = "dcm" + std::to_string(i) + (link ? "_link" : "_open");
            Put(out / "fuzz_dcm", name + "_1", std::string(1, static_cast<char>(link)) + nearOne + file);
            Put(out / "fuzz_dcm", name + "_3",
                std::string(1, static_cast<char>(link | (2 << 2))) + nearOne + nearTwo + nearCoarse + file);
        }
        ++i;
    }
    // A raw placement: identifier 100, corner and cells per degree as doubles.
    std::string raw(1, '\x02');
    const int32_t id = 100;
    raw.append(reinterpret_cast<const char*>(&id), 4);
    for (double d : {35.0, 138.0, 18000.0, 18000.0}) raw.append(reinterpret_cast<const char*>(&d), 8);
    Put(out / "fuzz_dcm", "raw_placement", raw + files[0]);
}

void WritePathSeeds(const fs::path& out) {
    const std::string paths[] = {
        std::string("D:\\a\\b.txt"),
        std::string("D:b.txt"),
        std::string("D:\\a\\") + '\0' + "\\b",
        std::string("D:\\\x95\x5C") + '\0' + "x",  // D:\表
        std::string("C:\\V\\LEM\\FUJI.LEM") + '\0' + "LEM\\",
        std::string("C:\\V\\LEM\\1FUJI.lem"),
        std::string("C:\\V\\\x8B\x8C\x83\x77\x83\x62\x83\x5F\\FUJI.CSV"),  // 旧ヘッダ
        std::string("\\\\server\\share\\A.LEM\x81"),
        std::string(300, 'a') + ".LEM",
    };
    int i = 0;
    for (const std::string& p : paths) Put(out / "fuzz_path", "path" + std::to_string(i++), p);
}

void WriteTableSeeds(const fs::path& out) {
    std::string eleven;
    for (int h = 1; h <= 11; ++h) eleven += Bytes({0, h});
    for (int h = 1; h <= 11; ++h) eleven += Bytes({2, h});
    Put(out / "fuzz_open_map_table", "eleven", eleven);
    // Handles 16 and 288 share bucket 1.
    Put(out / "fuzz_open_map_table", "collide", Bytes({0x10, 1, 0x00, 1, 3, 1, 2, 1, 0x13, 1, 0x12, 1}));
    Put(out / "fuzz_open_map_table", "release", Bytes({0, 1, 0, 2, 1, 2, 0, 0x81, 0xF3, 0}));
}

// Runs of fields: digits only (the SSSE3 and AVX2 paths), a block row of them, with negative
// values, and with odd fields.
void WriteFieldRowSeeds(const fs::path& out) {
    std::string digits, negatives, row;
    for (int k = 0; k < 320; ++k) {
        char field[16];
        std::snprintf(field, sizeof field, "%5d", (k * 104729) % 100000);
        row.append(field, 5);
    }
    Put(out / "fuzz_field_row", "block_row", row + "\r\n");
    // One odd field in the second group of the second pair of groups.
    Put(out / "fuzz_field_row", "block_row_odd", row.substr(0, 5 * 50) + "  -12" + row.substr(5 * 51) + "\r\n");
    for (int k = 0; k < 40; ++k) {
        char field[16];
        std::snprintf(field, sizeof field, "%5d", (k * 7919) % 100000);
        digits.append(field, 5);
        std::snprintf(field, sizeof field, "%5d", k % 3 == 0 ? -9999 : k % 3 == 1 ? -1111 : -(k * 37));
        negatives.append(field, 5);
    }
    Put(out / "fuzz_field_row", "digits", digits + "\r\n");
    Put(out / "fuzz_field_row", "negatives", negatives + "\n");
    Put(out / "fuzz_field_row", "odd", digits.substr(0, 35) + " 12 4+1234\t -12--123" + digits.substr(0, 40));
}

// Scripts of host actions: ordinary lives of a map through each of the host's paths, file
// changes under an open map, handles nobody opened, and the module released and loaded again.
void WriteHostSeeds(const fs::path& out) {
    using namespace fuzz::host;
    auto act = [](Action op, int a = 0, int b = 0) { return Bytes({op, a, b}); };
    auto change = [&](ChangeKind kind, int sheet, int b = 0) { return act(kChangeFile, (kind << 1) | sheet, b); };
    // Settings: LinkDCM 1, LinkType 1 (the DCM file), DCMView 1; Region slot 3 (2).
    const std::string dcmQuiet = act(kSettings, 1 | 2 | 8, 3);
    const std::string sheetBlocks = act(kReadBlock, 0, 0x05) + act(kReadBlock, 0, 0x06) + act(kReadBlock, 0x09, 0x05);
    Put(out / "fuzz_host", "life_dcm",
        dcmQuiet + act(kOpen, 0, 0) + act(kDescribe, 0) + sheetBlocks + act(kCloseMap, 0) + act(kReadBlock, 0, 0x05) +
            act(kCloseMap, 0));
    // The guidebook set, the dialog shown (OK, then Cancel), the map opened from the host's path.
    Put(out / "fuzz_host", "life_guidebook",
        act(kSettings, 1, 1) + act(kDescribe, 1) + act(kReadBlock, 1, 0x05) + act(kDescribe, 1, 1) +
            act(kReadBlock, 1, 0x05) + act(kFileType) + act(kCloseMap, 1));
    Put(out / "fuzz_host", "menus",
        dcmQuiet + act(kOpenCommand, 2) + act(kReadBlock, 4, 0x05) + act(kCompositeMenu, 0) + act(kReadBlock, 5, 0x05) +
            act(kCompositeMenu, 1) + act(kOpenCommand, 0) + act(kCloseMap, 4) + act(kCloseMap, 5));
    Put(out / "fuzz_host", "file_changes",
        act(kSettings, 8, 3) + act(kOpen, 0, 0) + act(kDescribe, 0) + act(kReadBlock, 0, 0x05) +
            change(kDeleteData, 0) + act(kReadBlock, 0, 0x05) + change(kRestoreData, 0) + act(kReadBlock, 0, 0x05) +
            change(kTruncateData, 0, 20) + act(kReadBlock, 0, 0x05) + change(kLongerData, 0) +
            act(kReadBlock, 0, 0x05) + change(kRewriteHeader, 0, 0x09) + act(kDescribe, 0) + act(kReadBlock, 0, 0x05) +
            act(kSettings, 1 | 2 | 8, 3) + change(kReplaceDcm, 0, 2) + act(kDescribe, 0) + act(kReadBlock, 0, 0x05) +
            change(kDeleteHeader, 0) + act(kDescribe, 0) + act(kReadBlock, 0, 0x05) + act(kCloseMap, 0));
    Put(out / "fuzz_host", "handles",
        act(kRecognise, 0) + act(kRecognise, 1) + act(kRecognise, 2) + act(kRecognise, 5) + act(kRecognise, 7) +
            act(kReadBlock, 6, 0x05) + act(kCloseMap, 7) + act(kOpen, 3, 4) + act(kOpen, 2, 2) +
            act(kReadBlock, 2, 0x05) + act(kClose) + act(kRelease) + act(kReadBlock, 2, 0x05) + act(kCreate) +
            act(kSettings, 8, 1) + act(kDescribe, 0) + act(kReadBlock, 0, 0x85));
    Put(out / "fuzz_host", "two_maps",
        act(kSettings, 8, 3) + act(kOpen, 0, 0) + act(kOpen, 2, 3) + act(kDescribe, 0) + act(kReadBlock, 0, 0x05) +
            act(kReadBlock, 2, 0x05) + act(kCloseMap, 2) + act(kCloseMap, 0));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: tephrix-fuzz-seeds OUTDIR\n");
        return 2;
    }
    const fs::path out = argv[1];
    WriteSheetSeeds(out);
    WriteHeaderLimitSeeds(out);
    WriteDcmSeeds(out);
    WritePathSeeds(out);
    WriteTableSeeds(out);
    WriteFieldRowSeeds(out);
    WriteHostSeeds(out);
    return 0;
}
