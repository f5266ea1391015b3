#include "base/xem_elevation.h"
#include "tests/support/result_printer.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "hostsim/host.h"
#include "tests/base/resample_oracle.h"
#include "tools/gen/dcm_writer.h"
#include "tools/gen/terrain.h"

namespace {

// The guidebook set identifier that the host fills.
uint8_t g_setId[kGuidebookSetIdSize];

constexpr int kCells = 320 * 320;

int64_t g_now = 1000;
int64_t TestClock() {
    return g_now;
}

class XemTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostsim::Reset();
        g_now = 1000;
    }
    void TearDown() override { hostsim::Reset(); }

    // A set whose tile N holds the value N / 100 everywhere (tile 100 holds 1, 200 holds 2, ...).
    static void InstallMarkedSet() {
        hostsim::Get().Guidebook().SetSource(hostsim::MakeSetInfo(35.0, 138.0, 2048, 1024, hostsim::kDatumTokyo),
                                             [](int32_t id, int16_t* out) {
                                                 for (int i = 0; i < kCells; ++i)
                                                     out[i] = static_cast<int16_t>(id / 100);
                                                 return true;
                                             });
    }

    static std::unique_ptr<CXemElevation> OpenSet() {
        MakeGuidebookSetId(g_setId, 1);
        auto xem = std::make_unique<CXemElevation>(&TestClock);
        EXPECT_EQ((xem->Open(g_setId, "GUIDEDEM")).status, platform::Status::kOk);
        return xem;
    }
};

TEST_F(XemTest, SetIdentifierRequestCarriesTheNineFields) {
    for (const int32_t n : {1, 7}) {
        hostsim::Get().Log().Clear();
        MakeGuidebookSetId(g_setId, n);
        const auto calls = hostsim::Get().Log().Calls("OLX_MakeMapSetID");
        ASSERT_EQ(calls.size(), 1u);
        EXPECT_EQ(calls[0].args, "id, {36 1 235 116 1 1 0 " + std::to_string(n) + " 0}");
        tagMAPSETIDINFO info{{36, 1, 235, 116, 1, 1, 0, n, 0}};
        const std::vector<uint8_t> expected = hostsim::MapSetIdBytes(info);
        EXPECT_EQ(std::vector<uint8_t>(g_setId, g_setId + kGuidebookSetIdSize), expected);
    }
}

TEST_F(XemTest, OpenReadsTheSetDescription) {
    hostsim::Get().Guidebook().SetSource(hostsim::MakeSetInfo(34.5, 137.25, 2400, 1800, hostsim::kDatumJgd2000),
                                         [](int32_t, int16_t*) { return true; });
    hostsim::Get().Log().Clear();
    auto xem = OpenSet();
    EXPECT_NE(xem->Handle(), 0u);
    EXPECT_EQ(xem->Info().lat, 34.5);
    EXPECT_EQ(xem->Info().lon, 137.25);
    EXPECT_EQ(xem->Info().cellsPerDegLat, 2400);
    EXPECT_EQ(xem->Info().cellsPerDegLon, 1800);
    EXPECT_EQ(xem->Info().datum, hostsim::kDatumJgd2000);
    EXPECT_EQ(hostsim::Get().Log().Names(hostsim::Call::Kind::Host),
              (std::vector<std::string>{"OLX_MakeMapSetID", "OLX_XEM_Open", "OLX_XEM_GetMapsetInfo"}));
    EXPECT_EQ(hostsim::Get().Log().Calls("OLX_XEM_GetMapsetInfo")[0].args,
              std::to_string(xem->Handle()) + ", {size=112}");
    // Deleting the object closes its handle.
    const uint32_t handle = xem->Handle();
    xem.reset();
    EXPECT_EQ(hostsim::Get().Guidebook().OpenHandles().count(handle), 0u);
    EXPECT_EQ(hostsim::Get().Log().Calls("OLX_XEM_Close").back().args, std::to_string(handle));
}

TEST_F(XemTest, FailedOpenLeavesNoHandle) {
    struct Case {
        const char* what;
        bool install;
        bool failOpen;
        bool failInfo;
        const char* name;
        int closes;
    };
    const Case cases[] = {
        {"no guidebook set", false, false, false, "GUIDEDEM", 0},
        {"decoder refuses the set", true, true, false, "GUIDEDEM", 0},
        {"wrong set name", true, false, false, "GUIDEDEN", 0},
        {"description unavailable", true, false, true, "GUIDEDEM", 1},
    };
    for (const Case& c : cases) {
        hostsim::Reset();
        if (c.install) InstallMarkedSet();
        hostsim::Get().Guidebook().SetFailOpen(c.failOpen);
        hostsim::Get().Guidebook().SetFailInfo(c.failInfo);
        MakeGuidebookSetId(g_setId, 1);
        CXemElevation xem(&TestClock);
        EXPECT_FALSE(xem.Open(g_setId, c.name)) << c.what;
        EXPECT_EQ(xem.Handle(), 0u) << c.what;
        EXPECT_TRUE(hostsim::Get().Guidebook().OpenHandles().empty()) << c.what;
        EXPECT_EQ(hostsim::Get().Log().Count("OLX_XEM_Close"), c.closes) << c.what;
        // Without a set the block is left as it was.
        std::vector<int16_t> block(kCells, 4321);
        EXPECT_EQ(xem.FillBlock(100, block.data(), 35.0, 138.0, 16384, 8192), 0) << c.what;
        EXPECT_EQ(block, std::vector<int16_t>(kCells, 4321)) << c.what;
        EXPECT_EQ(hostsim::Get().Guidebook().DecodeCountTotal(), 0) << c.what;
    }
}

TEST_F(XemTest, SecondOpenClosesTheFirstHandle) {
    InstallMarkedSet();
    auto xem = OpenSet();
    const uint32_t first = xem->Handle();
    ASSERT_EQ((xem->Open(g_setId, "GUIDEDEM")).status, platform::Status::kOk);
    EXPECT_NE(xem->Handle(), first);
    EXPECT_EQ(hostsim::Get().Guidebook().OpenHandles().size(), 1u);
}

TEST_F(XemTest, EleventhTileReplacesTheEarliestLoad) {
    InstallMarkedSet();
    auto xem = OpenSet();
    for (int i = 0; i < 10; ++i) {
        g_now = 1000 + 10 * ((i * 7) % 10);  // stamps out of slot order: slot 3 is earliest after slot 0
        (void)xem->GetTile(100 * (i + 1));
    }
    // Slot 0 loaded at 1000, the earliest.
    EXPECT_EQ(xem->GetTile(5000)[0], 50);
    EXPECT_EQ(xem->SlotId(0), 5000);
    g_now = 2000;
    (void)xem->GetTile(5100);
    // Next earliest: stamp 1010 on slot 3 (i = 3: 21 % 10 = 1).
    EXPECT_EQ(xem->SlotId(3), 5100);
    EXPECT_EQ(xem->SlotStamp(3), 2000);
}

TEST_F(XemTest, SameSecondLoadsGiveWayLowestSlotFirst) {
    InstallMarkedSet();
    auto xem = OpenSet();
    for (int i = 0; i < 10; ++i) (void)xem->GetTile(100 * (i + 1));  // all at 1000
    g_now = 1001;
    for (int i = 0; i < 4; ++i) (void)xem->GetTile(20000 + 100 * i);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(xem->SlotId(i), 20000 + 100 * i);
    for (int i = 4; i < 10; ++i) EXPECT_EQ(xem->SlotId(i), 100 * (i + 1));
}

TEST_F(XemTest, LoadsOfOneSecondGiveWayInTheOrderTheyCame) {
    // Ten tiles loaded within one second, then slot 0 replaced in that same second: the next
    // load replaces slot 1, the earliest load left, not slot 0 again.
    InstallMarkedSet();
    auto xem = OpenSet();
    for (int i = 0; i < 10; ++i) (void)xem->GetTile(100 * (i + 1));
    (void)xem->GetTile(20000);
    (void)xem->GetTile(20100);
    EXPECT_EQ(xem->SlotId(0), 20000);
    EXPECT_EQ(xem->SlotId(1), 20100);
    EXPECT_EQ(xem->SlotId(2), 300);

    // A 5 m block across a tile boundary each way, all ten slots stamped in the same second by
    // far-away tiles: each of its four tiles is decoded once.
    for (int i = 0; i < 10; ++i) (void)xem->GetTile(50000100 + 100 * i);
    const int before = hostsim::Get().Guidebook().DecodeCountTotal();
    std::vector<int16_t> block(kCells);
    ASSERT_EQ(xem->FillBlock(100, block.data(), 35.0 + 300.0 / 2048, 138.0 + 310.0 / 1024, 22500, 18000), 1);
    EXPECT_EQ(hostsim::Get().Guidebook().DecodeCountTotal() - before, 4);
}

TEST_F(XemTest, FreeSlotIsTakenBeforeAnyOccupiedOne) {
    InstallMarkedSet();
    auto xem = OpenSet();
    // A clock at 0 gives occupied slots the same stamp as free ones.
    g_now = 0;
    for (int i = 0; i < 9; ++i) (void)xem->GetTile(100 * (i + 1));
    g_now = 50;
    (void)xem->GetTile(9900);
    EXPECT_EQ(xem->SlotId(9), 9900);
    EXPECT_EQ(xem->SlotId(0), 100);
}

TEST_F(XemTest, HitsDoNotRenewTheStamp) {
    InstallMarkedSet();
    auto xem = OpenSet();
    for (int i = 0; i < 10; ++i) {
        g_now = 1000 + i;
        (void)xem->GetTile(100 * (i + 1));
    }
    for (int t = 0; t < 50; ++t) {
        g_now = 1100 + t;
        EXPECT_EQ(xem->GetTile(100)[0], 1);
    }
    EXPECT_EQ(xem->SlotStamp(0), 1000);
    EXPECT_EQ(hostsim::Get().Guidebook().DecodeCount(100), 1);
    (void)xem->GetTile(7700);
    EXPECT_EQ(xem->SlotId(0), 7700);
}

TEST_F(XemTest, FailedDecodeIsCachedAsZeros) {
    InstallMarkedSet();
    hostsim::Get().Guidebook().FailDecode(300);
    auto xem = OpenSet();
    (void)xem->GetTile(200);
    const int16_t* tile = xem->GetTile(300);
    EXPECT_EQ(std::vector<int16_t>(tile, tile + kCells), std::vector<int16_t>(kCells, 0));
    (void)xem->GetTile(300);
    EXPECT_EQ(hostsim::Get().Guidebook().DecodeCount(300), 1);
    EXPECT_EQ(xem->SlotId(1), 300);
}

TEST_F(XemTest, FillAddsOneToEveryValue) {
    struct Case {
        const char* what;
        std::function<bool(int32_t, int16_t*)> tiles;
        int16_t even;  // value of even output columns (on a source cell)
        int16_t odd;   // half way between two source cells
    };
    const Case cases[] = {
        {"no data anywhere", [](int32_t, int16_t*) { return false; }, 1, 1},
        {"flat at 0 m",
         [](int32_t, int16_t* out) {
             std::fill(out, out + kCells, int16_t{0});
             return true;
         },
         1, 1},
        {"alternating -3, -2 m: -2.5 truncates to -2",
         [](int32_t, int16_t* out) {
             for (int i = 0; i < kCells; ++i) out[i] = static_cast<int16_t>(i % 2 == 0 ? -3 : -2);
             return true;
         },
         -2, -1},
    };
    for (const Case& c : cases) {
        hostsim::Reset();
        // Map twice as fine as the set, corner half a set cell in: sample k lies at set column k / 2.
        hostsim::Get().Guidebook().SetSource(hostsim::MakeSetInfo(35.0, 138.0, 2048, 1024, hostsim::kDatumTokyo),
                                             c.tiles);
        auto xem = OpenSet();
        std::vector<int16_t> block(kCells, 4321);
        ASSERT_EQ(xem->FillBlock(100, block.data(), 35.0 + 0.5 / 2048, 138.0 + 0.5 / 1024, 4096, 2048), 1) << c.what;
        EXPECT_EQ(block[0], c.even) << c.what;
        EXPECT_EQ(block[1], c.odd) << c.what;
        EXPECT_EQ(block[200 * 320 + 41], c.odd) << c.what;
    }
}

TEST_F(XemTest, CoarseMapsDecodeAtMostNineTilesABlock) {
    // A sheet header that claims 1 degree for 4 x 3 cells: every sample of a block would lie in
    // another tile of the set. Such a block is not sampled and costs no decoder call; a map
    // twice as coarse as the set, 40 cells in, still samples its 3 x 3 tiles, each decoded once.
    InstallMarkedSet();
    auto xem = OpenSet();
    std::vector<int16_t> block(kCells, 4321);
    ASSERT_EQ(xem->FillBlock(100, block.data(), 35.0, 138.0, 3, 4), 1);
    EXPECT_EQ(block, std::vector<int16_t>(kCells, 1));
    EXPECT_EQ(hostsim::Get().Guidebook().DecodeCountTotal(), 0);

    ASSERT_EQ(xem->FillBlock(111, block.data(), 35.0 + 0.5 / 2048, 138.0 + 0.5 / 1024, 1024, 512), 1);
    EXPECT_EQ(hostsim::Get().Guidebook().DecodeCountTotal(), 9);
    EXPECT_EQ(block[0], 1 + 1);                          // tile 100
    EXPECT_EQ(block[319 * 320 + 319], 20300 / 100 + 1);  // tile 20300
}

// The guidebook landscape: the synthetic terrain at about 50 m, stored one metre low.
constexpr double kSetLat = 35.0;
constexpr double kSetLon = 138.0;
void InstallLandscape() {
    hostsim::Get().Guidebook().SetSource(hostsim::MakeSetInfo(kSetLat, kSetLon, 2400, 1800, hostsim::kDatumTokyo),
                                         [](int32_t id, int16_t* out) {
                                             gen::SampleTile(kSetLat, kSetLon, 2400, 1800, id, out, {}, -1);
                                             return true;
                                         });
}

TEST_F(XemTest, LandscapeFillsMatchTheReferenceAndKeepTheirTiles) {
    InstallLandscape();
    auto xem = OpenSet();
    auto reference = OpenSet();
    const double cpdLat = 22500.0;
    const double cpdLon = 18000.0;
    const double lat0 = gen::kSummitLat - 0.02;
    const double lon0 = gen::kSummitLon - 0.02;
    const base::SourceGrid grid{kSetLat, kSetLon, 2400, 1800};
    auto lookup = [](void* context, int32_t id) { return static_cast<CXemElevation*>(context)->GetTile(id); };
    std::vector<int16_t> block(kCells);
    std::vector<int16_t> expected(kCells);
    double errorSum = 0;
    int errorCount = 0;
    int fill = 0;
    for (const int32_t id : {100, 200, 10100, 10200, 20300, 100, 30400, 40500, 50600, 60700, 70800}) {
        g_now = 5000 + fill++;
        ASSERT_EQ(xem->FillBlock(id, block.data(), lat0, lon0, cpdLat, cpdLon), 1);
        oracle::ResampleBlock(id, expected.data(), lat0, lon0, cpdLat, cpdLon, grid, lookup, reference.get(), 1);
        ASSERT_EQ(block, expected) << id;
        for (int s = 0; s < CXemElevation::kSlots; ++s) {
            ASSERT_EQ(xem->SlotId(s), reference->SlotId(s)) << id << " slot " << s;
            ASSERT_EQ(xem->SlotStamp(s), reference->SlotStamp(s)) << id << " slot " << s;
        }
        const base::CellPos first = BlockIdToCell(id);
        for (int r = 0; r < 320; r += 32) {
            for (int k = 0; k < 320; k += 32) {
                errorSum +=
                    std::fabs(block[r * 320 + k] - gen::TerrainElevation(lat0 + (first.firstRow + r) / cpdLat,
                                                                         lon0 + (first.firstColumn + k) / cpdLon));
                ++errorCount;
            }
        }
    }
    EXPECT_LT(errorSum / errorCount, 2.0);
    // Each distinct tile was decoded once per object; the repeated block 100 cost nothing.
    const int decodes = hostsim::Get().Guidebook().DecodeCountTotal();
    ASSERT_EQ(xem->FillBlock(100, block.data(), lat0, lon0, cpdLat, cpdLon), 1);
    EXPECT_EQ(hostsim::Get().Guidebook().DecodeCountTotal(), decodes);
}

}  // namespace
