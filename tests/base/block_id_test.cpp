#include "base/block_id.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>

namespace {

struct DecodeCase {
    int32_t id;
    int32_t firstRow;
    int32_t firstColumn;
};

TEST(BlockIdToCell, DecodesDigitGroups) {
    const DecodeCase cases[] = {
        {100, 0, 0},
        {0, 0, -320},
        {200, 0, 320},
        {10100, 320, 0},
        {1000000, 0, 31680},
        {1000100, 0, 32000},
        {100000100, 32000, 0},
        {60400, 1920, 960},
        // Fine digits of 8 and 9 are used as they are.
        {189, 320, 360},
        {11, 40, -280},
        // The high row digits run past two.
        {2100000100, 672000, 0},
        {INT32_MAX, 687520, 1515480},
        // Negative identifiers give negative digits (truncating arithmetic).
        {-100, 0, -640},
        {-10100, -320, -640},
    };
    for (const DecodeCase& c : cases) {
        const base::CellPos p = BlockIdToCell(c.id);
        EXPECT_EQ(p.firstRow, c.firstRow) << c.id;
        EXPECT_EQ(p.firstColumn, c.firstColumn) << c.id;
    }
}

struct EncodeCase {
    int32_t x;
    int32_t y;
    int32_t id;
};

TEST(CellToTileId, EncodesWholeTiles) {
    const EncodeCase cases[] = {
        {0, 0, 100},           {319, 0, 100},       {320, 0, 200},          {0, 320, 10100},
        {319, 319, 100},       {31680, 0, 1000000}, {31999, 0, 1000000},    {32000, 0, 1000100},
        {0, 32000, 100000100}, {1000, 2000, 60400}, {3199679, 0, 99009900},
    };
    for (const EncodeCase& c : cases) {
        EXPECT_EQ(CellToTileId(c.x, c.y), c.id) << c.x << "," << c.y;
        EXPECT_TRUE(base::CellHasTileId(c.x, c.y)) << c.x << "," << c.y;
    }
}

TEST(CellToTileId, DecodesBackToTheTileHoldingTheCell) {
    std::mt19937 rng(7);
    std::uniform_int_distribution<int32_t> col(0, 3199679);
    // Every pair in these ranges has a 32-bit identifier.
    std::uniform_int_distribution<int32_t> row(0, 671999);
    for (int i = 0; i < 20000; ++i) {
        const int32_t x = col(rng);
        const int32_t y = row(rng);
        ASSERT_TRUE(base::CellHasTileId(x, y));
        const int32_t id = CellToTileId(x, y);
        ASSERT_EQ(id % 100, 0);
        const base::CellPos p = BlockIdToCell(id);
        ASSERT_EQ(p.firstColumn, 320 * (x / 320)) << x << "," << y;
        ASSERT_EQ(p.firstRow, 320 * (y / 320)) << x << "," << y;
        ASSERT_EQ(base::TileElement(x, y), (y - p.firstRow) * 320 + (x - p.firstColumn));
    }
}

TEST(CellToBlockId, IsTheInverseOfBlockIdToCellOnTheEighthsGrid) {
    std::mt19937 rng(11);
    std::uniform_int_distribution<int32_t> col(0, 3199679 / 40);
    std::uniform_int_distribution<int32_t> row(0, 671999 / 40);
    for (int i = 0; i < 20000; ++i) {
        const int32_t x = 40 * col(rng);
        const int32_t y = 40 * row(rng);
        const int64_t id = base::CellToBlockId64(x, y);
        ASSERT_EQ(id - id % 100, base::CellToTileId64(x, y)) << x << "," << y;
        const base::CellPos p = BlockIdToCell(static_cast<int32_t>(id));
        ASSERT_EQ(p.firstColumn, x) << id;
        ASSERT_EQ(p.firstRow, y) << id;
    }
}

TEST(CellToTileId, CellsBeyondThe32BitNumberingHaveNoTile) {
    const EncodeCase unnamed[] = {
        {3199680, 0, 0},       // column block 10,000
        {0, 704000, 0},        // row part alone passes INT32_MAX
        {3199679, 703999, 0},  // each part fits, their sum does not
        {INT32_MAX, INT32_MAX, 0},
        {-1, 0, 0},
        {0, -1, 0},
    };
    for (const EncodeCase& c : unnamed) EXPECT_FALSE(base::CellHasTileId(c.x, c.y)) << c.x << "," << c.y;
    EXPECT_TRUE(base::CellHasTileId(0, 703999));
    // The 64-bit value is exact; the 32-bit one wraps instead of overflowing.
    EXPECT_EQ(base::CellToTileId64(0, 704000), 2200000100LL);
    EXPECT_EQ(CellToTileId(0, 704000), static_cast<int32_t>(2200000100LL - 4294967296LL));
    EXPECT_EQ(base::CellToTileId64(INT32_MAX, INT32_MAX), 6777908868700LL);
}

}  // namespace
