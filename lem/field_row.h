// Conversion of a run of consecutive 5-character elevation fields, as ReadBlock takes them
// from one data line. Gives exactly what ParseFieldExact gives for each field.
#pragma once

#include <cstdint>

namespace lem {

// Instructions the conversions may use: the best the processor has, SSSE3 at most, or SSE2 alone
// (so that tests compare every path on any machine).
enum class FieldRowPath { kBest, kSsse3, kSse2 };

// values[k] = ParseFieldExact(text + 5 * k) for k < count. text must have 3 readable bytes
// after its 5 * count bytes.
void ParseFieldRow(const char* text, int count, int32_t* values, FieldRowPath path = FieldRowPath::kBest);

// out[k] = (values[k] + 5) / 10 (tenths of a metre to whole metres, halves away from zero
// for positive values, as C division truncates), except where values[k] is kNoData or
// kOutsideSurvey: there out[k] keeps what it holds. values are those of five-character fields
// (-9999..99999), as ParseFieldRow gives them.
inline constexpr int32_t kNoData = -9999;
// The survey's "outside the surveyed area" mark: no real elevation of -111.1 m exists in these
// sheets, and drawing one would dig a pit into the base layer.
inline constexpr int32_t kOutsideSurvey = -1111;
// placed, when given, gets bit k % 64 of placed[k / 64] set for every out[k] written (the bits
// of the other cells stay as they are). Returns the cells it kept: [first, end), first == end
// when none.
struct KeptCells {
    int first;
    int end;
};
KeptCells StoreMetres(const int32_t* values, int count, int16_t* out, uint64_t* placed = nullptr);

// StoreMetres of what ParseFieldRow gives for the count fields at text, in one pass where the
// fields have the survey tools' blank-and-digit shape. text must have 3 readable bytes after
// its 5 * count bytes.
KeptCells StoreFieldRow(const char* text, int count, int16_t* out, uint64_t* placed = nullptr,
                        FieldRowPath path = FieldRowPath::kBest);

}  // namespace lem
