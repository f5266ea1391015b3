#include "lem/field_row.h"

#include <bit>
#include <cstring>

#include "lem/field.h"

#if defined(__SSE2__)
#include <cpuid.h>
#include <emmintrin.h>
#include <tmmintrin.h>
#endif

namespace lem {
namespace {

// Written by the survey's own tools, a field is blanks, an optional minus and digits in that
// order ("  850", "-9999", " -123"). When every field of a run has that shape, each value
// follows from a few word operations with no per-field checks; the shape itself is checked for
// a whole run, or a group of sixteen fields, at once.
#if defined(__SSE2__)
// Bit i of the masks is byte i of the 16 bytes at p.
struct Classes {
    unsigned digit, blank, minus;
};

inline Classes Classify(__m128i c) {
    const __m128i isDigit =
        _mm_and_si128(_mm_cmpgt_epi8(c, _mm_set1_epi8('0' - 1)), _mm_cmplt_epi8(c, _mm_set1_epi8('9' + 1)));
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
struct TwoFields {
    __m128i sums;   // the two digit sums in the low two 32-bit lanes
    __m128i minus;  // minus counts of the two fields in the two 64-bit lanes
};

[[gnu::always_inline]] inline TwoFields TwoPlainFields(const char* f) {
    const __m128i zero = _mm_setzero_si128();
    // Bytes 5 to 7 of each load belong to the next field: weight 0, and not searched for a minus.
    const __m128i weights = _mm_setr_epi16(10000, 1000, 100, 10, 1, 0, 0, 0);
    const __m128i fieldOnes = _mm_setr_epi8(1, 1, 1, 1, 1, 0, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0);
    const __m128i pair = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(f)),
                                            _mm_loadl_epi64(reinterpret_cast<const __m128i*>(f + 5)));
    // In a plain field every byte is a digit, a blank or the minus; the two lie below '0', so a
    // saturating subtraction leaves the digits and zeros for the rest.
    const __m128i digits = _mm_subs_epu8(pair, _mm_set1_epi8('0'));
    const __m128i a = _mm_madd_epi16(_mm_unpacklo_epi8(digits, zero), weights);
    const __m128i b = _mm_madd_epi16(_mm_unpackhi_epi8(digits, zero), weights);
    // a = [a0 a1 a2 0], b = [b0 b1 b2 0]: interleave and add twice for [sum a, sum b].
    const __m128i ab = _mm_add_epi32(_mm_unpacklo_epi32(a, b), _mm_unpackhi_epi32(a, b));  // [a0+a2 b0+b2 a1 b1]
    const __m128i minusBytes = _mm_and_si128(_mm_cmpeq_epi8(pair, _mm_set1_epi8('-')), fieldOnes);
    return {_mm_add_epi32(ab, _mm_srli_si128(ab, 8)), _mm_sad_epu8(minusBytes, zero)};
}

[[gnu::always_inline]] inline __m128i FourPlainFields(const char* text) {
    const TwoFields lo = TwoPlainFields(text);
    const TwoFields hi = TwoPlainFields(text + 10);
    const __m128i v = _mm_unpacklo_epi64(lo.sums, hi.sums);
    const __m128i n = _mm_unpacklo_epi64(_mm_shuffle_epi32(lo.minus, _MM_SHUFFLE(3, 3, 2, 0)),
                                         _mm_shuffle_epi32(hi.minus, _MM_SHUFFLE(3, 3, 2, 0)));
    // n is 0 or 1: (v ^ -n) + n negates where a minus was seen.
    return _mm_add_epi32(_mm_xor_si128(v, _mm_sub_epi32(_mm_setzero_si128(), n)), n);
}

// Most rows hold no minus at all: every field is blanks then digits. That shape is checked
// with vector operations alone, the result tested once per run.
struct NotFieldStarts {
    alignas(16) unsigned char bytes[5][16];
};
constexpr NotFieldStarts MakeNotFieldStarts() {
    NotFieldStarts t{};
    for (int j = 0; j < 5; ++j)
        for (int i = 0; i < 16; ++i) t.bytes[j][i] = (kFieldStarts[j] >> i) & 1u ? 0 : 0xFF;
    return t;
}
constexpr NotFieldStarts kNotFieldStarts = MakeNotFieldStarts();

bool AllFieldsBlankDigits(const char* text, int bytes) {
    const __m128i zeroChar = _mm_set1_epi8('0');
    const __m128i nine = _mm_set1_epi8(9);
    const __m128i blank = _mm_set1_epi8(' ');
    __m128i allKnown = _mm_set1_epi8(-1);      // every byte a blank or a digit
    __m128i blankAfter = _mm_setzero_si128();  // a blank after a digit of the same field
    __m128i lastDigits = _mm_setzero_si128();
    for (int at = 0, j = 0; at < bytes; at += 16, j = j == 4 ? 0 : j + 1) {
        __m128i chunk;
        if (bytes - at >= 16) {
            chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + at));
        } else {
            // Padding of '0' reads as whole digit fields: the run ends on a field boundary.
            alignas(16) char tail[16];
            std::memset(tail, '0', sizeof tail);
            std::memcpy(tail, text + at, static_cast<size_t>(bytes - at));
            chunk = _mm_load_si128(reinterpret_cast<const __m128i*>(tail));
        }
        const __m128i x = _mm_sub_epi8(chunk, zeroChar);
        const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(x, nine), x);
        const __m128i isBlank = _mm_cmpeq_epi8(chunk, blank);
        allKnown = _mm_and_si128(allKnown, _mm_or_si128(digit, isBlank));
        const __m128i digitBefore = _mm_or_si128(_mm_slli_si128(digit, 1), _mm_srli_si128(lastDigits, 15));
        const __m128i notStart = _mm_load_si128(reinterpret_cast<const __m128i*>(kNotFieldStarts.bytes[j]));
        blankAfter = _mm_or_si128(blankAfter, _mm_and_si128(_mm_and_si128(digitBefore, isBlank), notStart));
        lastDigits = digit;
    }
    return _mm_movemask_epi8(allKnown) == 0xFFFF && _mm_movemask_epi8(blankAfter) == 0;
}

// Blank-and-digit fields with SSSE3: a byte shuffle puts two fields into two 8-byte slots, one
// multiply-add of bytes forms (d0, 10 d1 + d2, 10 d3 + d4), one of words weighs those by 10000,
// 100 and 1.
[[gnu::target("ssse3"), gnu::always_inline]] inline __m128i TwoDigitFieldsSsse3(const char* f) {
    const __m128i slots = _mm_setr_epi8(-128, 0, 1, 2, 3, 4, -128, -128, -128, 5, 6, 7, 8, 9, -128, -128);
    const __m128i byteWeights = _mm_setr_epi8(0, 1, 10, 1, 10, 1, 0, 0, 0, 1, 10, 1, 10, 1, 0, 0);
    const __m128i wordWeights = _mm_setr_epi16(10000, 100, 1, 0, 10000, 100, 1, 0);
    const __m128i placed = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(f)), slots);
    // Blanks and the emptied bytes saturate to zero.
    return _mm_madd_epi16(_mm_maddubs_epi16(_mm_subs_epu8(placed, _mm_set1_epi8('0')), byteWeights), wordWeights);
}

// Four values at once from two such pairs and a horizontal add. Runs to k + 5 <= count, so that
// the second 16-byte load stays within the 3 bytes after the run; returns where it stopped.
[[gnu::target("ssse3")]] int DigitFieldsSsse3(const char* text, int count, int32_t* values) {
    int k = 0;
    for (; k + 5 <= count; k += 4) {
        const char* f = text + 5 * k;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(values + k),
                         _mm_hadd_epi32(TwoDigitFieldsSsse3(f), TwoDigitFieldsSsse3(f + 10)));
    }
    return k;
}
// Sixteen fields (80 bytes, five 16-byte chunks) at a time, each group checked for the
// blank-and-digit shape and converted while its bytes are still in registers and cache; the
// five chunks' field starts are fixed, so the check needs no per-chunk bookkeeping. A group
// of another shape ends the run. Runs to k + 17 <= count, so that the last 16-byte load of a
// group stays within the 3 bytes after the run; returns where it stopped.
[[gnu::target("ssse3")]] int BlankDigitGroupsSsse3(const char* text, int count, int32_t* values) {
    const __m128i zeroChar = _mm_set1_epi8('0');
    const __m128i* const notStart = reinterpret_cast<const __m128i*>(kNotFieldStarts.bytes);
    int k = 0;
    for (; k + 17 <= count; k += 16) {
        const char* g = text + 5 * k;
        __m128i c[5], y[5];
#pragma GCC unroll 5
        for (int i = 0; i < 5; ++i) {
            c[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g + 16 * i));
            // 0x20 for a blank, 0x30 for a digit.
            y[i] = _mm_min_epu8(c[i], zeroChar);
        }
        // Within a field of blanks then digits y never falls from one byte to the next; the
        // byte before a field start is masked out.
        __m128i fall = _mm_subs_epu8(_mm_and_si128(_mm_slli_si128(y[0], 1), _mm_load_si128(notStart)), y[0]);
#pragma GCC unroll 4
        for (int i = 1; i < 5; ++i) {
            const __m128i before = _mm_and_si128(_mm_alignr_epi8(y[i], y[i - 1], 15), _mm_load_si128(notStart + i));
            fall = _mm_or_si128(fall, _mm_subs_epu8(before, y[i]));
        }
        __m128i low = c[0], high = c[0], bits = y[0];
#pragma GCC unroll 4
        for (int i = 1; i < 5; ++i) {
            low = _mm_min_epu8(low, c[i]);
            high = _mm_max_epu8(high, c[i]);
            bits = _mm_or_si128(bits, y[i]);
        }
        // Every byte within ' '..'9' and none of '!'..'/' (whose y has bits besides 0x30).
        const __m128i bad =
            _mm_or_si128(_mm_or_si128(_mm_subs_epu8(_mm_set1_epi8(' '), low), _mm_subs_epu8(high, _mm_set1_epi8('9'))),
                         _mm_or_si128(_mm_andnot_si128(_mm_set1_epi8(0x30), bits), fall));
        if (_mm_movemask_epi8(_mm_cmpeq_epi8(bad, _mm_setzero_si128())) != 0xFFFF) break;
#pragma GCC unroll 4
        for (int q = 0; q < 4; ++q) {
            const char* f = g + 20 * q;
            _mm_storeu_si128(reinterpret_cast<__m128i*>(values + k + 4 * q),
                             _mm_hadd_epi32(TwoDigitFieldsSsse3(f), TwoDigitFieldsSsse3(f + 10)));
        }
    }
    return k;
}
#else
bool AllFieldsPlain(const char*, int) {
    return false;
}
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
         (((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
        32;
    const auto value = static_cast<int32_t>(v);
    return negative ? -value : value;
}

#if defined(__SSE2__)
// SSSE3 converts digit-only runs faster; asked once.
bool HasSsse3() {
    static const bool has = [] {
        unsigned a = 0, b = 0, c = 0, d = 0;
        return __get_cpuid(1, &a, &b, &c, &d) != 0 && (c & bit_SSSE3) != 0;
    }();
    return has;
}
#endif

}  // namespace

void ParseFieldRow(const char* text, int count, int32_t* values, [[maybe_unused]] FieldRowPath path) {
    if (count <= 0) return;
    int k = 0;
    bool plain = false;
#if defined(__SSE2__)
    if (path == FieldRowPath::kBest && HasSsse3()) {
        k = BlankDigitGroupsSsse3(text, count, values);
        if (AllFieldsBlankDigits(text + 5 * k, 5 * (count - k))) {
            // The fields it leaves are plain too.
            k += DigitFieldsSsse3(text + 5 * k, count - k, values + k);
            plain = true;
        }
    }
#endif
    if (plain || AllFieldsPlain(text + 5 * k, 5 * (count - k))) {
#if defined(__SSE2__)
        for (; k + 4 <= count; k += 4)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(values + k), FourPlainFields(text + 5 * k));
#endif
        for (; k < count; ++k) values[k] = PlainField(text + 5 * k);
    } else {
        for (; k < count; ++k) values[k] = ParseField(text + 5 * k);
    }
}

KeptCells StoreMetres(const int32_t* values, int count, int16_t* out, uint64_t* placed) {
    KeptCells kept{count, 0};
    const auto note = [&kept](int k) {
        if (k < kept.first) kept.first = k;
        kept.end = k + 1;
    };
    int k = 0;
#if defined(__SSE2__)
    // Values of five characters lie in -9999..99999. For them (v + 5) * 0.1f in single
    // precision stays within a fraction of its unit in the last place of the true quotient and
    // never reaches the next integer, so truncation gives C's division exactly (the test checks
    // every value of the range).
    const __m128i five = _mm_set1_epi32(5);
    const __m128 tenth = _mm_set1_ps(0.1f);
    const __m128i noData = _mm_set1_epi32(kNoData);
    const __m128i outside = _mm_set1_epi32(kOutsideSurvey);
    auto quarter = [&](__m128i v) {
        return _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(_mm_add_epi32(v, five)), tenth));
    };
    // The placed bits of a word are gathered in a register and stored once per 64 values.
    uint64_t word = 0;
    for (; k + 8 <= count; k += 8) {
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + k));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + k + 4));
        // Quotients lie within 16 bits; the pack does not saturate.
        const __m128i metres = _mm_packs_epi32(quarter(v0), quarter(v1));
        __m128i* const dst = reinterpret_cast<__m128i*>(out + k);
        unsigned keptBits = 0;
        if (_mm_movemask_ps(_mm_castsi128_ps(_mm_or_si128(v0, v1))) == 0) {
            // No value below zero, so no mark: most rows have none.
            _mm_storeu_si128(dst, metres);
        } else {
            const __m128i keep =
                _mm_packs_epi32(_mm_or_si128(_mm_cmpeq_epi32(v0, noData), _mm_cmpeq_epi32(v0, outside)),
                                _mm_or_si128(_mm_cmpeq_epi32(v1, noData), _mm_cmpeq_epi32(v1, outside)));
            const __m128i old = _mm_loadu_si128(dst);
            _mm_storeu_si128(dst, _mm_or_si128(_mm_and_si128(keep, old), _mm_andnot_si128(keep, metres)));
            keptBits = static_cast<unsigned>(_mm_movemask_epi8(_mm_packs_epi16(keep, keep))) & 0xFFu;
            // Two mask bits a cell.
            if (const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(keep)); bits != 0) {
                note(k + std::countr_zero(bits) / 2);
                note(k + (31 - std::countl_zero(bits)) / 2);
            }
        }
        if (placed != nullptr) {
            word |= static_cast<uint64_t>(~keptBits & 0xFFu) << (k % 64);
            if (k % 64 == 56) {
                placed[k / 64] |= word;
                word = 0;
            }
        }
    }
    if (placed != nullptr && k % 64 != 0) placed[k / 64] |= word;
#endif
    for (; k < count; ++k) {
        const int32_t v = values[k];
        if (v == kNoData || v == kOutsideSurvey) {
            note(k);
            continue;
        }
        out[k] = static_cast<int16_t>((v + 5) / 10);
        if (placed != nullptr) placed[k / 64] |= uint64_t{1} << (k % 64);
    }
    if (kept.end == 0) kept.first = kept.end;
    return kept;
}

}  // namespace lem
