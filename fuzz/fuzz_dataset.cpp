// A whole dataset: header and data file in one input, then Open, GetHeader and block reads.
// Input layout:
//   byte 0      bits 0-1 layout (LEM\+HEADER\, DATA\+旧ヘッダ\, flat, LEM\+旧ヘッダ\),
//               bits 2-4 margin, bit 5 open through the header file instead of the data file,
//               bit 6 a 50 m base layer under the sheet (so that the seam blending runs)
//   byte 1      number of block reads (mod 9)
//   4 bytes per block read (see BlockIdFrom)
//   2 bytes     header length (little-endian), then the header bytes
//   the rest    the data file
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "hostsim/host.h"
#include "lem/lem_map.h"

namespace {

constexpr int kSide = 320;
constexpr int kUntouchedByte = 0x5A;

// What a block holds before a read (memset and memcmp: an element loop under the sanitizers
// would cost more than the read itself).
const int16_t* Untouched() {
    static int16_t block[kSide * kSide];
    static const bool filled = (std::memset(block, kUntouchedByte, sizeof block), true);
    (void)filled;
    return block;
}

struct Layout {
    const char* data;
    const char* header;
};

// Every file any layout uses, so that no file of an earlier input changes this one.
constexpr Layout kLayouts[] = {
    {"C:\\F\\LEM\\S.LEM", "C:\\F\\HEADER\\S.CSV"},
    {"C:\\F\\DATA\\S.LEM", "C:\\F\\\x8B\x8C\x83\x77\x83\x62\x83\x5F\\S.CSV"},  // 旧ヘッダ
    {"C:\\F\\S.LEM", "C:\\F\\S.CSV"},
    {"C:\\F\\LEM\\S.LEM", "C:\\F\\\x8B\x8C\x83\x77\x83\x62\x83\x5F\\S.CSV"},
};

constexpr int32_t kMargins[] = {0, 1, 2, 3, 4, 256, 257, 100000};

// Bit 7 of the first byte set: the four bytes are a raw identifier. Otherwise the identifier of
// a block near the sheet: column and row block offsets from the sheet's first block, and the
// two fine digits.
int32_t BlockIdFrom(fuzz::Input& in, int32_t margin) {
    const uint8_t b0 = in.U8();
    const uint8_t b1 = in.U8();
    const uint8_t b2 = in.U8();
    const uint8_t b3 = in.U8();
    if (b0 & 0x80) return static_cast<int32_t>(b0 | (b1 << 8) | (b2 << 16) | (static_cast<uint32_t>(b3) << 24));
    const int64_t r2 = margin / 2;
    const int64_t columnBlock = r2 + 1 + (b1 % 8) - 2;  // column block 1 starts at column 0
    const int64_t rowBlock = r2 + (b2 % 8) - 2;
    const int64_t fineColumn = b3 % 10;
    const int64_t fineRow = (b3 / 10) % 10;
    const int64_t id = fineColumn + 10 * fineRow + 100 * (columnBlock % 100) + 10000 * (rowBlock % 100) +
                       1000000 * (columnBlock / 100) + 100000000 * (rowBlock / 100);
    return static_cast<int32_t>(id);
}

// A DCM file of one tile, all 1000 m, on a grid of one cell a degree from 0°N 0°E: tile 100
// covers latitudes 0-319 and longitudes 0-319, so any sheet there has a non-zero base.
constexpr char kBasePath[] = "C:\\BASE\\BASE.DCM";
constexpr int kBaseHeight = 1000;

void WriteBaseOnce() {
    static bool written = false;
    if (written) return;
    std::string file(214 + 16, '\0');
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i) file[at + i] = static_cast<char>(v >> (8 * i));
    };
    file.replace(0, 4, "BEVM");
    put(6, 1);      // one index entry
    put(10, 214);   // right behind the header
    put(22, 1);     // cells per degree of longitude
    put(26, 1);     // and of latitude
    put(214, 100);  // tile 100
    put(218, 230);  // its data behind the index
    for (int i = 0; i < kSide * kSide; ++i) {
        file += static_cast<char>(kBaseHeight & 0xFF);
        file += static_cast<char>(kBaseHeight >> 8);
    }
    fuzz::WriteFile(kBasePath, file);
    written = true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::BeginInput();
    fuzz::Input in(data, size);
    const uint8_t control = in.U8();
    const Layout& layout = kLayouts[control & 3];
    const int32_t margin = kMargins[(control >> 2) & 7];
    const bool openHeader = (control & 0x20) != 0;
    const bool withBase = (control & 0x40) != 0;
    const int reads = in.U8() % 9;
    int32_t ids[8];
    for (int i = 0; i < reads; ++i) ids[i] = BlockIdFrom(in, margin);
    const std::string_view header = in.Bytes(in.U16());
    const std::string_view dataFile = in.Rest();

    for (const Layout& l : kLayouts) {
        fuzz::RemoveFile(l.data);
        fuzz::RemoveFile(l.header);
    }
    fuzz::WriteFile(layout.header, header);
    fuzz::WriteFile(layout.data, dataFile);

    CLemMap map;
    map.Margin = margin;
    if (!map.Open(openHeader ? layout.header : layout.data)) return 0;
    const bool indexed = map.GetHeader().ok();
    if (indexed) {
        FUZZ_CHECK(static_cast<size_t>(map.RecordCount) == map.RowTable.size());
        FUZZ_CHECK(map.LineBuffer.size() == static_cast<size_t>(map.Cols) * 5 + 13);
        // Present rows take the data file's lines in order: offsets only grow.
        int64_t last = -1;
        for (int64_t v : map.RowTable) {
            if (v == -1) continue;
            FUZZ_CHECK(v > last);
            last = v;
        }
    }

    if (indexed && withBase) {
        // Placed as the map-type handler places a map before it links the source.
        WriteBaseOnce();
        map.CellsPerDegLon = map.Cols / (map.EastLon - map.WestLon);
        map.CellsPerDegLat = map.Rows / (map.NorthLat - map.SouthLat);
        const double m = 320.0 * (margin / 2);
        map.OriginLat = map.SouthLat - m / map.CellsPerDegLat;
        map.OriginLon = map.WestLon - m / map.CellsPerDegLon;
        FUZZ_CHECK(map.LinkDcm(kBasePath).ok());
    }

    static int16_t block[kSide * kSide];
    for (int i = 0; i < reads; ++i) {
        // With no 50 m source a block that misses the sheet's columns keeps what it held.
        std::memset(block, kUntouchedByte, sizeof block);
        const int result = map.ReadBlock(ids[i], block);
        FUZZ_CHECK(result == 1);  // the data file is there
        if (!indexed) continue;
        const int64_t firstColumn = [&] {
            const int64_t id = ids[i];
            return 40 * (id % 10) + 320 * ((id / 100) % 100) + 32000 * ((id / 1000000) % 100) - 320;
        }();
        const int64_t c0 = firstColumn - 320 * int64_t{margin / 2};
        if (!withBase && (c0 < 0 || c0 >= map.Cols)) {
            FUZZ_CHECK(std::memcmp(block, Untouched(), sizeof block) == 0);
        }
    }
    FUZZ_CHECK(map.CloseDataset() == 1);
    return 0;
}
