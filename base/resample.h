// Bilinear resampling of a 50 m source grid onto one 320 x 320 block of a map's 5 m grid.
#pragma once

#include <cstdint>

namespace base {

// A source grid: south-west corner in degrees and cells per degree.
struct SourceGrid {
    double originLat;
    double originLon;
    double cellsPerDegLat;  // NY
    double cellsPerDegLon;  // NX
};

// The cells of one block row that a fill writes: [begin, end), both multiples of 8 (the width
// of one step of the row blend) within 0..320. begin == end leaves the row as it is.
struct RowRange {
    int16_t begin;
    int16_t end;
};

// Tile lookup: tile identifier -> its 320 x 320 values; always yields values. A lookup may
// reuse the storage of an earlier one, so each value is copied out before the next lookup.
using TileLookup = const int16_t* (*)(void* context, int32_t tileId);

// Where the map's sample positions leave what a tile can answer, the sample reads as if all four
// neighbours were missing (0 + valueOffset): map or source cells per degree that are not
// positive, positions that are not finite, a truncated position below 0 or one whose right or
// upper neighbour would pass INT32_MAX. A single neighbour whose tile has no 32-bit identifier
// reads as 0, like a tile the source lacks.
// rows, when given, holds one range per block row: only those cells are written, each with the
// value a whole fill gives it, and a row with an empty range costs no lookup.
void ResampleBlock(int32_t blockId, int16_t* block, double lat0, double lon0, double cellsPerDegLat,
                   double cellsPerDegLon, const SourceGrid& grid, TileLookup lookup, void* context, int32_t valueOffset,
                   const RowRange* rows = nullptr);

// The form of ResampleBlock, so that a source can run its fill with another resampler of the
// same contract (a reference transcription in tests and benchmarks).
using Resampler = void (*)(int32_t blockId, int16_t* block, double lat0, double lon0, double cellsPerDegLat,
                           double cellsPerDegLon, const SourceGrid& grid, TileLookup lookup, void* context,
                           int32_t valueOffset, const RowRange* rows);

// Sets the cells of the ranges (every cell when rows is nullptr) to value.
void FillRows(int16_t* block, const RowRange* rows, int16_t value);

// The largest position (exclusive) whose truncation leaves room for the neighbour at +1.
constexpr double kPositionLimit = 2147483647.0;

[[nodiscard]] inline bool PositionUsable(double p) {
    return p > -1.0 && p < kPositionLimit;  // false for NaN
}

[[nodiscard]] inline bool GridUsable(double cellsPerDegLat, double cellsPerDegLon, const SourceGrid& grid) {
    return cellsPerDegLat > 0 && cellsPerDegLon > 0 && grid.cellsPerDegLat > 0 && grid.cellsPerDegLon > 0;
}

// The tiles a block's usable samples reach, with their east and north neighbours, counted
// east-west and north-south; positions advance exactly as in ResampleBlock. 0 when no sample
// is usable.
struct TileSpan {
    int64_t columns;
    int64_t rows;
};
[[nodiscard]] TileSpan BlockTileSpan(int32_t blockId, double lat0, double lon0, double cellsPerDegLat,
                                     double cellsPerDegLon, const SourceGrid& grid);

// A block that reaches more tiles than this each way (a map grid two to three times coarser
// than its 50 m source, or coarser) is not sampled: it reads as if every tile were missing.
// Both sources then stay within what one fill can afford: the guidebook's ten decoded tiles
// hold every tile such a block needs, and the DCM file is read at most nine times.
constexpr int64_t kMaxTileSpan = 3;

[[nodiscard]] inline bool SpanSampled(const TileSpan& span) {
    return span.columns <= kMaxTileSpan && span.rows <= kMaxTileSpan;
}

// A 50 m source's fill once it knows its grid: the resampler over its tiles, or valueOffset in
// every cell of a block that reaches more tiles than a fill affords.
void FillFromTiles(Resampler resampler, int32_t blockId, int16_t* block, double lat0, double lon0,
                   double cellsPerDegLat, double cellsPerDegLon, const SourceGrid& grid, TileLookup lookup,
                   void* context, int32_t valueOffset, const RowRange* rows);

}  // namespace base
