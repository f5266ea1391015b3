#include "base/block_id.h"

namespace base {

CellPos BlockIdToCell(int32_t blockId) {
    constexpr int64_t side = olx::kBlockSide;
    constexpr int64_t eighth = side / 8;  // the fine digits count eighths of a block
    const int64_t id = blockId;
    const int64_t column = eighth * (id % 10) + side * ((id / 100) % 100) + 100 * side * ((id / 1000000) % 100) - side;
    const int64_t row = eighth * ((id / 10) % 10) + side * ((id / 10000) % 100) + 100 * side * (id / 100000000);
    return CellPos{static_cast<int32_t>(row), static_cast<int32_t>(column)};
}

int64_t CellToTileId64(int64_t x, int64_t y) {
    return TileIdColumnPart(x) + TileIdRowPart(y);
}

int32_t CellToTileId(int32_t x, int32_t y) {
    // Conversion to a narrower signed type is modular since C++20.
    return static_cast<int32_t>(CellToTileId64(x, y));
}

bool CellHasTileId(int32_t x, int32_t y) {
    if (x < 0 || y < 0) return false;
    return TileColumnNameable(x) && CellToTileId64(x, y) <= INT32_MAX;
}

}  // namespace base
