#include "base/block_id.h"

namespace base {

CellPos BlockIdToCell(int32_t blockId) {
    const int64_t id = blockId;
    const int64_t column = 40 * (id % 10) + 320 * ((id / 100) % 100) + 32000 * ((id / 1000000) % 100) - 320;
    const int64_t row = 40 * ((id / 10) % 10) + 320 * ((id / 10000) % 100) + 32000 * (id / 100000000);
    return CellPos{static_cast<int32_t>(row), static_cast<int32_t>(column)};
}

int64_t CellToTileId64(int64_t x, int64_t y) {
    const int64_t tx = x / 40 + 8;
    const int64_t ty = y / 40;
    const int64_t full = (tx % 8) + 10 * (ty % 8) + 100 * ((tx % 800) / 8) + 10000 * ((ty % 800) / 8) +
                         1000000 * (tx / 800) + 100000000 * (ty / 800);
    return (full / 100) * 100;
}

int32_t CellToTileId(int32_t x, int32_t y) {
    // Conversion to a narrower signed type is modular since C++20.
    return static_cast<int32_t>(CellToTileId64(x, y));
}

bool CellHasTileId(int32_t x, int32_t y) {
    if (x < 0 || y < 0) return false;
    const int64_t tileColumn = static_cast<int64_t>(x) / 320 + 1;
    if (tileColumn > 9999) return false;  // the column block's high part has two digits
    return CellToTileId64(x, y) <= INT32_MAX;
}

}  // namespace base
