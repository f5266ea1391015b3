// The host's block geometry: a map is delivered, and both 50 m sources keep their tiles, as
// blocks of 320 x 320 signed 16-bit elevations, row by row from the south, each row from the
// west. The numbering of the blocks is base/block_id.h.
#pragma once

#include <cstdint>

namespace olx {

constexpr int32_t kBlockSide = 320;
constexpr int32_t kBlockCells = kBlockSide * kBlockSide;                              // 102,400
constexpr int32_t kBlockBytes = kBlockCells * static_cast<int32_t>(sizeof(int16_t));  // 204,800

}  // namespace olx
