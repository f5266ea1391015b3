#include "base/resample.h"

#include <algorithm>
#include <cstdint>

#include "base/block_id.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace base {
namespace {

constexpr int kSide = olx::kBlockSide;

struct NeighbourColumn {
    int64_t part;
    int32_t element;  // column within the tile
    bool nameable;
};

NeighbourColumn MakeColumn(int64_t x) {
    return NeighbourColumn{TileIdColumnPart(x), static_cast<int32_t>(x % kSide), TileColumnNameable(x)};
}

// A run of consecutive output columns that share one truncated source column.
struct Run {
    int32_t begin;
    int32_t end;
    bool usable;
    int32_t xi;
    NeighbourColumn west;
    NeighbourColumn east;
    bool blended;  // a and b below hold values for `values`
    int16_t values[4];
};

// One-entry memo of the last lookup: asking again for the tile just looked up is always a hit
// that changes nothing in the source's cache, so its answer can be reused. Any other tile goes
// to the source, in the order the samples need it.
class TileReader {
public:
    TileReader(TileLookup lookup, void* context) : lookup_(lookup), context_(context) {}

    int16_t Read(const NeighbourColumn& column, int64_t rowPart, int32_t rowElement) {
        if (!column.nameable) return 0;
        const int64_t id = column.part + rowPart;
        if (id > INT32_MAX) return 0;
        if (tile_ == nullptr || id != tileId_) {
            tile_ = lookup_(context_, static_cast<int32_t>(id));
            tileId_ = id;
        }
        return tile_[rowElement + column.element];
    }

private:
    TileLookup lookup_;
    void* context_;
    const int16_t* tile_ = nullptr;
    int64_t tileId_ = -1;
};

// Smallest and largest truncated position among the 320 usable ones reached from start.
struct Extent {
    int64_t first = INT64_MAX;
    int64_t last = -1;
};

Extent UsableExtent(double start, double step) {
    Extent e;
    double p = start;
    for (int32_t i = 0; i < kSide; ++i) {
        if (PositionUsable(p)) {
            const int64_t t = static_cast<int64_t>(p);
            if (t < e.first) e.first = t;
            if (t > e.last) e.last = t;
        }
        p = p + step;
    }
    return e;
}

int64_t TilesCovered(const Extent& e) {
    if (e.last < 0) return 0;
    return (e.last + 1) / kSide - e.first / kSide + 1;  // the +1 neighbour of the last sample
}

// out[k] = trunc(south[k] * oneMinusFy + north[k] * fy) + valueOffset for the whole row, as a
// 16-bit value that wraps like the scalar conversion. Two samples per instruction with SSE2; the
// operations and their order per sample are those of the scalar form (no fused multiply-add),
// so both give the same bits.
void BlendRow(const double* south, const double* north, double oneMinusFy, double fy, int32_t valueOffset, int16_t* out,
              RowRange range) {
    int32_t k = range.begin;
#if defined(__SSE2__)
    const __m128d a = _mm_set1_pd(oneMinusFy);
    const __m128d b = _mm_set1_pd(fy);
    const __m128i offset = _mm_set1_epi32(valueOffset);
    const auto four = [&](int32_t at) {
        const __m128d z0 = _mm_add_pd(_mm_mul_pd(_mm_loadu_pd(south + at), a), _mm_mul_pd(_mm_loadu_pd(north + at), b));
        const __m128d z1 =
            _mm_add_pd(_mm_mul_pd(_mm_loadu_pd(south + at + 2), a), _mm_mul_pd(_mm_loadu_pd(north + at + 2), b));
        // |z| stays far inside 32 bits (weights of at most 2 in magnitude on 16-bit values), so
        // the truncating conversion gives what the scalar cast gives.
        const __m128i t = _mm_unpacklo_epi64(_mm_cvttpd_epi32(z0), _mm_cvttpd_epi32(z1));
        // Keep the low 16 bits, sign-extended, so that the saturating pack below wraps instead.
        return _mm_srai_epi32(_mm_slli_epi32(_mm_add_epi32(t, offset), 16), 16);
    };
    static_assert(kSide % 8 == 0);
    for (; k < range.end; k += 8) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), _mm_packs_epi32(four(k), four(k + 4)));
    }
#else
    for (; k < range.end; ++k) {
        const double z = south[k] * oneMinusFy + north[k] * fy;
        out[k] = static_cast<int16_t>(static_cast<int32_t>(z) + valueOffset);
    }
#endif
}

constexpr RowRange kWholeRow{0, kSide};

}  // namespace

void FillRows(int16_t* block, const RowRange* rows, int16_t value) {
    if (rows == nullptr) {
        std::fill_n(block, kSide * kSide, value);
        return;
    }
    for (int32_t r = 0; r < kSide; ++r) {
        int16_t* row = block + r * kSide;
        std::fill(row + rows[r].begin, row + rows[r].end, value);
    }
}

void FillFromTiles(Resampler resampler, int32_t blockId, int16_t* block, double lat0, double lon0,
                   double cellsPerDegLat, double cellsPerDegLon, const SourceGrid& grid, TileLookup lookup,
                   void* context, int32_t valueOffset, const RowRange* rows) {
    if (SpanSampled(BlockTileSpan(blockId, lat0, lon0, cellsPerDegLat, cellsPerDegLon, grid))) {
        resampler(blockId, block, lat0, lon0, cellsPerDegLat, cellsPerDegLon, grid, lookup, context, valueOffset, rows);
    } else {
        FillRows(block, rows, static_cast<int16_t>(valueOffset));
    }
}

TileSpan BlockTileSpan(int32_t blockId, double lat0, double lon0, double cellsPerDegLat, double cellsPerDegLon,
                       const SourceGrid& grid) {
    if (!GridUsable(cellsPerDegLat, cellsPerDegLon, grid)) return TileSpan{0, 0};
    const double NY = grid.cellsPerDegLat;
    const double NX = grid.cellsPerDegLon;
    const CellPos first = BlockIdToCell(blockId);
    const double stepX = (1 / cellsPerDegLon) * NX;
    const double stepY = (1 / cellsPerDegLat) * NY;
    const double Y0 = NY * (first.firstRow / cellsPerDegLat + lat0 - grid.originLat - 0.5 / NY);
    const double X0 = NX * (first.firstColumn / cellsPerDegLon + lon0 - grid.originLon - 0.5 / NX);
    const Extent x = UsableExtent(X0, stepX);
    const Extent y = UsableExtent(Y0, stepY);
    // A block with no usable row or column samples nothing.
    if (x.last < 0 || y.last < 0) return TileSpan{0, 0};
    return TileSpan{TilesCovered(x), TilesCovered(y)};
}

void ResampleBlock(int32_t blockId, int16_t* block, double lat0, double lon0, double cellsPerDegLat,
                   double cellsPerDegLon, const SourceGrid& grid, TileLookup lookup, void* context, int32_t valueOffset,
                   const RowRange* rows) {
    const auto empty = static_cast<int16_t>(valueOffset);
    if (!GridUsable(cellsPerDegLat, cellsPerDegLon, grid)) {
        FillRows(block, rows, empty);
        return;
    }
    const double NY = grid.cellsPerDegLat;
    const double NX = grid.cellsPerDegLon;
    const CellPos first = BlockIdToCell(blockId);
    const double stepX = (1 / cellsPerDegLon) * NX;
    const double stepY = (1 / cellsPerDegLat) * NY;
    double Y = NY * (first.firstRow / cellsPerDegLat + lat0 - grid.originLat - 0.5 / NY);
    const double X0 = NX * (first.firstColumn / cellsPerDegLon + lon0 - grid.originLon - 0.5 / NX);

    // Every row walks the same column positions: work them out once.
    double fx[kSide];
    double oneMinusFx[kSide];
    Run runs[kSide];
    int32_t runCount = 0;
    {
        double X = X0;
        for (int32_t k = 0; k < kSide; ++k) {
            const bool usable = PositionUsable(X);
            int32_t xi = 0;
            if (usable) {
                xi = static_cast<int32_t>(X);
                fx[k] = X - xi;
                oneMinusFx[k] = 1 - fx[k];
            }
            Run* last = runCount > 0 ? &runs[runCount - 1] : nullptr;
            if (last != nullptr && last->usable == usable && (!usable || last->xi == xi)) {
                last->end = k + 1;
            } else {
                Run& run = runs[runCount++];
                run = Run{};
                run.begin = k;
                run.end = k + 1;
                run.usable = usable;
                run.xi = xi;
                if (usable) {
                    run.west = MakeColumn(xi);
                    run.east = MakeColumn(static_cast<int64_t>(xi) + 1);
                }
            }
            X = X + stepX;
        }
    }

    // Per column, the south and north edge blends of the current source cell row. Columns
    // without a usable position keep 0 on both edges, which blends to 0 + valueOffset: what
    // such a sample reads.
    double south[kSide] = {};
    double north[kSide] = {};

    TileReader reader(lookup, context);
    bool remembered = false;
    int32_t rememberedX = 0;
    int32_t rememberedY = 0;
    int16_t zSW = 0;
    int16_t zSE = 0;
    int16_t zNE = 0;
    int16_t zNW = 0;

    // The source row of the previous output row, when its edges are still in south and north.
    bool edgesKept = false;
    int32_t edgesRow = 0;

    for (int32_t r = 0; r < kSide; ++r) {
        int16_t* out = block + r * kSide;
        const RowRange range = rows != nullptr ? rows[r] : kWholeRow;
        // The edges stay as they are: a later row of the same source row still finds them.
        if (range.begin == range.end) {
            Y = Y + stepY;
            continue;
        }
        if (!PositionUsable(Y)) {
            for (int32_t k = range.begin; k < range.end; ++k) out[k] = empty;
            edgesKept = false;
            Y = Y + stepY;
            continue;
        }
        const int32_t yi = static_cast<int32_t>(Y);
        const double fy = Y - yi;
        const double oneMinusFy = 1 - fy;
        // A row in the same source row as the one before has the same neighbours in every run:
        // asking the source for them again would only give back what the edges already hold
        // (some ten rows of a 5 m block share each 50 m row).
        if (edgesKept && yi == edgesRow) {
            BlendRow(south, north, oneMinusFy, fy, valueOffset, out, range);
            Y = Y + stepY;
            continue;
        }
        edgesKept = true;
        edgesRow = yi;
        const int64_t southRow = TileIdRowPart(yi);
        const int64_t northRow = TileIdRowPart(static_cast<int64_t>(yi) + 1);
        const int32_t southElement = (yi % kSide) * kSide;
        const int32_t northElement = static_cast<int32_t>(((static_cast<int64_t>(yi) + 1) % kSide) * kSide);

        for (int32_t n = 0; n < runCount; ++n) {
            Run& run = runs[n];
            if (!run.usable) continue;
            if (!remembered || run.xi != rememberedX || yi != rememberedY) {
                remembered = true;
                rememberedX = run.xi;
                rememberedY = yi;
                zSW = reader.Read(run.west, southRow, southElement);
                zSE = reader.Read(run.east, southRow, southElement);
                zNE = reader.Read(run.east, northRow, northElement);
                zNW = reader.Read(run.west, northRow, northElement);
            }
            if (!run.blended || run.values[0] != zSW || run.values[1] != zSE || run.values[2] != zNE ||
                run.values[3] != zNW) {
                run.blended = true;
                run.values[0] = zSW;
                run.values[1] = zSE;
                run.values[2] = zNE;
                run.values[3] = zNW;
                for (int32_t k = run.begin; k < run.end; ++k) {
                    south[k] = oneMinusFx[k] * zSW + fx[k] * zSE;
                    north[k] = oneMinusFx[k] * zNW + fx[k] * zNE;
                }
            }
        }
        BlendRow(south, north, oneMinusFy, fy, valueOffset, out, range);
        Y = Y + stepY;
    }
}

}  // namespace base
