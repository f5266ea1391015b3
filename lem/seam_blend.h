// Where a sheet meets the 50 m base layer under it. The sheet's two outermost rings of cells
// are blended with the base so that no step shows: the outer ring takes two thirds of the base
// and one third of the sheet, the inner ring one third and two thirds.
//
// ReadBlock places the sheet's rows first and asks the base layer afterwards only for the
// cells that still need it: cells without a sheet value and the ring cells. Those are kept
// aside per row (the sheet's layer) while the fill writes the base into the block, then
// blended back.
#pragma once

#include <climits>
#include <cstdint>

#include "base/resample.h"
#include "lem/field_row.h"

namespace lem {

// A cell of the sheet's layer without a value: the base shows there. Metres of a field lie in
// -999..10000, so the mark is never a value.
inline constexpr int16_t kNoSheetValue = INT16_MIN;

// Where one block row lies on the sheet.
struct SeamRow {
    int64_t line;         // the sheet's row, 0 the northernmost
    int64_t firstColumn;  // the sheet's column of the block's column 0
    int32_t cols;         // the sheet's size
    int32_t rows;
};

// The cells of a row placed from delivered fields that still need the base: the no-data cells
// StoreMetres kept, those past the delivered fields and the ring cells. fill covers them all,
// rounded out to multiples of 8, and is empty when the sheet covers the row by itself; blend is
// the part of fill that holds sheet values, which the fill overwrites and BlendSeamRow puts back.
struct SeamCells {
    base::RowRange fill;
    base::RowRange blend;
};
[[nodiscard]] SeamCells CellsForBase(const SeamRow& row, int delivered, const KeptCells& kept);

// sheet[k] for k in range: the metres StoreMetres wrote for fields[k], or kNoSheetValue where
// fields[k] is a no-data mark or k is past the delivered fields.
void KeepSheetCells(const int32_t* fields, const int16_t* metres, int delivered, base::RowRange range, int16_t* sheet);

// out[k] for k in range from the sheet's layer and the base value base[k]: the base where the
// sheet has no value; else, when blend is set and the cell is on a ring and its base is not 0,
// the ring's mix (C's truncating divisions); else the sheet's value. base may be out.
void BlendSeamRow(const int16_t* sheet, const int16_t* base, base::RowRange range, const SeamRow& row, bool blend,
                  int16_t* out);

}  // namespace lem
