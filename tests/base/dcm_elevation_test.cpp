#include "base/dcm_elevation.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "hostsim/drive_root.h"
#include "tests/base/fake_tile_source.h"
#include "tests/base/resample_oracle.h"
#include "tests/support/result_printer.h"
#include "tools/gen/dcm_writer.h"
#include "tools/gen/terrain.h"

namespace {

using hostsim::DriveRoot;
using platform::Status;
constexpr int kCells = 320 * 320;
constexpr char kPath[] = "C:\\DEM\\LAND.DCM";

void PutI32(std::vector<uint8_t>& bytes, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

int32_t GetI32(const std::vector<uint8_t>& bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(bytes[at + i]) << (8 * i);
    return static_cast<int32_t>(v);
}

// The file's tiles straight from its bytes, first index entry winning, for the reference fill.
class BytesTiles {
public:
    explicit BytesTiles(const std::vector<uint8_t>& bytes) {
        const int32_t count = GetI32(bytes, 6);
        const int32_t indexAt = GetI32(bytes, 10);
        for (int32_t i = 0; i < count; ++i) {
            const int32_t id = GetI32(bytes, static_cast<size_t>(indexAt + 16 * i));
            const int32_t at = GetI32(bytes, static_cast<size_t>(indexAt + 16 * i + 4));
            if (tiles_.count(id) != 0) continue;
            std::vector<int16_t>& tile = tiles_[id];
            tile.resize(kCells);
            for (int j = 0; j < kCells; ++j) {
                tile[j] = static_cast<int16_t>(bytes[at + 2 * j] | (bytes[at + 2 * j + 1] << 8));
            }
        }
    }
    static const int16_t* Lookup(void* context, int32_t id) {
        auto& self = *static_cast<BytesTiles*>(context);
        auto it = self.tiles_.find(id);
        return it != self.tiles_.end() ? it->second.data() : self.zeros_.data();
    }

private:
    std::map<int32_t, std::vector<int16_t>> tiles_;
    std::vector<int16_t> zeros_ = std::vector<int16_t>(kCells, 0);
};

// Origin at 0" and power-of-two cells per degree: a map with the same cells per degree and its
// corner half a source cell in samples every source cell exactly, so block N copies tile N.
gen::DcmLayout CopyLayout(int32_t tileCols, int32_t tileRows) {
    gen::DcmLayout layout;
    layout.originLatSeconds = 0;
    layout.originLonSeconds = 0;
    layout.cellsPerDegLat = 2048;
    layout.cellsPerDegLon = 1024;
    layout.rows = 320 * tileRows;
    layout.cols = 320 * tileCols;
    return layout;
}
constexpr double kCopyLat0 = 0.5 / 2048;
constexpr double kCopyLon0 = 0.5 / 1024;

int Fill(CDcmElevation& dcm, int32_t id, std::vector<int16_t>& block, double cpdLat = 2048, double cpdLon = 1024,
         double lat0 = kCopyLat0, double lon0 = kCopyLon0) {
    block.assign(kCells, 0x7777);
    return dcm.FillBlock(id, block.data(), lat0, lon0, cpdLat, cpdLon);
}

// Elevation by tile: tile (tx, ty) of the copy layout holds 100 * tx + 10 * ty + row / 40.
double TileMarked(double lat, double lon) {
    const int row = static_cast<int>(lat * 2048);
    const int col = static_cast<int>(lon * 1024);
    return 100 * (col / 320) + 10 * (row / 320) + (row % 320) / 40 - (col % 2 == 0 ? 0 : 1000);
}

TEST(DcmOpen, ReadsGeneratedFilesWithAndWithoutDatum) {
    DriveRoot root;
    for (const std::string datum : {"", "JGD2000"}) {
        const auto layout = gen::LayoutForBox(35.3, 138.7, 35.4, 138.8, 2400, 1800, datum);
        const auto file = gen::BuildDcm(layout);
        root.Write(kPath, file.bytes);
        CDcmElevation dcm;
        ASSERT_EQ((dcm.Open(kPath)).status, Status::kOk);
        EXPECT_TRUE(dcm.Ready());
        EXPECT_EQ(dcm.IndexCount(), static_cast<int32_t>(file.tileIds.size()));
        EXPECT_EQ(dcm.HasDatumTag(), !datum.empty());
        EXPECT_EQ(dcm.DatumName(), datum);
    }
}

TEST(DcmOpen, RefusesWhatIsNotAUsableDcmFile) {
    const auto good = gen::BuildDcm(CopyLayout(1, 1)).bytes;
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        Status status;
    };
    std::vector<Case> cases;
    auto patched = [&](size_t at, std::vector<uint8_t> with) {
        auto b = good;
        std::copy(with.begin(), with.end(), b.begin() + static_cast<long>(at));
        return b;
    };
    cases.push_back({"wrong magic", patched(0, {'B', 'E', 'V', 'N'}), Status::kNotThisFormat});
    cases.push_back({"lower-case magic", patched(0, {'b', 'e', 'v', 'm'}), Status::kNotThisFormat});
    cases.push_back({"non-zero word at 4", patched(4, {0, 1}), Status::kNotThisFormat});
    cases.push_back({"non-zero low byte at 4", patched(4, {1, 0}), Status::kNotThisFormat});
    cases.push_back({"negative count", patched(6, {0xFF, 0xFF, 0xFF, 0xFF}), Status::kDamaged});
    cases.push_back({"count the file cannot hold", patched(6, {0x00, 0x00, 0x01, 0x00}), Status::kDamaged});
    cases.push_back({"count above INT32_MAX / 16", patched(6, {0xFF, 0xFF, 0xFF, 0x7F}), Status::kDamaged});
    cases.push_back({"empty file", {}, Status::kNotThisFormat});
    cases.push_back({"three bytes of magic", {'B', 'E', 'V'}, Status::kNotThisFormat});
    DriveRoot root;
    for (const Case& c : cases) {
        root.Write(kPath, c.bytes);
        CDcmElevation dcm;
        EXPECT_EQ(dcm.Open(kPath).status, c.status) << c.what;
        EXPECT_FALSE(dcm.Ready()) << c.what;
    }
    // The file it could not open is named, for whoever reports it.
    CDcmElevation dcm;
    const platform::Result missing = dcm.Open("C:\\DEM\\NONE.DCM");
    EXPECT_EQ(missing.status, Status::kIoError);
    ASSERT_NE(missing.subject, nullptr);
    EXPECT_STREQ(missing.subject, "C:\\DEM\\NONE.DCM");
    EXPECT_EQ(dcm.Open(nullptr).status, Status::kIoError);
}

TEST(DcmOpen, IndexCountIsBoundedEvenWhenTheFileHoldsIt) {
    // A file large enough for the counted index, and the index right behind the header.
    DriveRoot root;
    for (const int32_t count : {CDcmElevation::kMaxIndexEntries, CDcmElevation::kMaxIndexEntries + 1}) {
        auto bytes = gen::BuildDcm(CopyLayout(1, 1)).bytes;
        bytes.resize(CDcmElevation::kHeaderSize + static_cast<size_t>(count) * CDcmElevation::kIndexEntrySize);
        PutI32(bytes, 6, count);
        PutI32(bytes, 10, CDcmElevation::kHeaderSize);
        root.Write(kPath, bytes);
        CDcmElevation dcm;
        const int expected = count <= CDcmElevation::kMaxIndexEntries ? 1 : 0;
        EXPECT_EQ(dcm.Open(kPath).status, expected ? Status::kOk : Status::kDamaged) << count;
        EXPECT_EQ(dcm.IndexCount(), expected ? count : 0) << count;
    }
}

TEST(DcmOpen, GridsFinerThanTheLimitAreRefused) {
    // Cells per degree at 22 (longitude) and 26 (latitude); zero and negative grids open and
    // fill as missing samples, as the resampler decides.
    struct Case {
        int32_t lon, lat;
        int expected;
    } const cases[] = {
        {CDcmElevation::kMaxCellsPerDegree, CDcmElevation::kMaxCellsPerDegree, 1},
        {CDcmElevation::kMaxCellsPerDegree + 1, 2048, 0},
        {1024, CDcmElevation::kMaxCellsPerDegree + 1, 0},
        {INT32_MAX, INT32_MAX, 0},
        {0, -5, 1},
    };
    DriveRoot root;
    for (const Case& c : cases) {
        auto bytes = gen::BuildDcm(CopyLayout(1, 1)).bytes;
        PutI32(bytes, 22, c.lon);
        PutI32(bytes, 26, c.lat);
        root.Write(kPath, bytes);
        CDcmElevation dcm;
        EXPECT_EQ(dcm.Open(kPath).status, c.expected ? Status::kOk : Status::kDamaged) << c.lon << " x " << c.lat;
    }
}

TEST(DcmOpen, PathsOf260BytesOrMoreAreRefused) {
    DriveRoot root;
    const auto bytes = gen::BuildDcm(CopyLayout(1, 1)).bytes;
    // C:\ + folder of 200 + \ + name: 259 bytes fit the 260-byte buffer with the terminator.
    const std::string folder = "C:\\" + std::string(200, 'D') + "\\";
    const std::string fits = folder + std::string(259 - folder.size() - 4, 'F') + ".DCM";
    const std::string tooLong = folder + std::string(260 - folder.size() - 4, 'F') + ".DCM";
    ASSERT_EQ(fits.size(), 259u);
    ASSERT_EQ(tooLong.size(), 260u);
    root.Write(fits, bytes);
    root.Write(tooLong, bytes);
    CDcmElevation dcm;
    EXPECT_EQ((dcm.Open(fits.c_str())).status, Status::kOk);
    EXPECT_FALSE(dcm.Open(tooLong.c_str()));
    EXPECT_FALSE(dcm.Ready());
    std::vector<int16_t> block;
    EXPECT_EQ(Fill(dcm, 100, block), 0);
}

TEST(DcmFill, CopiesTilesWhenTheMapMatchesTheSourceGrid) {
    DriveRoot root;
    const auto file = gen::BuildDcm(CopyLayout(2, 2), &TileMarked);
    root.Write(kPath, file.bytes);
    CDcmElevation dcm;
    ASSERT_EQ((dcm.Open(kPath)).status, Status::kOk);
    std::vector<int16_t> block;
    for (const int32_t id : {100, 200, 10100, 10200}) {
        ASSERT_EQ(Fill(dcm, id, block), 1);
        const base::CellPos first = BlockIdToCell(id);
        for (int r = 0; r < 320; r += 7) {
            for (int k = 0; k < 320; k += 3) {
                const int expected =
                    100 * (first.firstColumn / 320) + 10 * (first.firstRow / 320) + r / 40 - (k % 2 == 0 ? 0 : 1000);
                ASSERT_EQ(block[r * 320 + k], expected) << id << " " << r << "," << k;
            }
        }
    }
}

TEST(DcmFill, FirstIndexEntryWithAnIdentifierWins) {
    DriveRoot root;
    auto bytes = gen::BuildDcm(CopyLayout(2, 1), &TileMarked).bytes;  // tiles 100 and 200
    // Both entries now claim 200; the first points at the data made for tile 100.
    PutI32(bytes, gen::dcm::kHeaderSize, 200);
    root.Write(kPath, bytes);
    CDcmElevation dcm;
    ASSERT_EQ((dcm.Open(kPath)).status, Status::kOk);
    std::vector<int16_t> block;
    ASSERT_EQ(Fill(dcm, 200, block), 1);
    EXPECT_EQ(block[0], 0);  // tile (0, 0), row 0, even column
    EXPECT_EQ(block[1], -1000);
    EXPECT_EQ(block[100 * 320], 2);
    // 100 is now in no entry: it reads as zeros.
    ASSERT_EQ(Fill(dcm, 100, block), 1);
    EXPECT_EQ(block, std::vector<int16_t>(kCells, 0));
}

TEST(DcmFill, FirstEntryInFileOrderWinsWhateverTheIndexOrder) {
    // Nine tiles, their entries shuffled and followed by duplicates that point at other tiles'
    // data: every tile still reads the data of its first entry.
    DriveRoot root;
    auto bytes = gen::BuildDcm(CopyLayout(3, 3), &TileMarked).bytes;
    const size_t indexAt = static_cast<size_t>(GetI32(bytes, 10));
    const int32_t count = GetI32(bytes, 6);
    ASSERT_EQ(count, 9);
    std::vector<std::vector<uint8_t>> entries;
    for (int32_t i = 0; i < count; ++i) {
        const auto at = bytes.begin() + static_cast<long>(indexAt + 16 * static_cast<size_t>(i));
        entries.emplace_back(at, at + 16);
    }
    std::mt19937 rng(3);
    std::shuffle(entries.begin(), entries.end(), rng);
    std::vector<uint8_t> index;
    for (const auto& e : entries) index.insert(index.end(), e.begin(), e.end());
    for (int32_t i = 0; i < count; ++i) {
        std::vector<uint8_t> dup = entries[static_cast<size_t>(i)];
        const std::vector<uint8_t>& other = entries[static_cast<size_t>((i + 1) % count)];
        std::copy(other.begin() + 4, other.begin() + 8, dup.begin() + 4);  // another tile's data
        index.insert(index.end(), dup.begin(), dup.end());
    }
    PutI32(bytes, 6, 2 * count);
    PutI32(bytes, 10, static_cast<int32_t>(bytes.size()));
    bytes.insert(bytes.end(), index.begin(), index.end());
    root.Write(kPath, bytes);

    CDcmElevation dcm;
    ASSERT_EQ((dcm.Open(kPath)).status, Status::kOk);
    EXPECT_EQ(dcm.IndexCount(), 2 * count);
    BytesTiles tiles(bytes);
    std::vector<int16_t> block;
    std::vector<int16_t> expected(kCells);
    const base::SourceGrid grid{0.0, 0.0, 2048, 1024};
    for (const int32_t id : {100, 200, 300, 10100, 10200, 10300, 20100, 20200, 20300}) {
        ASSERT_EQ(Fill(dcm, id, block), 1);
        oracle::ResampleBlock(id, expected.data(), kCopyLat0, kCopyLon0, 2048, 1024, grid, &BytesTiles::Lookup, &tiles,
                              0);
        ASSERT_EQ(block, expected) << id;
    }
}

TEST(DcmFill, TileMissingFromTheIndexReadsZerosAndStaysCachedForTheFill) {
    DriveRoot root;
    const auto file = gen::BuildDcm(CopyLayout(2, 1), [](double, double) { return 55.0; }, {200});
    root.Write(kPath, file.bytes);
    CDcmElevation dcm;
    ASSERT_EQ((dcm.Open(kPath)).status, Status::kOk);
    std::vector<int16_t> block;
    ASSERT_EQ(Fill(dcm, 200, block), 1);
    EXPECT_EQ(block, std::vector<int16_t>(kCells, 0));
    EXPECT_EQ(dcm.TileReads(), 0);
    // Block 100 looks at tile 200 from its eastern column on (with weight 0) and tile 10100 from
    // its northern row on; both are missing and stay in their slots under their identifiers.
    ASSERT_EQ(Fill(dcm, 100, block), 1);
    EXPECT_EQ(block, std::vector<int16_t>(kCells, 55));
    EXPECT_EQ(dcm.SlotId(0), 100);
    EXPECT_EQ(dcm.SlotId(1), 200);
    EXPECT_EQ(dcm.SlotId(2), 10100);
    EXPECT_EQ(dcm.SlotId(3), 10200);
    EXPECT_EQ(dcm.TileReads(), 1);  // only tile 100 came from the file
}

TEST(DcmFill, EveryFillStartsWithEmptySlotsAndTilesAreReadOnceUntilTheFileChanges) {
    DriveRoot root;
    root.Write(kPath, gen::BuildDcm(CopyLayout(3, 2), &TileMarked).bytes);
    CDcmElevation dcm;
    ASSERT_EQ((dcm.Open(kPath)).status, Status::kOk);
    std::vector<int16_t> block;
    ASSERT_EQ(Fill(dcm, 100, block), 1);
    EXPECT_EQ(dcm.TileReads(), 4);  // 100, 200, 10200, 10100
    const std::vector<int16_t> first = block;
    // Block 200 needs 200 and 10200 again, which stay in the store; its slots start empty.
    ASSERT_EQ(Fill(dcm, 200, block), 1);
    EXPECT_EQ(dcm.SlotId(0), 200);
    EXPECT_EQ(dcm.TileReads(), 6);  // 300 and 10300 are new
    ASSERT_EQ(Fill(dcm, 100, block), 1);
    EXPECT_EQ(block, first);
    EXPECT_EQ(dcm.TileReads(), 6);

    // The file rewritten (here: later write time, same size): every tile is read afresh.
    const std::string host = root.Dir() + "/C/DEM/LAND.DCM";
    const auto time = std::filesystem::last_write_time(host);
    root.Write(kPath, gen::BuildDcm(CopyLayout(3, 2), [](double, double) { return 12.0; }).bytes);
    std::filesystem::last_write_time(host, time + std::chrono::seconds(2));
    ASSERT_EQ(Fill(dcm, 100, block), 1);
    EXPECT_EQ(block, std::vector<int16_t>(kCells, 12));
    EXPECT_EQ(dcm.TileReads(), 10);
}

TEST(DcmFill, FifthDistinctTileReusesSlotZeroAndValuesStayRight) {
    // The map is twice as coarse as the source and the block starts 40 cells in each way (the
    // fine digits of 111): it walks 3 x 3 tiles, the most a block may reach.
    DriveRoot root;
    gen::DcmLayout layout = CopyLayout(4, 4);
    const auto file =
        gen::BuildDcm(layout, [](double lat, double lon) { return 3000 * std::sin(lat * 900) + lon * 400; });
    root.Write(kPath, file.bytes);
    CDcmElevation dcm;
    ASSERT_EQ((dcm.Open(kPath)).status, Status::kOk);
    std::vector<int16_t> block;
    const base::SourceGrid grid{0.0, 0.0, 2048, 1024};
    const base::TileSpan span = base::BlockTileSpan(111, kCopyLat0, kCopyLon0, 1024, 512, grid);
    ASSERT_EQ(span.columns, 3);
    ASSERT_EQ(span.rows, 3);
    ASSERT_EQ(Fill(dcm, 111, block, 1024, 512), 1);

    BytesTiles tiles(file.bytes);
    std::vector<int16_t> expected(kCells);
    oracle::ResampleBlock(111, expected.data(), kCopyLat0, kCopyLon0, 1024, 512, grid, &BytesTiles::Lookup, &tiles, 0);
    EXPECT_EQ(block, expected);

    // The same walk through a cache of the same policy gives the slots' final contents.
    testsupport::FakeTileSource policy([](int32_t, int32_t) { return int16_t{0}; }, 4);
    std::vector<int16_t> scratch(kCells);
    oracle::ResampleBlock(111, scratch.data(), kCopyLat0, kCopyLon0, 1024, 512, grid,
                          &testsupport::FakeTileSource::Lookup, &policy, 0);
    ASSERT_GT(policy.loads.size(), 5u);
    EXPECT_EQ(dcm.SlotId(0), policy.loads.back());
    EXPECT_EQ(dcm.SlotId(1), policy.loads[1]);
    EXPECT_EQ(dcm.SlotId(2), policy.loads[2]);
    EXPECT_EQ(dcm.SlotId(3), policy.loads[3]);
    // Slot 0 was loaded again and again; the store read each of the nine tiles once.
    EXPECT_EQ(dcm.TileReads(), 9);
}

TEST(DcmFill, BlocksReachingMoreThanThreeTilesEachWayReadAsMissing) {
    // Map cells two to three times the source's: the block's reach decides, each way on its own.
    DriveRoot root;
    const auto file = gen::BuildDcm(CopyLayout(5, 5), [](double, double) { return 77.0; });
    root.Write(kPath, file.bytes);
    const base::SourceGrid grid{0.0, 0.0, 2048, 1024};
    struct Case {
        int32_t id;
        double cpdLat, cpdLon;
        int64_t columns, rows;
    } const cases[] = {
        {111, 1024, 512, 3, 3},         // twice as coarse, 40 cells in: three tiles each way
        {100, 2048 / 3.5, 1024, 2, 4},  // 3.5 times as coarse north-south
        {100, 1024, 1024 / 3.5, 4, 2},  // 3.5 times as coarse east-west
        {100, 2048, 1024, 2, 2},        // the source's own grid
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.id << " " << c.cpdLat << " x " << c.cpdLon);
        const base::TileSpan span = base::BlockTileSpan(c.id, kCopyLat0, kCopyLon0, c.cpdLat, c.cpdLon, grid);
        EXPECT_EQ(span.columns, c.columns);
        EXPECT_EQ(span.rows, c.rows);
        CDcmElevation dcm;
        ASSERT_EQ((dcm.Open(kPath)).status, Status::kOk);
        std::vector<int16_t> block;
        ASSERT_EQ(Fill(dcm, c.id, block, c.cpdLat, c.cpdLon), 1);
        const bool sampled = c.columns <= 3 && c.rows <= 3;
        EXPECT_EQ(block, std::vector<int16_t>(kCells, sampled ? 77 : 0));
        EXPECT_EQ(dcm.TileReads() > 0, sampled);
    }
}

TEST(DcmFill, HeaderWithoutEntriesFillsZerosAndSucceeds) {
    DriveRoot root;
    auto bytes = gen::BuildDcm(CopyLayout(1, 1), &TileMarked).bytes;
    PutI32(bytes, 6, 0);
    root.Write(kPath, bytes);
    CDcmElevation dcm;
    ASSERT_EQ((dcm.Open(kPath)).status, Status::kOk);
    std::vector<int16_t> block;
    EXPECT_EQ(Fill(dcm, 100, block), 1);
    EXPECT_EQ(block, std::vector<int16_t>(kCells, 0));
}

TEST(DcmFill, UnusableFileZeroesTheWholeBlock) {
    DriveRoot root;
    root.Write(kPath, gen::BuildDcm(CopyLayout(1, 1), &TileMarked).bytes);
    std::vector<int16_t> block;
    {
        CDcmElevation never;
        EXPECT_EQ(Fill(never, 100, block), 0);
        EXPECT_EQ(block, std::vector<int16_t>(kCells, 0));
    }
    {
        // A failed open after a good one leaves the object not ready.
        CDcmElevation dcm;
        ASSERT_EQ((dcm.Open(kPath)).status, Status::kOk);
        EXPECT_FALSE(dcm.Open("C:\\DEM\\NONE.DCM"));
        EXPECT_EQ(Fill(dcm, 100, block), 0);
        EXPECT_EQ(block, std::vector<int16_t>(kCells, 0));
    }
    {
        // Removed after the open: zeros, no tile read.
        CDcmElevation dcm;
        ASSERT_EQ((dcm.Open(kPath)).status, Status::kOk);
        root.Remove(kPath);
        EXPECT_EQ(Fill(dcm, 100, block), 0);
        EXPECT_EQ(block, std::vector<int16_t>(kCells, 0));
        EXPECT_EQ(dcm.TileReads(), 0);
    }
}

TEST(DcmShortFile, MissingBytesReadAsZeros) {
    DriveRoot root;
    const auto full = gen::BuildDcm(CopyLayout(1, 1), [](double, double) { return -5.0; }).bytes;
    std::vector<int16_t> block;
    {
        // The tile stops after 100 rows and one byte.
        const size_t tileAt = static_cast<size_t>(GetI32(full, gen::dcm::kHeaderSize + 4));
        std::vector<uint8_t> cut(full.begin(), full.begin() + static_cast<long>(tileAt + 100 * 640 + 1));
        root.Write(kPath, cut);
        CDcmElevation dcm;
        ASSERT_EQ((dcm.Open(kPath)).status, Status::kOk);
        ASSERT_EQ(Fill(dcm, 100, block), 1);
        EXPECT_EQ(block[99 * 320 + 319], -5);
        EXPECT_EQ(block[100 * 320], 0x00FB);  // low byte of -5 present, high byte missing
        EXPECT_EQ(block[100 * 320 + 1], 0);
        EXPECT_EQ(block[319 * 320 + 319], 0);
    }
    {
        // The index lies past the end of the file: its entries read as zeros, so no tile is found.
        auto moved = full;
        PutI32(moved, 10, static_cast<int32_t>(full.size()) - 8);
        root.Write(kPath, moved);
        CDcmElevation dcm;
        ASSERT_EQ((dcm.Open(kPath)).status, Status::kOk);
        ASSERT_EQ(Fill(dcm, 100, block), 1);
        EXPECT_EQ(block, std::vector<int16_t>(kCells, 0));
    }
    {
        // A tile offset that is negative or past the end reads as zeros.
        for (const int32_t offset : {-204800, static_cast<int32_t>(full.size()) + 10}) {
            auto bad = full;
            PutI32(bad, gen::dcm::kHeaderSize + 4, offset);
            root.Write(kPath, bad);
            CDcmElevation dcm;
            ASSERT_EQ((dcm.Open(kPath)).status, Status::kOk);
            ASSERT_EQ(Fill(dcm, 100, block), 1);
            EXPECT_EQ(block, std::vector<int16_t>(kCells, 0)) << offset;
        }
    }
    {
        // Only the magic and the zero word, or the magic and the word's low byte (its missing
        // high byte reads as zero): no entries, and no grid to sample (zeros). A non-zero low
        // byte is still refused.
        const std::vector<uint8_t> magic{'B', 'E', 'V', 'M'};
        struct Case {
            std::vector<uint8_t> tail;
            int opens;
        };
        for (const Case& c : {Case{{0, 0}, 1}, Case{{0}, 1}, Case{{1}, 0}, Case{{}, 1}}) {
            auto bytes = magic;
            bytes.insert(bytes.end(), c.tail.begin(), c.tail.end());
            root.Write(kPath, bytes);
            CDcmElevation dcm;
            ASSERT_EQ(dcm.Open(kPath).status, c.opens ? Status::kOk : Status::kNotThisFormat) << bytes.size();
            if (!c.opens) continue;
            EXPECT_EQ(dcm.IndexCount(), 0);
            EXPECT_FALSE(dcm.HasDatumTag());
            ASSERT_EQ(Fill(dcm, 100, block), 1);
            EXPECT_EQ(block, std::vector<int16_t>(kCells, 0));
        }
    }
}

TEST(DcmDatum, NameIsBoundedToItsField) {
    DriveRoot root;
    auto bytes = gen::BuildDcm(CopyLayout(1, 1), &TileMarked).bytes;
    std::memcpy(bytes.data() + 30, "DATM", 4);
    std::fill(bytes.begin() + 34, bytes.begin() + 214, static_cast<uint8_t>('X'));  // no terminator
    root.Write(kPath, bytes);
    CDcmElevation dcm;
    ASSERT_EQ((dcm.Open(kPath)).status, Status::kOk);
    EXPECT_EQ(dcm.DatumName(), std::string(180, 'X'));
    // "DATM" must be exact.
    std::memcpy(bytes.data() + 30, "DATm", 4);
    root.Write(kPath, bytes);
    ASSERT_EQ((dcm.Open(kPath)).status, Status::kOk);
    EXPECT_FALSE(dcm.HasDatumTag());
    EXPECT_EQ(dcm.DatumName(), "");
}

TEST(DcmFill, GeneratedLandscapeMatchesTheReferenceAndTheTerrain) {
    // The 5 m grid of a sheet near the summit against a 50 m file of the same terrain.
    DriveRoot root;
    const auto layout = gen::LayoutForBox(35.30, 138.65, 35.45, 138.80);
    const auto file = gen::BuildDcm(layout);
    root.Write(kPath, file.bytes);
    CDcmElevation dcm;
    ASSERT_EQ((dcm.Open(kPath)).status, Status::kOk);
    BytesTiles tiles(file.bytes);
    const base::SourceGrid grid{layout.originLatSeconds * (1.0 / 3600), layout.originLonSeconds * (1.0 / 3600),
                                static_cast<double>(layout.cellsPerDegLat), static_cast<double>(layout.cellsPerDegLon)};
    const double cpdLat = 22500.0;  // 0.16" rows, about 4.9 m
    const double cpdLon = 18000.0;
    const double lat0 = 35.33;
    const double lon0 = 138.69;
    double errorSum = 0;
    int errorCount = 0;
    std::vector<int16_t> block;
    std::vector<int16_t> expected(kCells);
    for (const int32_t id : {100, 300, 20500, 50300, 70600}) {
        ASSERT_EQ(Fill(dcm, id, block, cpdLat, cpdLon, lat0, lon0), 1);
        oracle::ResampleBlock(id, expected.data(), lat0, lon0, cpdLat, cpdLon, grid, &BytesTiles::Lookup, &tiles, 0);
        ASSERT_EQ(block, expected) << id;
        const base::CellPos first = BlockIdToCell(id);
        for (int r = 0; r < 320; r += 16) {
            for (int k = 0; k < 320; k += 16) {
                const double lat = lat0 + (first.firstRow + r) / cpdLat;
                const double lon = lon0 + (first.firstColumn + k) / cpdLon;
                errorSum += std::fabs(block[r * 320 + k] - gen::TerrainElevation(lat, lon));
                ++errorCount;
            }
        }
    }
    // Bilinear 50 m cells on the flanks stay within a few metres of the terrain on average.
    EXPECT_LT(errorSum / errorCount, 2.0);
}

TEST(DcmFill, RandomGeometriesMatchTheReferenceThroughTheSameCache) {
    // One object fills with ResampleBlock, the other with the step-by-step reference; blocks,
    // tile reads and the slots left behind must agree.
    DriveRoot root;
    const auto layout = gen::LayoutForBox(35.30, 138.65, 35.45, 138.80);
    root.Write(kPath, gen::BuildDcm(layout).bytes);
    CDcmElevation fast;
    CDcmElevation reference;
    ASSERT_EQ((fast.Open(kPath)).status, Status::kOk);
    ASSERT_EQ((reference.Open(kPath)).status, Status::kOk);
    std::mt19937_64 rng(11);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    std::vector<int16_t> block(kCells);
    std::vector<int16_t> expected(kCells);
    for (int trial = 0; trial < 40; ++trial) {
        // From a map finer than 5 m to one twice as coarse as the file.
        const double scale = trial % 4 == 0 ? 0.5 + 0.4 * unit(rng) : 5.0 + 10.0 * unit(rng);
        const double cpdLat = 2400 * scale;
        const double cpdLon = 1800 * scale * (0.8 + 0.4 * unit(rng));
        const double lat0 = 35.29 + 0.1 * unit(rng);
        const double lon0 = 138.64 + 0.1 * unit(rng);
        const int32_t id = 100 + static_cast<int32_t>(rng() % 6) * 100 + static_cast<int32_t>(rng() % 6) * 10000;
        ASSERT_EQ(fast.FillBlock(id, block.data(), lat0, lon0, cpdLat, cpdLon), 1);
        ASSERT_EQ(reference.FillBlockWith(&oracle::ResampleBlock, id, expected.data(), lat0, lon0, cpdLat, cpdLon), 1);
        ASSERT_EQ(block, expected) << trial;
        ASSERT_EQ(fast.TileReads(), reference.TileReads()) << trial;
        for (int s = 0; s < CDcmElevation::kSlots; ++s) ASSERT_EQ(fast.SlotId(s), reference.SlotId(s)) << trial;
    }
}

}  // namespace
