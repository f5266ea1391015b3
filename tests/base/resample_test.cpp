#include "base/resample.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "tests/base/fake_tile_source.h"
#include "tests/base/resample_oracle.h"

namespace {

using testsupport::FakeTileSource;

constexpr int kCells = 320 * 320;

// A source of 8 cells per degree, a map of 16: every map sample lands on a source cell or
// exactly half way, and the map's corner sits half a source cell east and north of the
// source's, so that sample (k, r) lies at source position (k / 2, r / 2).
struct HalfStepGrid {
    base::SourceGrid grid{35.0, 138.0, 8.0, 8.0};
    double lat0 = 35.0 + 0.5 / 8.0;
    double lon0 = 138.0 + 0.5 / 8.0;
    double cellsPerDeg = 16.0;
};

std::vector<int16_t> Fill(FakeTileSource& source, int32_t id, double lat0, double lon0, double cpdLat, double cpdLon,
                          const base::SourceGrid& grid, int32_t offset) {
    std::vector<int16_t> block(kCells, 0x1234);
    base::ResampleBlock(id, block.data(), lat0, lon0, cpdLat, cpdLon, grid, &FakeTileSource::Lookup, &source, offset);
    return block;
}

int16_t Scrambled(int32_t x, int32_t y) {
    return static_cast<int16_t>((x * 37 + y * 101) % 2000 - 1000);
}

TEST(ResampleBlock, SamplesOnSourceCellsKeepTheirValue) {
    const HalfStepGrid g;
    for (const int32_t offset : {0, 1}) {
        FakeTileSource source(&Scrambled);
        const auto block = Fill(source, 100, g.lat0, g.lon0, g.cellsPerDeg, g.cellsPerDeg, g.grid, offset);
        for (int r = 0; r < 320; r += 2) {
            for (int k = 0; k < 320; k += 2) {
                ASSERT_EQ(block[r * 320 + k], Scrambled(k / 2, r / 2) + offset) << r << "," << k;
            }
        }
    }
}

TEST(ResampleBlock, HalfWaySamplesBlendAndTruncateTowardZero) {
    const HalfStepGrid g;
    // Columns alternate -3, -2: half way between them is -2.5, which truncates to -2, not -3.
    FakeTileSource source([](int32_t x, int32_t) { return static_cast<int16_t>(x % 2 == 0 ? -3 : -2); });
    struct Case {
        int32_t offset;
        int16_t expected;
    };
    for (const Case c : {Case{0, -2}, Case{1, -1}}) {
        const auto block = Fill(source, 100, g.lat0, g.lon0, g.cellsPerDeg, g.cellsPerDeg, g.grid, c.offset);
        EXPECT_EQ(block[1], c.expected);
        EXPECT_EQ(block[5 * 320 + 3], c.expected);
        EXPECT_EQ(block[0], -3 + c.offset);
    }
}

TEST(ResampleBlock, LinearFieldIsReproducedInsideTheBlock) {
    const HalfStepGrid g;
    FakeTileSource source([](int32_t x, int32_t y) { return static_cast<int16_t>(2 * x + 100 * y); });
    const auto block = Fill(source, 100, g.lat0, g.lon0, g.cellsPerDeg, g.cellsPerDeg, g.grid, 0);
    for (int r = 0; r < 320; ++r) {
        for (int k = 0; k < 320; ++k) ASSERT_EQ(block[r * 320 + k], k + 50 * r) << r << "," << k;
    }
}

TEST(ResampleBlock, ExtrapolatesWithinHalfACellOfTheSourceEdge) {
    // Map corner on the source corner: the first sample sits at source position (-0.5, -0.5),
    // truncates to cell 0 and extrapolates from cells 0 and 1 with a negative weight.
    const base::SourceGrid grid{35.0, 138.0, 8.0, 8.0};
    FakeTileSource source([](int32_t x, int32_t y) { return static_cast<int16_t>(100 + 10 * x + 20 * y); });
    const auto block = Fill(source, 100, 35.0, 138.0, 16.0, 16.0, grid, 0);
    EXPECT_EQ(block[0], 85);    // 100 - 5 - 10
    EXPECT_EQ(block[1], 90);    // x = 0, y = -0.5
    EXPECT_EQ(block[320], 95);  // x = -0.5, y = 0
    EXPECT_EQ(block[321], 100);
}

TEST(ResampleBlock, PositionsLeftOfTheSourceReadAsMissing) {
    // One and a half source cells west and south of the source: samples whose truncated
    // position is negative read 0 plus the offset, and nothing is looked up for them.
    const base::SourceGrid grid{35.0, 138.0, 8.0, 8.0};
    for (const int32_t offset : {0, 1}) {
        FakeTileSource source([](int32_t, int32_t) { return int16_t{700}; });
        const auto block = Fill(source, 100, 35.0 - 1.0 / 8, 138.0 - 1.0 / 8, 16.0, 16.0, grid, offset);
        // Row 0 (y = -1.5) and row 1 (y = -1.0) read as missing; so do columns 0 and 1.
        EXPECT_EQ(block[0], offset);
        EXPECT_EQ(block[1], offset);
        EXPECT_EQ(block[2], offset);
        EXPECT_EQ(block[1 * 320 + 2], offset);
        EXPECT_EQ(block[2 * 320 + 0], offset);
        EXPECT_EQ(block[2 * 320 + 1], offset);
        // (-0.5, -0.5) is extrapolated from cells 0 and 1; a flat field stays flat.
        EXPECT_EQ(block[2 * 320 + 2], 700 + offset);
        EXPECT_EQ(block[3 * 320 + 3], 700 + offset);
        for (const int32_t id : source.lookups) EXPECT_EQ(id, 100);
    }
}

TEST(ResampleBlock, MissingTilesBlendTowardZero) {
    // Tile 100 (columns 0-319) holds 800, tile 200 east of it is missing.
    const HalfStepGrid g;
    FakeTileSource source([](int32_t, int32_t) { return int16_t{800}; });
    source.missing.insert(200);
    // Map block 200 covers source columns 160-319.5, block 300 320-479.5.
    auto west = Fill(source, 200, g.lat0, g.lon0, g.cellsPerDeg, g.cellsPerDeg, g.grid, 0);
    auto east = Fill(source, 300, g.lat0, g.lon0, g.cellsPerDeg, g.cellsPerDeg, g.grid, 0);
    EXPECT_EQ(west[317], 800);  // x = 318.5
    EXPECT_EQ(west[318], 800);  // x = 319
    EXPECT_EQ(west[319], 400);  // x = 319.5: the east neighbour is missing
    EXPECT_EQ(west[5 * 320 + 319], 400);
    EXPECT_EQ(east[0], 0);  // x = 320
    // With the guidebook's offset an area without data reads 1.
    east = Fill(source, 300, g.lat0, g.lon0, g.cellsPerDeg, g.cellsPerDeg, g.grid, 1);
    EXPECT_EQ(east[3], 1);
    EXPECT_EQ(east[100 * 320 + 200], 1);
}

TEST(ResampleBlock, UnusableGeometryFillsWithTheOffsetAndLooksNothingUp) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const base::SourceGrid good{35.0, 138.0, 8.0, 8.0};
    struct Case {
        const char* what;
        double lat0, lon0, cpdLat, cpdLon;
        base::SourceGrid grid;
    };
    const Case cases[] = {
        {"map cells per degree 0", 35.0, 138.0, 0.0, 16.0, good},
        {"map cells per degree negative", 35.0, 138.0, 16.0, -16.0, good},
        {"map cells per degree NaN", 35.0, 138.0, nan, 16.0, good},
        {"source cells per degree 0", 35.0, 138.0, 16.0, 16.0, {35.0, 138.0, 0.0, 8.0}},
        {"source cells per degree negative", 35.0, 138.0, 16.0, 16.0, {35.0, 138.0, 8.0, -8.0}},
        {"origin NaN", nan, 138.0, 16.0, 16.0, good},
        {"origin infinite", 35.0, inf, 16.0, 16.0, good},
        {"position beyond int range", 35.0, 138.0 + 3e8, 16.0, 16.0, good},
        {"position far below the source", -3e8, 138.0, 16.0, 16.0, good},
    };
    for (const Case& c : cases) {
        for (const int32_t offset : {0, 1}) {
            FakeTileSource source(&Scrambled);
            const auto block = Fill(source, 100, c.lat0, c.lon0, c.cpdLat, c.cpdLon, c.grid, offset);
            for (int i = 0; i < kCells; ++i) ASSERT_EQ(block[i], offset) << c.what << " at " << i;
            EXPECT_TRUE(source.lookups.empty()) << c.what;
        }
    }
}

TEST(ResampleBlock, ExtremeValuesWrapToSixteenBitsLikeTheStepByStepProcedure) {
    // 32767 plus the guidebook's offset is 32768, which wraps to -32768 as the 16-bit store of the
    // procedure does; a saturating conversion would give 32767. The half-way samples blend the
    // two extremes to -0.5 and 32767 - 0.5.
    const HalfStepGrid g;
    FakeTileSource fast([](int32_t x, int32_t) { return static_cast<int16_t>(x % 2 == 0 ? 32767 : -32768); });
    FakeTileSource slow([](int32_t x, int32_t) { return static_cast<int16_t>(x % 2 == 0 ? 32767 : -32768); });
    for (const int32_t offset : {0, 1}) {
        std::vector<int16_t> expected(kCells);
        oracle::ResampleBlock(100, expected.data(), g.lat0, g.lon0, g.cellsPerDeg, g.cellsPerDeg, g.grid,
                              &FakeTileSource::Lookup, &slow, offset);
        const auto actual = Fill(fast, 100, g.lat0, g.lon0, g.cellsPerDeg, g.cellsPerDeg, g.grid, offset);
        ASSERT_EQ(actual, expected) << "offset " << offset;
        EXPECT_EQ(actual[0], offset == 0 ? 32767 : -32768);
    }
}

TEST(ResampleBlock, NeighboursWithoutA32BitTileReadAsMissing) {
    // Source column 3,199,679 is the last one the numbering can name; its east neighbour is not.
    const base::SourceGrid grid{0.0, 0.0, 8.0, 8.0};
    FakeTileSource source([](int32_t, int32_t) { return int16_t{500}; });
    // Sample (0, 0) at source x = 3199679.5, y = 0.5.
    const double lon0 = 3199679.5 / 8.0 + 0.5 / 8.0;
    const double lat0 = 0.5 / 8.0 + 0.5 / 8.0;
    const auto block = Fill(source, 100, lat0, lon0, 16.0, 16.0, grid, 0);
    EXPECT_EQ(block[0], 250);
    EXPECT_EQ(block[1], 0);  // x = 3199680: both west and east unnamed
    for (const int32_t id : source.lookups) EXPECT_EQ(id, 99009900);
}

// Runs of identical lookups collapse: asking again for the tile just returned is a hit that
// changes nothing, and the fast path is allowed to skip it.
std::vector<int32_t> Collapsed(const std::vector<int32_t>& ids) {
    std::vector<int32_t> out;
    for (const int32_t id : ids) {
        if (out.empty() || out.back() != id) out.push_back(id);
    }
    return out;
}

int16_t Hashed(int32_t x, int32_t y) {
    uint32_t h = static_cast<uint32_t>(x) * 0x9E3779B1u ^ static_cast<uint32_t>(y) * 0x85EBCA77u;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 12;
    return static_cast<int16_t>(h);
}

// Small values that stay flat over several cells: the blends then land on or next to whole
// numbers, where a different order of the same arithmetic truncates differently.
int16_t Terraced(int32_t x, int32_t y) {
    return static_cast<int16_t>(((x / 3) * 7 + (y / 5) * 3) % 5 - 2);
}

// Ramps in steps of 10 m per source cell: with the map exactly ten times finer than the source
// the blends come out within an ulp of whole numbers.
int16_t Ramps(int32_t x, int32_t y) {
    return static_cast<int16_t>(10 * ((x % 50) - 25) + 20 * ((y % 40) - 20));
}

TEST(ResampleBlock, MapTenTimesFinerMatchesTheStepByStepProcedure) {
    std::mt19937_64 rng(5);
    const double cpdLat = 24000.0;
    const double cpdLon = 18000.0;
    const base::SourceGrid grid{35.25, 138.5, 2400.0, 1800.0};
    for (int trial = 0; trial < 40; ++trial) {
        const double lat0 = grid.originLat + static_cast<double>(rng() % 3000) / cpdLat;
        const double lon0 = grid.originLon + static_cast<double>(rng() % 3000) / cpdLon;
        const int32_t id = trial % 2 == 0 ? 100 : 10300 + trial * 100;
        for (const int32_t offset : {0, 1}) {
            FakeTileSource fast(&Ramps);
            FakeTileSource slow(&Ramps);
            std::vector<int16_t> expected(kCells, 0x1111);
            std::vector<int16_t> actual(kCells, 0x2222);
            oracle::ResampleBlock(id, expected.data(), lat0, lon0, cpdLat, cpdLon, grid, &FakeTileSource::Lookup, &slow,
                                  offset);
            base::ResampleBlock(id, actual.data(), lat0, lon0, cpdLat, cpdLon, grid, &FakeTileSource::Lookup, &fast,
                                offset);
            ASSERT_EQ(actual, expected) << "trial " << trial << " id " << id;
            ASSERT_EQ(fast.loads, slow.loads) << "trial " << trial << " id " << id;
        }
    }
}

bool IsSubsequence(const std::vector<int32_t>& part, const std::vector<int32_t>& whole) {
    size_t i = 0;
    for (const int32_t id : whole) {
        if (i < part.size() && part[i] == id) ++i;
    }
    return i == part.size();
}

TEST(ResampleBlock, RandomBlocksMatchTheStepByStepProcedureBitForBit) {
    int reloadFree = 0;
    std::mt19937_64 rng(20261210);
    std::uniform_real_distribution<double> unit(0.0, 1.0);
    for (int trial = 0; trial < 60; ++trial) {
        // Map 5 m grid against sources from 50 m down to finer than the map, corners anywhere from
        // two source cells outside the source to deep inside it.
        const double cpdLat = 21600.0 * (0.5 + unit(rng));
        const double cpdLon = 21600.0 * (0.5 + unit(rng));
        const double ratio = trial % 5 == 0 ? 0.5 + 2.0 * unit(rng) : 6.0 + 10.0 * unit(rng);
        const base::SourceGrid grid{35.0 + unit(rng), 138.0 + unit(rng), std::floor(cpdLat / ratio),
                                    std::floor(cpdLon / ratio)};
        const double lat0 = grid.originLat + (unit(rng) * 0.05) - 2.0 / grid.cellsPerDegLat;
        const double lon0 = grid.originLon + (unit(rng) * 0.05) - 2.0 / grid.cellsPerDegLon;
        const int32_t ids[] = {100, 10100 + static_cast<int32_t>(rng() % 30) * 100,
                               static_cast<int32_t>(rng() % 8) * 10000 + 100 + static_cast<int32_t>(rng() % 40) * 100 +
                                   static_cast<int32_t>(rng() % 100)};
        const int32_t offset = trial % 2;
        for (const int32_t id : ids) {
            auto* field = trial % 4 < 2 ? &Hashed : &Terraced;
            FakeTileSource fast(field, trial % 3 == 0 ? 4 : 10);
            FakeTileSource slow(field, trial % 3 == 0 ? 4 : 10);
            // Some tiles are missing, so zero tiles mix with data.
            for (int32_t t = 100; t < 40000; t += 300) {
                fast.missing.insert(t);
                slow.missing.insert(t);
            }
            std::vector<int16_t> expected(kCells, 0x1111);
            std::vector<int16_t> actual(kCells, 0x2222);
            oracle::ResampleBlock(id, expected.data(), lat0, lon0, cpdLat, cpdLon, grid, &FakeTileSource::Lookup, &slow,
                                  offset);
            base::ResampleBlock(id, actual.data(), lat0, lon0, cpdLat, cpdLon, grid, &FakeTileSource::Lookup, &fast,
                                offset);
            ASSERT_EQ(actual, expected) << "trial " << trial << " id " << id;
            // A row in the same source row as the row before reuses its neighbours: the lookups
            // are the procedure's with such rows left out, and load no tile the procedure does
            // not; where the procedure never loads a tile twice, the loads are the same.
            ASSERT_TRUE(IsSubsequence(fast.lookups, Collapsed(slow.lookups))) << "trial " << trial << " id " << id;
            ASSERT_LE(fast.loads.size(), slow.loads.size()) << "trial " << trial << " id " << id;
            if (std::set<int32_t>(slow.loads.begin(), slow.loads.end()).size() == slow.loads.size()) {
                ASSERT_EQ(fast.loads, slow.loads) << "trial " << trial << " id " << id;
                ++reloadFree;
            }
        }
    }
    EXPECT_GT(reloadFree, 0);
}

// A fill of row ranges writes exactly their cells, each as the whole fill does, and asks only
// for tiles the whole fill asks for, in its order; rows without a range ask for nothing.
TEST(ResampleBlock, RowRangesWriteTheirCellsOnly) {
    std::mt19937_64 rng(320);
    const base::SourceGrid grid{35.25, 138.5, 2400.0, 1800.0};
    struct Case {
        const char* name;
        double lat0;  // the map's corner; the source starts at 35.25
        int32_t id;
    };
    const Case cases[] = {
        {"inside the source", 35.30, 10300},
        {"rows south of the source", 35.25 - 40.0 / 24000, 100},
        {"outside the usable grid", 35.25, 100},
    };
    for (const Case& c : cases) {
        for (int trial = 0; trial < 12; ++trial) {
            std::vector<base::RowRange> rows(320);
            for (base::RowRange& r : rows) {
                const int a = static_cast<int>(rng() % 41) * 8;
                const int b = static_cast<int>(rng() % 41) * 8;
                r = trial % 3 == 0 && rng() % 4 != 0
                        ? base::RowRange{0, 0}
                        : base::RowRange{static_cast<int16_t>(std::min(a, b)), static_cast<int16_t>(std::max(a, b))};
            }
            const double cpdLon = std::string(c.name) == "outside the usable grid" ? 0.0 : 18000.0;
            FakeTileSource whole(&Hashed, 10);
            FakeTileSource ranged(&Hashed, 10);
            std::vector<int16_t> expected(kCells, 0x1111);
            std::vector<int16_t> actual(kCells, 0x2222);
            base::ResampleBlock(c.id, expected.data(), c.lat0, 138.52, 24000.0, cpdLon, grid, &FakeTileSource::Lookup,
                                &whole, 1);
            base::ResampleBlock(c.id, actual.data(), c.lat0, 138.52, 24000.0, cpdLon, grid, &FakeTileSource::Lookup,
                                &ranged, 1, rows.data());
            for (int r = 0; r < 320; ++r) {
                for (int k = 0; k < 320; ++k) {
                    const bool in = k >= rows[r].begin && k < rows[r].end;
                    ASSERT_EQ(actual[r * 320 + k], in ? expected[r * 320 + k] : int16_t{0x2222})
                        << c.name << " trial " << trial << " row " << r << " column " << k;
                }
            }
            ASSERT_TRUE(IsSubsequence(ranged.lookups, whole.lookups)) << c.name << " trial " << trial;
            // The reference with the same ranges agrees.
            std::vector<int16_t> reference(kCells, 0x2222);
            FakeTileSource slow(&Hashed, 10);
            oracle::ResampleBlock(c.id, reference.data(), c.lat0, 138.52, 24000.0, cpdLon, grid,
                                  &FakeTileSource::Lookup, &slow, 1, rows.data());
            ASSERT_EQ(actual, reference) << c.name << " trial " << trial;
        }
    }
    // Rows without a range look nothing up.
    const std::vector<base::RowRange> none(320, base::RowRange{0, 0});
    FakeTileSource idle(&Hashed, 10);
    std::vector<int16_t> untouched(kCells, 0x2222);
    base::ResampleBlock(10300, untouched.data(), 35.30, 138.52, 24000.0, 18000.0, grid, &FakeTileSource::Lookup, &idle,
                        1, none.data());
    EXPECT_TRUE(idle.lookups.empty());
    EXPECT_EQ(untouched, std::vector<int16_t>(kCells, 0x2222));
}

}  // namespace
