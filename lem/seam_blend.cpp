#include "lem/seam_blend.h"

#include <algorithm>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lem {
namespace {

constexpr int kSide = 320;

enum class Ring { kNone, kInner, kOuter };

// The ring every cell of the row is on, unless its column puts it on an outer one.
Ring RowRing(const SeamRow& row) {
    if (row.line == 0 || row.line == int64_t{row.rows} - 1) return Ring::kOuter;
    if (row.line <= 1 || row.line >= int64_t{row.rows} - 2) return Ring::kInner;
    return Ring::kNone;
}

Ring CellRing(const SeamRow& row, Ring rowRing, int k) {
    const int64_t c = row.firstColumn + k;
    if (rowRing == Ring::kOuter || c == 0 || c == int64_t{row.cols} - 1) return Ring::kOuter;
    if (rowRing == Ring::kInner || c == 1 || c == int64_t{row.cols} - 2) return Ring::kInner;
    return Ring::kNone;
}

int16_t BlendCell(int16_t sheet, int16_t base, Ring ring, bool blend) {
    if (sheet == kNoSheetValue) return base;
    const int32_t b = base;
    const int32_t m = sheet;
    if (!blend || b == 0 || ring == Ring::kNone) return sheet;
    return static_cast<int16_t>(ring == Ring::kOuter ? (2 * b) / 3 + m / 3 : b / 3 + (2 * m) / 3);
}

// Block columns whose sheet column is one of the four ring columns, once each.
struct RingColumns {
    int k[4];
    int count = 0;
};

RingColumns RingColumnsIn(const SeamRow& row, int begin, int end) {
    RingColumns ring;
    for (const int64_t c : {int64_t{0}, int64_t{1}, int64_t{row.cols} - 2, int64_t{row.cols} - 1}) {
        const int64_t k = c - row.firstColumn;
        if (k < begin || k >= end || std::find(ring.k, ring.k + ring.count, k) != ring.k + ring.count) continue;
        ring.k[ring.count++] = static_cast<int>(k);
    }
    return ring;
}

#if defined(__SSE2__)
// x / 3 truncated toward zero for |x| <= 65536, four lanes: 1/3 in single precision is above
// the true third by less than 1e-8 relative, so the product of a whole number lands at or
// just above its quotient and more than a third below the next whole number; truncation then
// gives C's division exactly (the test runs every value the blend can meet).
inline __m128i ThirdOf(__m128i x) {
    return _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(x), _mm_set1_ps(1.0f / 3.0f)));
}

// Signed 16-bit lanes to two vectors of 32-bit lanes.
inline __m128i Low32(__m128i x) {
    return _mm_srai_epi32(_mm_unpacklo_epi16(x, x), 16);
}
inline __m128i High32(__m128i x) {
    return _mm_srai_epi32(_mm_unpackhi_epi16(x, x), 16);
}

// The ring's mix of eight cells: (2b)/3 + m/3 on the outer ring, b/3 + (2m)/3 on the inner.
// Both parts stay within 16 bits, so the pack does not saturate.
inline __m128i RingMix(__m128i b, __m128i m, Ring ring) {
    const auto half = [ring](__m128i b32, __m128i m32) {
        const __m128i baseTerm = ring == Ring::kOuter ? _mm_add_epi32(b32, b32) : b32;
        const __m128i sheetTerm = ring == Ring::kOuter ? m32 : _mm_add_epi32(m32, m32);
        return _mm_add_epi32(ThirdOf(baseTerm), ThirdOf(sheetTerm));
    };
    return _mm_packs_epi32(half(Low32(b), Low32(m)), half(High32(b), High32(m)));
}

inline __m128i Select(__m128i mask, __m128i yes, __m128i no) {
    return _mm_or_si128(_mm_and_si128(mask, yes), _mm_andnot_si128(mask, no));
}
#endif

}  // namespace

SeamCells CellsForBase(const SeamRow& row, int delivered, const KeptCells& kept) {
    int first = kSide;
    int end = 0;
    const auto add = [&](int from, int to) {
        if (from >= to) return;
        first = std::min(first, from);
        end = std::max(end, to);
    };
    add(kept.first, kept.end);
    add(delivered, kSide);
    if (RowRing(row) != Ring::kNone) {
        add(0, delivered);
    } else {
        const RingColumns ring = RingColumnsIn(row, 0, delivered);
        for (int i = 0; i < ring.count; ++i) add(ring.k[i], ring.k[i] + 1);
    }
    if (first >= end) return SeamCells{{0, 0}, {0, 0}};
    const auto begin = static_cast<int16_t>(first / 8 * 8);
    const auto fillEnd = static_cast<int16_t>((end + 7) / 8 * 8);
    const auto sheetEnd = static_cast<int16_t>(std::min<int>(fillEnd, (delivered + 7) / 8 * 8));
    return SeamCells{{begin, fillEnd}, {begin, std::max(begin, sheetEnd)}};
}

void KeepSheetCells(const int32_t* fields, const int16_t* metres, int delivered, base::RowRange range, int16_t* sheet) {
    int k = range.begin;
    const int placedEnd = std::min<int>(delivered, range.end);
#if defined(__SSE2__)
    const __m128i noData = _mm_set1_epi32(kNoData);
    const __m128i outside = _mm_set1_epi32(kOutsideSurvey);
    const __m128i none = _mm_set1_epi16(kNoSheetValue);
    for (; k + 8 <= placedEnd; k += 8) {
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(fields + k));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(fields + k + 4));
        const __m128i mark = _mm_packs_epi32(_mm_or_si128(_mm_cmpeq_epi32(v0, noData), _mm_cmpeq_epi32(v0, outside)),
                                             _mm_or_si128(_mm_cmpeq_epi32(v1, noData), _mm_cmpeq_epi32(v1, outside)));
        const __m128i m = _mm_loadu_si128(reinterpret_cast<const __m128i*>(metres + k));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(sheet + k), Select(mark, none, m));
    }
#endif
    for (; k < placedEnd; ++k) {
        sheet[k] = fields[k] == kNoData || fields[k] == kOutsideSurvey ? kNoSheetValue : metres[k];
    }
    for (; k < range.end; ++k) sheet[k] = kNoSheetValue;
}

void BlendSeamRow(const int16_t* sheet, const int16_t* base, base::RowRange range, const SeamRow& row, bool blend,
                  int16_t* out) {
    const Ring rowRing = blend ? RowRing(row) : Ring::kNone;
    // The up to four cells whose column puts them on a ring of their own are worked out first:
    // base may be out, and the loop below overwrites it.
    const RingColumns columns =
        blend && rowRing != Ring::kOuter ? RingColumnsIn(row, range.begin, range.end) : RingColumns{};
    int16_t special[4];
    for (int i = 0; i < columns.count; ++i) {
        const int k = columns.k[i];
        special[i] = BlendCell(sheet[k], base[k], CellRing(row, rowRing, k), blend);
    }
    int k = range.begin;
#if defined(__SSE2__)
    const __m128i none = _mm_set1_epi16(kNoSheetValue);
    const __m128i zero = _mm_setzero_si128();
    for (; k < range.end; k += 8) {
        const __m128i s = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sheet + k));
        const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(base + k));
        __m128i value = s;
        if (rowRing != Ring::kNone) value = Select(_mm_cmpeq_epi16(b, zero), s, RingMix(b, s, rowRing));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), Select(_mm_cmpeq_epi16(s, none), b, value));
    }
#else
    for (; k < range.end; ++k) out[k] = BlendCell(sheet[k], base[k], rowRing, blend);
#endif
    for (int i = 0; i < columns.count; ++i) out[columns.k[i]] = special[i];
}

}  // namespace lem
