// The host's block numbering, shared by the 5 m map and the tiles of both 50 m sources.
#pragma once

#include <cstdint>

#include "olx/block_geometry.h"

namespace base {

struct CellPos {
    int32_t firstRow;     // rows count from the south
    int32_t firstColumn;  // columns count from the west
};

// Every digit counts whatever its value; negative identifiers give negative digits (truncating
// arithmetic). No int32 identifier can overflow the result.
[[nodiscard]] CellPos BlockIdToCell(int32_t blockId);

// Identifier of the 320 x 320 tile that holds column x, row y of a source grid (x, y >= 0),
// worked out in 64 bits. Tiles whose identifier cannot be named in 32 bits (column block above
// 9,999, or a value above INT32_MAX) come out of CellToTileId wrapped modulo 2^32; callers that
// read tiles check CellHasTileId first and treat such cells as missing.
[[nodiscard]] int64_t CellToTileId64(int64_t x, int64_t y);

// The identifier's column and row halves (x, y >= 0): CellToTileId64(x, y) is
// TileIdColumnPart(x) + TileIdRowPart(y), since the fine digits it drops are the only ones where
// column and row would mix. The resampler adds them per output column and row.
[[nodiscard]] inline int64_t TileIdColumnPart(int64_t x) {
    const int64_t tx = x / 40 + 8;
    return 100 * ((tx % 800) / 8) + 1000000 * (tx / 800);
}
[[nodiscard]] inline int64_t TileIdRowPart(int64_t y) {
    const int64_t ty = y / 40;
    return 10000 * ((ty % 800) / 8) + 100000000 * (ty / 800);
}
// The identifier of the block whose first cell is column x, row y (x, y >= 0, multiples of 40):
// the inverse of BlockIdToCell, the tile's identifier with the digits of the block's eighths.
[[nodiscard]] inline int64_t CellToBlockId64(int64_t x, int64_t y) {
    return TileIdColumnPart(x) + TileIdRowPart(y) + (x / 40 + 8) % 8 + 10 * ((y / 40) % 8);
}
// True when the tile column holding column x (x >= 0) can be named: the column block's high
// part has two digits, so the column block is at most 9,999.
[[nodiscard]] inline bool TileColumnNameable(int64_t x) {
    return x / olx::kBlockSide + 1 <= 9999;
}

[[nodiscard]] int32_t CellToTileId(int32_t x, int32_t y);
// True when x, y >= 0 and the tile holding the cell has a 32-bit identifier.
[[nodiscard]] bool CellHasTileId(int32_t x, int32_t y);

// Element of the cell within its tile (x, y >= 0).
[[nodiscard]] inline int32_t TileElement(int32_t x, int32_t y) {
    return (y % olx::kBlockSide) * olx::kBlockSide + (x % olx::kBlockSide);
}

}  // namespace base

using base::BlockIdToCell;
using base::CellToTileId;
