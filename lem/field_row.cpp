#include "lem/field_row.h"

#include <cstring>

#include "lem/field.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace lem {
namespace {

// Written by the survey's own tools, a field is blanks, an optional minus and digits in that
// order ("  850", "-9999", " -123"). When every field of a run has that shape, each value
// follows from a few word operations with no per-field checks; the shape itself is checked for
// the whole run at once.
#if defined(__SSE2__)
// Bit i of the masks is byte i of the 16 bytes at p.
struct Classes {
    unsigned digit, blank, minus;
};

inline Classes Classify(__m128i c) {
    const __m128i isDigit = _mm_and_si128(_mm_cmpgt_epi8(c, _mm_set1_epi8('0' - 1)), _mm_cmplt_epi8(c, _mm_set1_epi8('9' + 1)));
    return {static_cast<unsigned>(_mm_movemask_epi8(isDigit)),
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(c, _mm_set1_epi8(' ')))),
            static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(c, _mm_set1_epi8('-'))))};
}

// Bits of the 16-byte chunk at offset 16 * j (j mod 5) that start a field.
constexpr unsigned FieldStarts(int j) {
    unsigned bits = 0;
    for (int i = 0; i < 16; ++i)
        if ((16 * j + i) % 5 == 0) bits |= 1u << i;
    return bits;
}
constexpr unsigned kFieldStarts[5] = {FieldStarts(0), FieldStarts(1), FieldStarts(2), FieldStarts(3), FieldStarts(4)};

bool AllFieldsPlain(const char* text, int bytes) {
    unsigned carry = 0;  // digit-or-minus state of the byte before the chunk
    for (int at = 0, j = 0; at < bytes; at += 16, j = j == 4 ? 0 : j + 1) {
        const int n = bytes - at < 16 ? bytes - at : 16;
        __m128i chunk;
        if (n == 16) {
            chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
        } else {
            alignas(16) char tail[16] = {};
            std::memcpy(tail, text + at, static_cast<size_t>(n));
            chunk = _mm_load_si128(reinterpret_cast<const __m128i*>(tail));
        }
        const Classes k = Classify(chunk);
        const unsigned used = n == 16 ? 0xFFFFu : (1u << n) - 1;
        // After a digit or a minus only digits may follow within a field.
        const unsigned digitOrMinus = k.digit | k.minus;
        const unsigned before = ((digitOrMinus << 1) | carry) & ~kFieldStarts[j];
        const unsigned bad = (~(k.digit | k.blank | k.minus) | (before & ~k.digit)) & used;
        if (bad) return false;
        carry = (digitOrMinus >> 15) & 1u;
    }
    return true;
}

// Four plain fields at text (3 readable bytes after the last) to four values. Each field's
// eight loaded bytes become eight 16-bit digits (blanks, the minus and the three bytes after
// the field count as zero) that one multiply-add weighs by 10000, 1000, 100, 10 and 1; a sum
// of absolute differences counts each field's minus.
inline __m128i FourPlainFields(const char* text) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i weights = _mm_setr_epi16(10000, 1000, 100, 10, 1, 0, 0, 0);
    const __m128i fieldBytes = _mm_setr_epi8(-1, -1, -1, -1, -1, 0, 0, 0, -1, -1, -1, -1, -1, 0, 0, 0);
    const __m128i ascii0 = _mm_set1_epi8('0');
    const __m128i minusChar = _mm_set1_epi8('-');
    const __m128i one = _mm_set1_epi8(1);
    __m128i sums[2], minus[2];
    for (int half = 0; half < 2; ++half) {
        const char* f = text + 10 * half;
        const __m128i pair = _mm_and_si128(
            _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(f)),
                               _mm_loadl_epi64(reinterpret_cast<const __m128i*>(f + 5))),
            fieldBytes);
        const __m128i t = _mm_sub_epi8(pair, ascii0);
        // Digits are 0..9 here; blanks, the minus and the cleared bytes are negative or larger.
        const __m128i isDigit = _mm_and_si128(_mm_cmpgt_epi8(t, _mm_set1_epi8(-1)), _mm_cmplt_epi8(t, _mm_set1_epi8(10)));
        const __m128i digits = _mm_and_si128(t, isDigit);
        const __m128i a = _mm_madd_epi16(_mm_unpacklo_epi8(digits, zero), weights);
        const __m128i b = _mm_madd_epi16(_mm_unpackhi_epi8(digits, zero), weights);
        // a = [a0 a1 a2 0], b = [b0 b1 b2 0]: interleave and add twice for [sum a, sum b].
        const __m128i ab = _mm_add_epi32(_mm_unpacklo_epi32(a, b), _mm_unpackhi_epi32(a, b));  // [a0+a2 b0+b2 a1 b1]
        sums[half] = _mm_add_epi32(ab, _mm_srli_si128(ab, 8));                                   // [a b . .]
        minus[half] = _mm_sad_epu8(_mm_and_si128(_mm_cmpeq_epi8(pair, minusChar), one), zero);  // 64-bit counts
    }
    const __m128i v = _mm_unpacklo_epi64(sums[0], sums[1]);
    const __m128i n = _mm_unpacklo_epi64(_mm_shuffle_epi32(minus[0], _MM_SHUFFLE(3, 3, 2, 0)),
                                         _mm_shuffle_epi32(minus[1], _MM_SHUFFLE(3, 3, 2, 0)));
    // n is 0 or 1: (v ^ -n) + n negates where a minus was seen.
    return _mm_add_epi32(_mm_xor_si128(v, _mm_sub_epi32(zero, n)), n);
}
#else
bool AllFieldsPlain(const char*, int) { return false; }
#endif

// One field of plain shape: blanks and the minus read as zero digits.
inline int32_t PlainField(const char* f) {
    uint64_t x;
    std::memcpy(&x, f, sizeof x);
    const uint64_t t = (x & kFiveBytes) ^ Repeat('0');  // digits 0..9, blank 0x10, minus 0x1D
    const uint64_t notDigit = ((t >> 4) & Repeat(1)) * 0xFF;
    const bool negative = (t & notDigit & Repeat(0x0F)) != 0;
    uint64_t v = (t & ~notDigit) << 24;
    v = v * 10 + (v >> 8);
    v = (((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
         (((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >> 32;
    const auto value = static_cast<int32_t>(v);
    return negative ? -value : value;
}

}  // namespace

void ParseFieldRow(const char* text, int count, int32_t* values) {
    if (count <= 0) return;
    if (AllFieldsPlain(text, 5 * count)) {
        int k = 0;
#if defined(__SSE2__)
        for (; k + 4 <= count; k += 4)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(values + k), FourPlainFields(text + 5 * k));
#endif
        for (; k < count; ++k) values[k] = PlainField(text + 5 * k);
    } else {
        for (int k = 0; k < count; ++k) values[k] = ParseField(text + 5 * k);
    }
}

void StoreMetres(const int32_t* values, int count, int16_t* out) {
    int k = 0;
#if defined(__SSE2__)
    // |v + 5| / 10 through the unsigned reciprocal 0xCCCCCCCD / 2^35 (exact for every 32-bit
    // value), the sign put back after: the same truncation toward zero as C division.
    const __m128i five = _mm_set1_epi32(5);
    const __m128i magic = _mm_set1_epi32(static_cast<int32_t>(0xCCCCCCCDu));
    const __m128i noData = _mm_set1_epi32(kNoData);
    const __m128i outside = _mm_set1_epi32(kOutsideSurvey);
    auto quarter = [&](__m128i v) {
        const __m128i x = _mm_add_epi32(v, five);
        const __m128i sign = _mm_srai_epi32(x, 31);
        const __m128i magnitude = _mm_sub_epi32(_mm_xor_si128(x, sign), sign);
        const __m128i even = _mm_srli_epi64(_mm_mul_epu32(magnitude, magic), 35);
        const __m128i odd = _mm_srli_epi64(_mm_mul_epu32(_mm_srli_epi64(magnitude, 32), magic), 35);
        const __m128i q = _mm_or_si128(even, _mm_slli_epi64(odd, 32));
        return _mm_sub_epi32(_mm_xor_si128(q, sign), sign);
    };
    for (; k + 8 <= count; k += 8) {
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + k));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + k + 4));
        const __m128i keep = _mm_packs_epi32(_mm_or_si128(_mm_cmpeq_epi32(v0, noData), _mm_cmpeq_epi32(v0, outside)),
                                             _mm_or_si128(_mm_cmpeq_epi32(v1, noData), _mm_cmpeq_epi32(v1, outside)));
        // Values of five characters give quotients within 16 bits; the pack does not saturate.
        const __m128i metres = _mm_packs_epi32(quarter(v0), quarter(v1));
        __m128i* const dst = reinterpret_cast<__m128i*>(out + k);
        const __m128i old = _mm_loadu_si128(dst);
        _mm_storeu_si128(dst, _mm_or_si128(_mm_and_si128(keep, old), _mm_andnot_si128(keep, metres)));
    }
#endif
    for (; k < count; ++k) {
        const int32_t v = values[k];
        if (v == kNoData || v == kOutsideSurvey) continue;
        out[k] = static_cast<int16_t>((v + 5) / 10);
    }
}

}  // namespace lem
