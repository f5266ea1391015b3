#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "hostsim/host.h"
#include "olx/host_interface.h"

namespace {

class XemTest : public ::testing::Test {
protected:
    void SetUp() override {
        hostsim::Reset();
        const tagMAPSETIDINFO info = hostsim::GuidebookIdInfo(1);
        ASSERT_EQ(OLX_MakeMapSetID(id, &info), 1);
    }
    void InstallTiles() {
        host.Guidebook().SetSource(hostsim::MakeSetInfo(32.5, 135.5, 2400, 1800, 1), [](int32_t tile, int16_t* out) {
            if (tile == 404) return false;  // the set lacks it
            std::fill(out, out + olx::kBlockCells, static_cast<int16_t>(tile / 100));
            return true;
        });
    }
    hostsim::Host& host = hostsim::Get();
    uint8_t id[12] = {};
};

TEST_F(XemTest, SetIdIsTwelveBytesThatDependOnEveryField) {
    EXPECT_EQ(std::vector<uint8_t>(id, id + 12), hostsim::MapSetIdBytes(hostsim::GuidebookIdInfo(1)));
    EXPECT_EQ(host.Log().Calls("OLX_MakeMapSetID")[0].args, "id, {36 1 235 116 1 1 0 1 0}");
    tagMAPSETIDINFO base = hostsim::GuidebookIdInfo(1);
    for (int field = 0; field < 9; ++field) {
        tagMAPSETIDINFO changed = base;
        changed.field[field] += 1;
        EXPECT_NE(hostsim::MapSetIdBytes(changed), hostsim::MapSetIdBytes(base)) << field;
    }
    // Nothing is written beyond the 12 bytes.
    uint8_t buffer[16];
    std::memset(buffer, 0xAB, sizeof buffer);
    ASSERT_EQ(OLX_MakeMapSetID(buffer, &base), 1);
    EXPECT_EQ(buffer[12], 0xAB);
    EXPECT_EQ(OLX_MakeMapSetID(nullptr, &base), 0);
    EXPECT_EQ(OLX_MakeMapSetID(buffer, nullptr), 0);
}

TEST_F(XemTest, OpenNeedsAnInstalledSetItsIdAndItsName) {
    EXPECT_EQ(OLX_XEM_Open(id, "GUIDEDEM"), 0u);  // no set installed
    InstallTiles();
    uint8_t other[12];
    const tagMAPSETIDINFO variant2 = hostsim::GuidebookIdInfo(2);
    ASSERT_EQ(OLX_MakeMapSetID(other, &variant2), 1);
    EXPECT_EQ(OLX_XEM_Open(other, "GUIDEDEM"), 0u);
    EXPECT_EQ(OLX_XEM_Open(id, "GUIDEDEm"), 0u);
    EXPECT_EQ(OLX_XEM_Open(id, nullptr), 0u);
    EXPECT_EQ(OLX_XEM_Open(nullptr, "GUIDEDEM"), 0u);
    host.Guidebook().SetFailOpen(true);
    EXPECT_EQ(OLX_XEM_Open(id, "GUIDEDEM"), 0u);
    host.Guidebook().SetFailOpen(false);
    const uint32_t h = OLX_XEM_Open(id, "GUIDEDEM");
    EXPECT_NE(h, 0u);
    EXPECT_EQ(host.Guidebook().OpenHandles().count(h), 1u);
    EXPECT_EQ(OLX_XEM_Close(h), 1);
    EXPECT_EQ(OLX_XEM_Close(h), 0);
    EXPECT_TRUE(host.Guidebook().OpenHandles().empty());
}

TEST_F(XemTest, MapsetInfoFillsCornerCellsAndDatum) {
    InstallTiles();
    const uint32_t h = OLX_XEM_Open(id, "GUIDEDEM");
    ASSERT_NE(h, 0u);
    tagMAPSETCREATEINFO info{};
    info.size = 112;
    ASSERT_NE(OLX_XEM_GetMapsetInfo(h, &info), 0);
    EXPECT_EQ(info.size, 112);
    EXPECT_EQ(info.lat, 32.5);
    EXPECT_EQ(info.lon, 135.5);
    EXPECT_EQ(info.cellsPerDegLat, 2400);
    EXPECT_EQ(info.cellsPerDegLon, 1800);
    EXPECT_EQ(info.datum, 1);
    EXPECT_EQ(host.Log().Calls("OLX_XEM_GetMapsetInfo")[0].args, std::to_string(h) + ", {size=112}");

    EXPECT_EQ(OLX_XEM_GetMapsetInfo(h + 1, &info), 0);
    EXPECT_EQ(OLX_XEM_GetMapsetInfo(h, nullptr), 0);
    host.Guidebook().SetFailInfo(true);
    EXPECT_EQ(OLX_XEM_GetMapsetInfo(h, &info), 0);
}

TEST_F(XemTest, DecodeServesTilesCountsThemAndFailsWhereAsked) {
    InstallTiles();
    const uint32_t h = OLX_XEM_Open(id, "GUIDEDEM");
    std::vector<int16_t> tile(olx::kBlockCells, -7);
    EXPECT_EQ(OLX_XEM_DecodeRealBlock(h, 10100, tile.data()), 1);
    EXPECT_EQ(tile[0], 101);
    EXPECT_EQ(tile[olx::kBlockCells - 1], 101);
    EXPECT_EQ(OLX_XEM_DecodeRealBlock(h, 10100, tile.data()), 1);

    std::fill(tile.begin(), tile.end(), -7);
    EXPECT_EQ(OLX_XEM_DecodeRealBlock(h, 404, tile.data()), 0);  // the source lacks it
    host.Guidebook().FailDecode(200);
    EXPECT_EQ(OLX_XEM_DecodeRealBlock(h, 200, tile.data()), 0);
    EXPECT_EQ(tile[0], -7);                                          // a failed decode leaves the buffer alone
    EXPECT_EQ(OLX_XEM_DecodeRealBlock(h + 1, 100, tile.data()), 0);  // not an open handle
    EXPECT_EQ(OLX_XEM_DecodeRealBlock(h, 100, nullptr), 0);

    EXPECT_EQ(host.Guidebook().DecodeCount(10100), 2);
    EXPECT_EQ(host.Guidebook().DecodeCount(404), 1);
    EXPECT_EQ(host.Guidebook().DecodeCount(200), 1);
    EXPECT_EQ(host.Guidebook().DecodeCount(100), 0);
    EXPECT_EQ(host.Guidebook().DecodeCountTotal(), 4);

    (void)OLX_XEM_Close(h);
    EXPECT_EQ(OLX_XEM_DecodeRealBlock(h, 10100, tile.data()), 0);
}

}  // namespace
