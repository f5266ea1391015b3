// The host's block numbering, shared by the 5 m map and the tiles of both 50 m sources.
#pragma once

#include <cstdint>

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
[[nodiscard]] int32_t CellToTileId(int32_t x, int32_t y);
// True when x, y >= 0 and the tile holding the cell has a 32-bit identifier.
[[nodiscard]] bool CellHasTileId(int32_t x, int32_t y);

// Element of the cell within its tile (x, y >= 0).
[[nodiscard]] inline int32_t TileElement(int32_t x, int32_t y) {
    return (y % 320) * 320 + (x % 320);
}

}  // namespace base

using base::BlockIdToCell;
using base::CellToTileId;
