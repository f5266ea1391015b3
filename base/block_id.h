// The host's block numbering, shared by the 5 m map and the tiles of both 50 m sources.
#pragma once

#include <cstdint>

namespace base {

struct CellPos {
    int32_t firstRow;     // rows count from the south
    int32_t firstColumn;  // columns count from the west
};

[[nodiscard]] CellPos BlockIdToCell(int32_t blockId);
// Identifier of the 320 x 320 tile that holds column x, row y of a source grid (x, y >= 0).
[[nodiscard]] int32_t CellToTileId(int32_t x, int32_t y);

}  // namespace base

using base::BlockIdToCell;
using base::CellToTileId;
