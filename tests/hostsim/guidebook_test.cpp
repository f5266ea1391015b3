#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "hostsim/guidebook_terrain.h"
#include "hostsim/host.h"
#include "tools/gen/terrain.h"

namespace {

constexpr int kSide = 320;

TEST(GuidebookTerrainTest, GridCoversThreeDegreesAroundTheSummit) {
    const hostsim::GuidebookGrid g = hostsim::GuidebookTerrainGrid();
    const double north = g.lat0 + g.tileRows * kSide / g.cellsPerDegLat;
    const double east = g.lon0 + g.tileColumns * kSide / g.cellsPerDegLon;
    EXPECT_LE(g.lat0, gen::kSummitLat - 3);
    EXPECT_LE(g.lon0, gen::kSummitLon - 3);
    EXPECT_GE(north, gen::kSummitLat + 3);
    EXPECT_GE(east, gen::kSummitLon + 3);
}

TEST(GuidebookTerrainTest, TilesHoldTheLandscapeAtCellCentresInWholeMetres) {
    const hostsim::GuidebookGrid g = hostsim::GuidebookTerrainGrid();
    // Tile id -> first column, first row; cells checked at a few places.
    struct Case {
        int32_t id;
        int firstColumn;
        int firstRow;
    };
    std::vector<int16_t> tile(kSide * kSide);
    for (const Case& c : {Case{100, 0, 0}, Case{200, 320, 0}, Case{10100, 0, 320}, Case{1000000, 31680, 0},
                          Case{503700, 11520, 16000}, Case{250800, 2240, 8000}}) {
        if (c.firstColumn >= g.tileColumns * kSide) continue;
        ASSERT_TRUE(hostsim::GuidebookTerrainTile(c.id, tile.data())) << c.id;
        for (auto [r, k] : {std::pair{0, 0}, std::pair{0, 319}, std::pair{319, 0}, std::pair{157, 201}}) {
            const double lat = g.lat0 + (c.firstRow + r + 0.5) / g.cellsPerDegLat;
            const double lon = g.lon0 + (c.firstColumn + k + 0.5) / g.cellsPerDegLon;
            EXPECT_EQ(tile[r * kSide + k], std::lround(gen::TerrainElevation(lat, lon)))
                << c.id << " " << r << "," << k;
        }
    }
}

TEST(GuidebookTerrainTest, TheSummitTileRisesFarAboveTheCountry) {
    const hostsim::GuidebookGrid g = hostsim::GuidebookTerrainGrid();
    const int x = static_cast<int>((gen::kSummitLon - g.lon0) * g.cellsPerDegLon);
    const int y = static_cast<int>((gen::kSummitLat - g.lat0) * g.cellsPerDegLat);
    const int32_t id = 100 * ((x / kSide + 1) % 100) + 1000000 * ((x / kSide + 1) / 100) + 10000 * ((y / kSide) % 100) +
                       100000000 * ((y / kSide) / 100);
    std::vector<int16_t> tile(kSide * kSide);
    ASSERT_TRUE(hostsim::GuidebookTerrainTile(id, tile.data()));
    EXPECT_GT(tile[(y % kSide) * kSide + x % kSide], 2500);
    std::vector<int16_t> corner(kSide * kSide);
    ASSERT_TRUE(hostsim::GuidebookTerrainTile(100, corner.data()));
    EXPECT_LT(*std::max_element(corner.begin(), corner.end()), 1500);
}

TEST(GuidebookTerrainTest, IdentifiersOutsideTheSetOrWithFineDigitsAreRefused) {
    const hostsim::GuidebookGrid g = hostsim::GuidebookTerrainGrid();
    std::vector<int16_t> tile(kSide * kSide, 7);
    const int32_t eastOfSet = 100 * ((g.tileColumns + 1) % 100);
    const int32_t northOfSet = 100 + 10000 * (g.tileRows % 100) + 100000000 * (g.tileRows / 100);
    for (int32_t id : {0, 110, 101, -100, eastOfSet, northOfSet}) {
        EXPECT_FALSE(hostsim::GuidebookTerrainTile(id, tile.data())) << id;
    }
    EXPECT_EQ(tile[0], 7);
    EXPECT_FALSE(hostsim::GuidebookTerrainTile(100, nullptr));
}

TEST(GuidebookTerrainTest, InstalledSetIsServedByTheDecoder) {
    hostsim::Reset();
    hostsim::InstallGuidebookTerrain(hostsim::Get());
    uint8_t id[12];
    const tagMAPSETIDINFO request = hostsim::GuidebookIdInfo(1);
    ASSERT_EQ(OLX_MakeMapSetID(id, &request), 1);
    const uint32_t h = OLX_XEM_Open(id, "GUIDEDEM");
    ASSERT_NE(h, 0u);
    tagMAPSETCREATEINFO info{};
    info.size = 112;
    ASSERT_EQ(OLX_XEM_GetMapsetInfo(h, &info), 1);
    EXPECT_EQ(info.lat, 32.0);
    EXPECT_EQ(info.cellsPerDegLon, 1800.0);
    EXPECT_EQ(info.datum, 1);
    std::vector<int16_t> viaHost(kSide * kSide), direct(kSide * kSide);
    ASSERT_EQ(OLX_XEM_DecodeRealBlock(h, 10200, viaHost.data()), 1);
    ASSERT_TRUE(hostsim::GuidebookTerrainTile(10200, direct.data()));
    EXPECT_EQ(viaHost, direct);
    EXPECT_EQ(OLX_XEM_Close(h), 1);
}

}  // namespace
