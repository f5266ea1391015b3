#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "lem/lem_map.h"
#include "tests/plugin/plugin_fixture.h"
#include "tests/plugin/sheet_fixture.h"

namespace plugintest {
namespace {

using Names = std::vector<std::string>;

class MapProcTest : public PluginFixture {
protected:
    void SetUp() override {
        StartModule();
        // The composite dialog has its own tests; here it stays hidden.
        host().Profiles().SetInt(kPluginId, "DCMView", 1);
    }
    static CLemMap* Record(uint32_t handle) { return plugin::State().openMaps.Lookup(handle); }
};

TEST_F(MapProcTest, FileTypeFillsFlagsAndTextsOnly) {
    const hostsim::FileTypeAnswer answer = host().Maps().RequestFileType();
    EXPECT_EQ(answer.result, 0);
    EXPECT_EQ(answer.record.flag4, 1);
    EXPECT_EQ(answer.record.flag5, 1);
    EXPECT_EQ(answer.filterName, std::optional<std::string>("数値地図火山標高 [*.LEM]"));
    EXPECT_EQ(answer.pattern, std::optional<std::string>("*.LEM"));
    EXPECT_EQ(static_cast<uint32_t>(answer.record.reserved0), 0xEEEEEEEEu);
    EXPECT_EQ(answer.record.reserved6[0], 0xEE);
    EXPECT_EQ(answer.record.reserved6[1], 0xEE);
}

TEST_F(MapProcTest, NullAddressesAreAnsweredZeroWithoutTouchingMemory) {
    for (int32_t code : {101, 2001, 2003, 2004, 2011, 2012}) {
        EXPECT_EQ(LemMapProc(code, 16, 0), 0) << code;
    }
    tagBLOCKREQUEST request{};
    request.blockId = 101282900;
    request.values = nullptr;
    EXPECT_EQ(LemMapProc(2012, 16, olx::ToParam(&request)), 0);
    EXPECT_EQ(plugin::State().openMaps.Count(), 0u);
}

TEST_F(MapProcTest, UnknownCodesAndUnknownHandlesChangeNothing) {
    const std::string path = WriteSheet(SmallSheet());
    const uint32_t handle = host().Maps().OpenFile(path);
    ASSERT_NE(handle, 0u);
    host().Log().Clear();

    std::vector<int16_t> block(olx::kBlockCells, 77);
    tagBLOCKREQUEST request{0, 101282900, block.data()};
    int32_t word = 5;
    for (int32_t code : {0, 99, 102, 2000, 2002, 2005, 2013, 2020, 2022, -2011}) {
        EXPECT_EQ(LemMapProc(code, handle, olx::ToParam(&word)), 0) << code;
    }
    EXPECT_EQ(word, 5);
    EXPECT_EQ(LemMapProc(2012, handle + 1, olx::ToParam(&request)), 0);
    EXPECT_EQ(LemMapProc(2021, handle + 1, 0), 0);
    EXPECT_EQ(block, std::vector<int16_t>(olx::kBlockCells, 77));
    EXPECT_TRUE(host().Log().Names(hostsim::Call::Kind::Host).empty());
    EXPECT_EQ(plugin::State().openMaps.Count(), 1u);
    EXPECT_NE(Record(handle), nullptr);
}

TEST_F(MapProcTest, BlockBeforeAnyMapIsZeroAndLeavesTheBuffer) {
    std::vector<int16_t> block(olx::kBlockCells, -3);
    tagBLOCKREQUEST request{0, 101282900, block.data()};
    EXPECT_EQ(LemMapProc(2012, 16, olx::ToParam(&request)), 0);
    EXPECT_EQ(block, std::vector<int16_t>(olx::kBlockCells, -3));
    EXPECT_FALSE(plugin::State().openMaps.HasBuckets());
}

TEST_F(MapProcTest, OpenThenDescribeOpensOnceAndKeepsOneEntry) {
    const std::string path = WriteSheet(SmallSheet());
    const uint32_t handle = host().Maps().OpenFile(path);
    ASSERT_NE(handle, 0u);
    EXPECT_EQ(host().Log().Count("OLX_GetMapFile"), 0);
    const hostsim::OpenMap* map = host().Maps().FindOpenMap(handle);
    ASSERT_NE(map, nullptr);
    EXPECT_EQ(map->recognised, 1);
    EXPECT_EQ(map->opened, 1);
    EXPECT_EQ(map->described, 1);
    EXPECT_EQ(plugin::State().openMaps.Count(), 1u);
    CLemMap* record = Record(handle);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->Cols, 40);

    // A repeated describe rebuilds the index of the same record.
    EXPECT_EQ(host().Maps().Describe(handle), 1);
    EXPECT_EQ(Record(handle), record);
    EXPECT_EQ(plugin::State().openMaps.Count(), 1u);
}

TEST_F(MapProcTest, DescribeWithoutOpenAsksTheHostForTheMapFile) {
    const std::string path = WriteSheet(SmallSheet());
    host().Maps().SetMapFile(48, path);
    EXPECT_EQ(host().Maps().Describe(48), 1);
    EXPECT_EQ(host().Log().Count("OLX_GetMapFile"), 1);
    EXPECT_EQ(HostCalls().front(), "OLX_GetMapFile");
    ASSERT_NE(Record(48), nullptr);
    EXPECT_EQ(Record(48)->Cols, 40);
}

TEST_F(MapProcTest, DescribeOfAPathThatIsNoDatasetFailsAndEntersNothing) {
    host().Maps().SetMapFile(48, "C:\\NOWHERE\\X.LEM");
    host().Maps().SetCloseOnDescribeFailure(false);
    EXPECT_EQ(host().Maps().Describe(48), 0);
    EXPECT_EQ(plugin::State().openMaps.Count(), 0u);
    EXPECT_EQ(host().Log().Count("OLX_GetProfileInt"), 0);  // the composite steps never ran
}

TEST_F(MapProcTest, SecondOpenOfAHandleReplacesItsRecord) {
    const std::string first = WriteSheet(SmallSheet("ONE"));
    const std::string second = WriteSheet(WideSheet("TWO"));
    ASSERT_EQ(LemMapProc(2004, 32, olx::ToParam(first.c_str())), 1);
    ASSERT_EQ(LemMapProc(2004, 32, olx::ToParam(second.c_str())), 1);
    EXPECT_EQ(plugin::State().openMaps.Count(), 1u);
    ASSERT_NE(Record(32), nullptr);
    EXPECT_EQ(Record(32)->BaseName, "TWO");
    EXPECT_EQ(LemMapProc(2004, 32, olx::ToParam("C:\\NOWHERE\\X.LEM")), 0);
    EXPECT_EQ(Record(32)->BaseName, "TWO");
}

TEST_F(MapProcTest, CloseRemovesTheMapAndSharedBucketNeighboursStay) {
    const std::string path = WriteSheet(SmallSheet());
    host().Maps().SetNextHandle(16);
    host().Maps().SetHandleStep(272);  // 16 and 288: both in bucket 1
    const uint32_t a = host().Maps().OpenFile(path);
    const uint32_t b = host().Maps().OpenFile(path);
    ASSERT_EQ(a, 16u);
    ASSERT_EQ(b, 288u);
    EXPECT_EQ(plugin::State().openMaps.HandlesInOrder(), (std::vector<uint32_t>{288, 16}));

    EXPECT_EQ(host().Maps().CloseMap(a), 1);
    EXPECT_EQ(Record(a), nullptr);
    std::vector<int16_t> block(olx::kBlockCells, 0);
    EXPECT_EQ(host().Maps().ReadBlock(b, 101282900, block.data()), 1);
    EXPECT_EQ(LemMapProc(2021, a, 0), 0);

    EXPECT_EQ(host().Maps().CloseMap(b), 1);
    EXPECT_FALSE(plugin::State().openMaps.HasBuckets());
    EXPECT_EQ(plugin::State().openMaps.BlockCount(), 0u);
}

TEST_F(MapProcTest, ElevenOpenMapsTakeTwoPoolBlocksAndReleaseFreesThem) {
    const std::string path = WriteSheet(SmallSheet());
    std::vector<uint32_t> handles;
    for (int i = 0; i < 11; ++i) {
        handles.push_back(host().Maps().OpenFile(path));
        ASSERT_NE(handles.back(), 0u);
    }
    EXPECT_EQ(plugin::State().openMaps.Count(), 11u);
    EXPECT_EQ(plugin::State().openMaps.BlockCount(), 2u);

    host().Log().Clear();
    Release();
    EXPECT_TRUE(host().Log().Entries().empty());
    EXPECT_EQ(plugin::State().openMaps.Count(), 0u);
    EXPECT_FALSE(plugin::State().openMaps.HasBuckets());
    EXPECT_EQ(plugin::State().openMaps.BlockCount(), 0u);
    for (uint32_t h : handles) EXPECT_EQ(LemMapProc(2021, h, 0), 0);

    // The table fills again after Release.
    EXPECT_NE(host().Maps().OpenFile(path), 0u);
    EXPECT_EQ(plugin::State().openMaps.BlockCount(), 1u);
}

// The small sheet with a value in every cell.
gen::LemSheet FullSmallSheet() {
    gen::LemSheetOptions o = SmallSheet();
    o.lake = false;
    o.outsideSurvey = false;
    return gen::MakeLemSheet(o);
}

TEST_F(MapProcTest, BlockRequestReachesTheRecordsReadBlock) {
    const gen::LemSheet sheet = FullSmallSheet();
    ASSERT_TRUE(gen::WriteLemSheetAt(sheet, "C:\\V"));
    host().Profiles().SetInt(kPluginId, "Region", 2);
    const uint32_t handle = host().Maps().OpenFile("C:\\V\\LEM\\SMALL.LEM");
    ASSERT_NE(handle, 0u);
    // Margin 2: R2 = 1, the LEM grid starts at whole-map column and row 320, the block whose
    // identifier has row digits 01 and column digits 02 (Xb = 320, Yb = 320).
    std::vector<int16_t> block(olx::kBlockCells, 0);
    ASSERT_EQ(host().Maps().ReadBlock(handle, 10200, block.data()), 1);
    // Block row 0 is the southernmost LEM row (29), column 0 the westernmost.
    int16_t expected = 0;
    ASSERT_TRUE(gen::LemSheet::Metres(sheet.At(29, 0), &expected));
    EXPECT_EQ(block[0], expected);
    ASSERT_TRUE(gen::LemSheet::Metres(sheet.At(0, 39), &expected));
    EXPECT_EQ(block[29 * 320 + 39], expected);
}

TEST_F(MapProcTest, EveryOpenMapPlacesItsBlocksWithTheLatestRegion) {
    const gen::LemSheet sheet = FullSmallSheet();
    ASSERT_TRUE(gen::WriteLemSheetAt(sheet, "C:\\V"));
    ASSERT_TRUE(gen::WriteLemSheetAt(sheet, "C:\\W"));
    int16_t southWest = 0;
    ASSERT_TRUE(gen::LemSheet::Metres(sheet.At(29, 0), &southWest));

    host().Profiles().SetInt(kPluginId, "Region", 2);
    const uint32_t first = host().Maps().OpenFile("C:\\V\\LEM\\SMALL.LEM");
    ASSERT_NE(first, 0u);
    // A later map read with Region 4 moves the first map's sheet too: the margin is the
    // module's, and at 4 the sheet's first block is the one with row and column digits 02, 03.
    host().Profiles().SetInt(kPluginId, "Region", 4);
    const uint32_t second = host().Maps().OpenFile("C:\\W\\LEM\\SMALL.LEM");
    ASSERT_NE(second, 0u);
    for (const uint32_t handle : {first, second}) {
        SCOPED_TRACE(handle);
        std::vector<int16_t> block(olx::kBlockCells, 0);
        ASSERT_EQ(host().Maps().ReadBlock(handle, 20300, block.data()), 1);
        EXPECT_EQ(block[0], southWest);
        std::vector<int16_t> before(olx::kBlockCells, 0);
        ASSERT_EQ(host().Maps().ReadBlock(handle, 10200, before.data()), 1);
        EXPECT_EQ(before, std::vector<int16_t>(olx::kBlockCells, 0));
    }
    EXPECT_EQ(Record(first)->Margin, 4);
}

// ---- the map-info record

struct RegionCase {
    const char* label;
    std::optional<int32_t> stored;
    int32_t region;
};

class MapInfoTest : public MapProcTest, public ::testing::WithParamInterface<RegionCase> {};

TEST_P(MapInfoTest, DescribesTheWholeMapAroundTheSheet) {
    const RegionCase& c = GetParam();
    if (c.stored) host().Profiles().SetInt(kPluginId, "Region", *c.stored);
    host().Maps().SetMapInfoFill(0xA5);
    const std::string path = WriteSheet(WideSheet());
    const uint32_t handle = host().Maps().OpenFile(path);
    ASSERT_NE(handle, 0u);
    const hostsim::OpenMap* map = host().Maps().FindOpenMap(handle);
    ASSERT_NE(map, nullptr);
    const tagMAPINFO& info = map->info;

    // The corners as the header gives them, in the header's arithmetic.
    const double south = 35.0 + 0 * 0.016666666666666666 + 0 * 0.0002777777777777778;
    const double north = 35.0 + 5 * 0.016666666666666666 + 0 * 0.0002777777777777778;
    const double west = 138.0 + 0 * 0.016666666666666666 + 0 * 0.0002777777777777778;
    const double east = 138.0 + 7 * 0.016666666666666666 + 30 * 0.0002777777777777778;
    const double perLon = 2250 / (east - west);
    const double perLat = 1500 / (north - south);
    const double m = 320.0 * (c.region / 2);

    EXPECT_EQ(map->described, 1);
    EXPECT_EQ(info.size, 72);
    ASSERT_TRUE(map->hasTitle);
    EXPECT_EQ(map->title, "火山標高 富士山");
    EXPECT_EQ(info.flag8, 1);
    EXPECT_EQ(info.hostBytes9[0], 0x48);  // the host's bytes 9-11 stay
    EXPECT_EQ(info.hostBytes9[1], 0x53);
    EXPECT_EQ(info.hostBytes9[2], 0x54);
    EXPECT_EQ(info.one12, 1);
    EXPECT_EQ(info.cellsPerDegLon, perLon);
    EXPECT_EQ(info.cellsPerDegLat, perLat);
    EXPECT_EQ(info.south, south - m / perLat);
    EXPECT_EQ(info.west, west - m / perLon);
    EXPECT_EQ(info.north, north + m / perLat);
    EXPECT_EQ(info.east, east + m / perLon);
    EXPECT_EQ(info.width, 2250 + 320 * c.region);
    EXPECT_EQ(info.height, 1500 + 320 * c.region);

    EXPECT_NEAR(info.cellsPerDegLon, 18000, 1e-6);
    EXPECT_NEAR(info.cellsPerDegLat, 18000, 1e-6);

    // The record keeps the same placement, the margin follows Region, and the key exists.
    CLemMap* record = Record(handle);
    ASSERT_NE(record, nullptr);
    EXPECT_EQ(record->CellsPerDegLon, info.cellsPerDegLon);
    EXPECT_EQ(record->CellsPerDegLat, info.cellsPerDegLat);
    EXPECT_EQ(record->OriginLat, info.south);
    EXPECT_EQ(record->OriginLon, info.west);
    EXPECT_EQ(plugin::State().margin, c.region);
    EXPECT_EQ(record->Margin, c.region);
    EXPECT_EQ(host().Profiles().Get(kPluginId, "Region"), std::optional<std::string>(std::to_string(c.region)));
}

INSTANTIATE_TEST_SUITE_P(Regions, MapInfoTest,
                         ::testing::Values(RegionCase{"r256", 256, 256}, RegionCase{"r0", 0, 0}, RegionCase{"r3", 3, 3},
                                           RegionCase{"absent", std::nullopt, 256}),
                         [](const auto& info) { return std::string(info.param.label); });

TEST_F(MapProcTest, Region256GivesTheDocumentedWholeMap) {
    const uint32_t handle = host().Maps().OpenFile(WriteSheet(WideSheet()));
    ASSERT_NE(handle, 0u);
    const tagMAPINFO& info = host().Maps().FindOpenMap(handle)->info;
    EXPECT_EQ(info.width, 84170);
    EXPECT_EQ(info.height, 83420);
    EXPECT_NEAR(info.south, 32.72444, 1e-5);
    EXPECT_NEAR(info.east, 140.40056, 1e-5);
}

TEST_F(MapProcTest, Region3MovesTheEdgesByOneBlockButWidensByThree) {
    host().Profiles().SetInt(kPluginId, "Region", 3);
    const uint32_t handle = host().Maps().OpenFile(WriteSheet(WideSheet()));
    ASSERT_NE(handle, 0u);
    const tagMAPINFO& info = host().Maps().FindOpenMap(handle)->info;
    EXPECT_EQ(info.width, 2250 + 960);
    EXPECT_NEAR((138.0 - info.west) * info.cellsPerDegLon, 320.0, 1e-6);
}

TEST_F(MapProcTest, TitleStaysValidAfterTheCallAndFollowsTheLatestDescribe) {
    const uint32_t a = host().Maps().OpenFile(WriteSheet(WideSheet("A")));
    const uint32_t b = host().Maps().OpenFile(WriteSheet(SmallSheet("B")));
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    const tagMAPINFO& info = host().Maps().FindOpenMap(b)->info;
    EXPECT_STREQ(info.title, "火山標高 小さな山");
}

// The host may read a title address long after the message that gave it; each later map-info
// message replaces the text, but no address handed out may ever point at moved or freed bytes.
TEST_F(MapProcTest, EveryTitleAddressHandedOutReadsTheLatestTitle) {
    const std::string titles[] = {"山", std::string(40, 'M') + "山", std::string(120, 'L') + "富士山",
                                  std::string(234, 'X') + "富士山"};
    std::vector<const char*> addresses;
    for (size_t i = 0; i < std::size(titles); ++i) {
        gen::LemSheetOptions options = SmallSheet("S" + std::to_string(i));
        options.title = titles[i];
        const std::string path = WriteSheet(options);
        const uint32_t handle = 16 * static_cast<uint32_t>(i + 1);
        ASSERT_EQ(LemMapProc(2004, handle, olx::ToParam(path.c_str())), 1);
        tagMAPINFO info{};
        ASSERT_EQ(LemMapProc(2011, handle, olx::ToParam(&info)), 1);
        addresses.push_back(info.title);
        const std::string expected = "火山標高 " + titles[i];
        for (const char* address : addresses) EXPECT_STREQ(address, expected.c_str()) << i;
    }
}

// GetHeader can fail after it has read the header (the data file went away): the row table then
// holds present/absent flags, not offsets. Blocks of that map must place nothing even once the
// data file is back.
TEST_F(MapProcTest, MapWhoseIndexFailedAtTheDataFilePlacesNoValues) {
    const gen::LemSheetOptions options = SmallSheet();
    const std::string path = WriteSheet(options);
    const std::string data = gen::LemDataText(gen::MakeLemSheet(options));
    ASSERT_EQ(LemMapProc(2004, 16, olx::ToParam(path.c_str())), 1);
    root_.Remove(path);
    tagMAPINFO info{};
    EXPECT_EQ(LemMapProc(2011, 16, olx::ToParam(&info)), 0);
    root_.Write(path, data);

    // Margin 256 (the default): block 101282900 starts at the sheet's south-west cell.
    std::vector<int16_t> block(olx::kBlockCells, 77);
    tagBLOCKREQUEST request{0, 101282900, block.data()};
    EXPECT_EQ(LemMapProc(2012, 16, olx::ToParam(&request)), 1);
    EXPECT_EQ(block, std::vector<int16_t>(olx::kBlockCells, 77));

    // A successful describe afterwards indexes the map and places its values again.
    ASSERT_EQ(LemMapProc(2011, 16, olx::ToParam(&info)), 1);
    EXPECT_EQ(LemMapProc(2012, 16, olx::ToParam(&request)), 1);
    EXPECT_NE(block, std::vector<int16_t>(olx::kBlockCells, 77));
}

TEST_F(MapProcTest, DescribeFailsWhenTheHeaderIsRefusedAndLeavesTheRecordInTheTable) {
    const std::string path = WriteSheet(SmallSheet());
    ASSERT_EQ(LemMapProc(2004, 64, olx::ToParam(path.c_str())), 1);
    // A header that still starts with 縮尺 (so the dataset is located) but lost its counts.
    root_.Write("C:\\V\\HEADER\\SMALL.CSV", std::string("\x8F\x6B\x8E\xDA,1\n"));
    tagMAPINFO info;
    std::memset(&info, 0x5A, sizeof info);
    const std::vector<uint8_t> before(reinterpret_cast<uint8_t*>(&info),
                                      reinterpret_cast<uint8_t*>(&info) + sizeof info);
    host().Log().Clear();
    EXPECT_EQ(LemMapProc(2011, 64, olx::ToParam(&info)), 0);
    EXPECT_EQ(std::vector<uint8_t>(reinterpret_cast<uint8_t*>(&info), reinterpret_cast<uint8_t*>(&info) + sizeof info),
              before);
    EXPECT_NE(Record(64), nullptr);
    EXPECT_EQ(HostCalls(), Names{});  // no settings read, no dialog
    EXPECT_TRUE(host().Log().Names(hostsim::Call::Kind::Desktop).empty());
}

}  // namespace
}  // namespace plugintest
