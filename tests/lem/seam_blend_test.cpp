#include "lem/seam_blend.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "lem/field_row.h"

namespace {

constexpr int kSide = 320;
using Row = std::vector<int16_t>;

// The seam cell by cell, as the sheet meets its base: no-data marks keep the base; every other
// field gives its metres, mixed with a base that is not 0 on the two rings.
Row ReferenceRow(const std::vector<int32_t>& fields, int delivered, const lem::SeamRow& row, const Row& base,
                 bool blend) {
    Row out = base;
    const int64_t L = row.line;
    const bool edgeRow = L <= 1 || L >= int64_t{row.rows} - 2;
    for (int k = 0; k < delivered; ++k) {
        const int32_t v = fields[k];
        if (v == -9999 || v == -1111) continue;
        const int32_t m = (v + 5) / 10;
        const int64_t c = row.firstColumn + k;
        const bool outer = L == 0 || L == row.rows - 1 || c == 0 || c == row.cols - 1;
        const bool inner = !outer && (edgeRow || c == 1 || c == row.cols - 2);
        const int32_t b = base[k];
        if (blend && b != 0 && outer) {
            out[k] = static_cast<int16_t>((2 * b) / 3 + m / 3);
        } else if (blend && b != 0 && inner) {
            out[k] = static_cast<int16_t>(b / 3 + (2 * m) / 3);
        } else {
            out[k] = static_cast<int16_t>(m);
        }
    }
    return out;
}

// As ReadBlock does it with the sheet's layer kept aside: the sheet placed over what the host
// passed, the base written afterwards only into the cells CellsForBase names, then the blend.
Row SheetFirst(const std::vector<int32_t>& fields, int delivered, const lem::SeamRow& row, const Row& base,
               bool blend) {
    Row out(kSide, 0x5A5A);
    const lem::KeptCells kept = lem::StoreMetres(fields.data(), delivered, out.data());
    const lem::SeamCells cells = lem::CellsForBase(row, delivered, kept);
    for (const base::RowRange r : {cells.fill, cells.blend}) {
        EXPECT_EQ(r.begin % 8, 0);
        EXPECT_EQ(r.end % 8, 0);
        EXPECT_LE(r.begin, r.end);
        EXPECT_LE(r.end, kSide);
    }
    EXPECT_TRUE(cells.blend.begin == cells.blend.end ||
                (cells.fill.begin <= cells.blend.begin && cells.blend.end <= cells.fill.end));
    Row sheet(kSide, 0x7777);
    lem::KeepSheetCells(fields.data(), out.data(), delivered, cells.blend, sheet.data());
    for (int k = cells.fill.begin; k < cells.fill.end; ++k) out[k] = base[k];
    lem::BlendSeamRow(sheet.data(), out.data(), cells.blend, row, blend, out.data());
    return out;
}

// The other order, when there is no memory for the sheet's layer: the base is in the row first.
Row BaseFirst(const std::vector<int32_t>& fields, int delivered, const lem::SeamRow& row, const Row& base, bool blend) {
    Row out = base;
    const lem::KeptCells kept = lem::StoreMetres(fields.data(), delivered, out.data());
    const lem::SeamCells cells = lem::CellsForBase(row, delivered, kept);
    Row sheet(kSide, 0x7777);
    lem::KeepSheetCells(fields.data(), out.data(), delivered, cells.blend, sheet.data());
    lem::BlendSeamRow(sheet.data(), base.data(), cells.blend, row, blend, out.data());
    return out;
}

struct Geometry {
    const char* name;
    lem::SeamRow row;
    int delivered;
};

// Block rows against the sheet's edges: inside, on each ring, at the west and east sides, past
// the sheet's end, and sheets so small that the rings fall together.
const Geometry kGeometries[] = {
    {"inside", {700, 640, 2250, 1500}, 320},
    {"first line", {0, 640, 2250, 1500}, 320},
    {"last line", {1499, 640, 2250, 1500}, 320},
    {"second line", {1, 640, 2250, 1500}, 320},
    {"second to last line", {1498, 640, 2250, 1500}, 320},
    {"west side", {700, 0, 2250, 1500}, 320},
    {"west side, second line", {1, 0, 2250, 1500}, 320},
    {"east side, 10 columns", {700, 2240, 2250, 1500}, 10},
    {"east side, 50 columns, last line", {1499, 2200, 2250, 1500}, 50},
    {"east side, 9 columns, second line", {1, 1911, 1920, 1500}, 9},
    {"short read", {700, 640, 2250, 1500}, 123},
    {"nothing delivered", {700, 640, 2250, 1500}, 0},
    {"sheet of 1 x 1", {0, 0, 1, 1}, 1},
    {"sheet of 2 columns", {5, 0, 2, 40}, 2},
    {"sheet of 3 columns, 2 rows", {1, 0, 3, 2}, 3},
    {"sheet of 4 columns, 3 rows", {1, 0, 4, 3}, 4},
    {"sheet of 321 columns", {9, 0, 321, 50}, 320},
    {"sheet of 321 columns, east block", {9, 320, 321, 50}, 1},
};

// Values with every kind of field: both marks, negatives, and values next to the rounding steps
// of the conversion to metres and of the thirds.
std::vector<int32_t> MixedFields(std::mt19937& rng) {
    const int32_t special[] = {-9999, -1111, -9998, -1112, -1110, -16, -15, -14,   -6,    -5,    -4, -1, 0,
                               4,     5,     6,     14,    15,    25,  35,  99999, 99995, 99994, 29, 30, 31};
    std::vector<int32_t> fields(kSide + 4);
    for (int32_t& v : fields) {
        v = rng() % 3 == 0 ? special[rng() % std::size(special)] : static_cast<int32_t>(rng() % 110000) - 10000;
        if (v < -9999) v = -9999;
    }
    return fields;
}

Row MixedBase(std::mt19937& rng) {
    const int16_t special[] = {0, 0, 1, -1, 2, -2, 3, -3, 32767, -32768, 32766, -32767, 9, -9};
    Row base(kSide);
    for (int16_t& b : base) {
        b = rng() % 2 == 0 ? special[rng() % std::size(special)] : static_cast<int16_t>(rng() % 8000 - 2000);
    }
    return base;
}

TEST(SeamBlend, RowsMatchTheCellByCellSeam) {
    std::mt19937 rng(14);
    for (const Geometry& g : kGeometries) {
        SCOPED_TRACE(g.name);
        for (int trial = 0; trial < 30; ++trial) {
            std::vector<int32_t> fields = MixedFields(rng);
            // Some rows without any mark, so that the sheet covers them by itself.
            if (trial % 3 == 0) {
                for (int32_t& v : fields) {
                    if (v == -9999 || v == -1111) v = 1234;
                }
            }
            const Row base = MixedBase(rng);
            for (const bool blend : {true, false}) {
                const Row expected = ReferenceRow(fields, g.delivered, g.row, base, blend);
                ASSERT_EQ(SheetFirst(fields, g.delivered, g.row, base, blend), expected) << "trial " << trial;
                ASSERT_EQ(BaseFirst(fields, g.delivered, g.row, base, blend), expected) << "trial " << trial;
            }
        }
    }
}

// Every base value and every field value on both rings and inside: the mixes divide by 3 with
// C's truncation toward zero, the metres by 10 after adding 5.
TEST(SeamBlend, EveryBaseAndEveryFieldOnEachRing) {
    const Geometry rings[] = {
        {"outer ring", {0, 640, 2250, 1500}, 320},
        {"inner ring", {1, 640, 2250, 1500}, 320},
        {"inside", {700, 640, 2250, 1500}, 320},
    };
    for (const Geometry& g : rings) {
        SCOPED_TRACE(g.name);
        // Every base against a sweep of fields.
        for (int32_t first = -32768; first <= 32767; first += kSide) {
            std::vector<int32_t> fields(kSide + 4);
            Row base(kSide);
            for (int k = 0; k < kSide; ++k) {
                base[k] = static_cast<int16_t>(std::min(first + k, 32767));
                fields[k] = static_cast<int32_t>((first + 32768 + 37 * k) % 110000) - 10000;
            }
            const Row expected = ReferenceRow(fields, kSide, g.row, base, true);
            ASSERT_EQ(SheetFirst(fields, kSide, g.row, base, true), expected) << "bases from " << first;
        }
        // Every field against a sweep of bases.
        for (int32_t first = -9999; first <= 99999; first += kSide) {
            std::vector<int32_t> fields(kSide + 4);
            Row base(kSide);
            for (int k = 0; k < kSide; ++k) {
                fields[k] = std::min(first + k, 99999);
                base[k] = static_cast<int16_t>((first * 7 + 1031 * k) % 65536 - 32768);
            }
            const Row expected = ReferenceRow(fields, kSide, g.row, base, true);
            ASSERT_EQ(SheetFirst(fields, kSide, g.row, base, true), expected) << "fields from " << first;
        }
    }
}

TEST(SeamBlend, CellsThatNeedTheBase) {
    struct Case {
        const char* name;
        lem::SeamRow row;
        int delivered;
        lem::KeptCells kept;
        base::RowRange fill;
        base::RowRange blend;
    };
    const Case cases[] = {
        {"covered inside", {700, 640, 2250, 1500}, 320, {0, 0}, {0, 0}, {0, 0}},
        {"one mark", {700, 640, 2250, 1500}, 320, {17, 18}, {16, 24}, {16, 24}},
        {"marks far apart", {700, 640, 2250, 1500}, 320, {3, 300}, {0, 304}, {0, 304}},
        {"short read", {700, 640, 2250, 1500}, 123, {0, 0}, {120, 320}, {120, 128}},
        {"short read on a step", {700, 640, 2250, 1500}, 120, {0, 0}, {120, 320}, {120, 120}},
        {"west side", {700, 0, 2250, 1500}, 320, {0, 0}, {0, 8}, {0, 8}},
        {"east side", {700, 2240, 2250, 1500}, 10, {0, 0}, {8, 320}, {8, 16}},
        {"east side with a mark", {700, 2200, 2250, 1500}, 50, {3, 4}, {0, 320}, {0, 56}},
        {"east ring columns only", {700, 1930, 2250, 1500}, 320, {0, 0}, {312, 320}, {312, 320}},
        {"second line", {1, 640, 2250, 1500}, 320, {0, 0}, {0, 320}, {0, 320}},
        {"second line, short read", {1, 640, 2250, 1500}, 20, {0, 0}, {0, 320}, {0, 24}},
        {"nothing delivered", {700, 640, 2250, 1500}, 0, {0, 0}, {0, 320}, {0, 0}},
    };
    for (const Case& c : cases) {
        const lem::SeamCells cells = lem::CellsForBase(c.row, c.delivered, c.kept);
        EXPECT_EQ(cells.fill.begin, c.fill.begin) << c.name;
        EXPECT_EQ(cells.fill.end, c.fill.end) << c.name;
        EXPECT_EQ(cells.blend.begin, c.blend.begin) << c.name;
        EXPECT_EQ(cells.blend.end, c.blend.end) << c.name;
    }
}

}  // namespace
