// The resampling written out step by step, sample by sample, as the reference that the fast
// ResampleBlock must match bit for bit. Where positions leave what a tile can answer it applies
// the same rules as ResampleBlock (base/resample.h); everywhere else it is the plain procedure.
#pragma once

#include <cstdint>
#include <vector>

#include "base/block_id.h"
#include "base/resample.h"

namespace oracle {

inline int16_t Neighbour(base::TileLookup lookup, void* context, int32_t x, int32_t y) {
    if (!base::CellHasTileId(x, y)) return 0;
    const int16_t* tile = lookup(context, base::CellToTileId(x, y));
    return tile[(y % 320) * 320 + (x % 320)];
}

inline void ResampleBlock(int32_t blockId, int16_t* block, double lat0, double lon0, double cellsPerDegLat,
                          double cellsPerDegLon, const base::SourceGrid& grid, base::TileLookup lookup, void* context,
                          int32_t valueOffset, const base::RowRange* rows = nullptr) {
    // Ranges: the whole block as usual, then only their cells copied out.
    if (rows != nullptr) {
        std::vector<int16_t> whole(320 * 320);
        oracle::ResampleBlock(blockId, whole.data(), lat0, lon0, cellsPerDegLat, cellsPerDegLon, grid, lookup, context,
                              valueOffset);
        for (int r = 0; r < 320; ++r) {
            for (int k = rows[r].begin; k < rows[r].end; ++k) block[r * 320 + k] = whole[r * 320 + k];
        }
        return;
    }
    if (!base::GridUsable(cellsPerDegLat, cellsPerDegLon, grid)) {
        for (int i = 0; i < 320 * 320; ++i) block[i] = static_cast<int16_t>(valueOffset);
        return;
    }
    const double NY = grid.cellsPerDegLat;
    const double NX = grid.cellsPerDegLon;
    const double srcLat0 = grid.originLat;
    const double srcLon0 = grid.originLon;

    // 1.
    const base::CellPos cell = base::BlockIdToCell(blockId);
    const int32_t R0 = cell.firstRow;
    const int32_t C0 = cell.firstColumn;
    // 2.
    const double stepX = (1 / cellsPerDegLon) * NX;
    const double stepY = (1 / cellsPerDegLat) * NY;
    // 3.
    double Y = NY * (R0 / cellsPerDegLat + lat0 - srcLat0 - 0.5 / NY);
    const double X0 = NX * (C0 / cellsPerDegLon + lon0 - srcLon0 - 0.5 / NX);
    // 4.
    bool remembered = false;
    int32_t rememberedXi = 0;
    int32_t rememberedYi = 0;
    int16_t zSW = 0;
    int16_t zSE = 0;
    int16_t zNE = 0;
    int16_t zNW = 0;
    // 5.
    for (int r = 0; r < 320; ++r) {
        double X = X0;
        for (int k = 0; k < 320; ++k) {
            if (!base::PositionUsable(X) || !base::PositionUsable(Y)) {
                block[r * 320 + k] = static_cast<int16_t>(valueOffset);
                X = X + stepX;
                continue;
            }
            // 5.1
            const int32_t Xi = static_cast<int32_t>(X);
            const int32_t Yi = static_cast<int32_t>(Y);
            const double fx = X - Xi;
            const double fy = Y - Yi;
            // 5.2
            if (!remembered || Xi != rememberedXi || Yi != rememberedYi) {
                remembered = true;
                rememberedXi = Xi;
                rememberedYi = Yi;
                zSW = Neighbour(lookup, context, Xi, Yi);
                zSE = Neighbour(lookup, context, Xi + 1, Yi);
                zNE = Neighbour(lookup, context, Xi + 1, Yi + 1);
                zNW = Neighbour(lookup, context, Xi, Yi + 1);
            }
            // 5.3
            const double z = ((1 - fx) * zSW + fx * zSE) * (1 - fy) + ((1 - fx) * zNW + fx * zNE) * fy;
            // 5.4
            block[r * 320 + k] = static_cast<int16_t>(static_cast<int32_t>(z) + valueOffset);
            // 5.5
            X = X + stepX;
        }
        Y = Y + stepY;
    }
}

}  // namespace oracle
