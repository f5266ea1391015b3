#include "lem/field_row.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "lem/field.h"

#if defined(__SSE2__)
#include <cpuid.h>
#include <emmintrin.h>
#include <immintrin.h>
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
// Sixteen fields (80 bytes, five 16-byte chunks) make a group: checked for the blank-and-digit
// shape and converted while its bytes are still in registers and cache. The five chunks' field
// starts are fixed, so the check needs no per-chunk bookkeeping. g must have 83 readable bytes.
[[gnu::target("ssse3"), gnu::always_inline]] inline bool GroupIsBlankDigits(const char* g) {
    const __m128i zeroChar = _mm_set1_epi8('0');
    const __m128i* const notStart = reinterpret_cast<const __m128i*>(kNotFieldStarts.bytes);
    __m128i c[5], y[5];
#pragma GCC unroll 5
    for (int i = 0; i < 5; ++i) {
        c[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(g + 16 * i));
        // 0x20 for a blank, 0x30 for a digit.
        y[i] = _mm_min_epu8(c[i], zeroChar);
    }
    // Within a field of blanks then digits y never falls from one byte to the next; the byte
    // before a field start is masked out.
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
    return _mm_movemask_epi8(_mm_cmpeq_epi8(bad, _mm_setzero_si128())) == 0xFFFF;
}

// The four values of fields q * 4 .. q * 4 + 3 of a blank-and-digit group.
[[gnu::target("ssse3"), gnu::always_inline]] inline __m128i GroupQuarter(const char* g, int q) {
    const char* f = g + 20 * q;
    return _mm_hadd_epi32(TwoDigitFieldsSsse3(f), TwoDigitFieldsSsse3(f + 10));
}

// Groups of blank-and-digit fields to values, up to the first group of another shape. Runs to
// k + 17 <= count, so that the last 16-byte load of a group stays within the 3 bytes after the
// run; returns where it stopped.
[[gnu::target("ssse3")]] int BlankDigitGroupsSsse3(const char* text, int count, int32_t* values) {
    int k = 0;
    for (; k + 17 <= count; k += 16) {
        const char* g = text + 5 * k;
        if (!GroupIsBlankDigits(g)) break;
#pragma GCC unroll 4
        for (int q = 0; q < 4; ++q)
            _mm_storeu_si128(reinterpret_cast<__m128i*>(values + k + 4 * q), GroupQuarter(g, q));
    }
    return k;
}

// (v + 5) / 10 of eight values of five-character fields, packed to 16 bits. For values of that
// range (v + 5) * 0.1f in single precision stays within a fraction of its unit in the last
// place of the true quotient and never reaches the next integer, so truncation gives C's
// division exactly (the test checks every value of the range); quotients lie within 16 bits,
// so the pack does not saturate.
[[gnu::always_inline]] inline __m128i EightMetres(__m128i v0, __m128i v1) {
    const __m128i five = _mm_set1_epi32(5);
    const __m128 tenth = _mm_set1_ps(0.1f);
    const auto quarter = [&](__m128i v) {
        return _mm_cvttps_epi32(_mm_mul_ps(_mm_cvtepi32_ps(_mm_add_epi32(v, five)), tenth));
    };
    return _mm_packs_epi32(quarter(v0), quarter(v1));
}

// Marks the 16 cells of a group from cell at on as written, when placed is given. at is a
// multiple of 16, so a group's bits never straddle two words.
inline void MarkGroup(uint64_t* placed, int at) {
    if (placed != nullptr) placed[at / 64] |= uint64_t{0xFFFF} << (at % 64);
}

// Groups of blank-and-digit fields straight to metres: no such field is negative, so none is a
// mark and every cell is written. Stops as BlankDigitGroupsSsse3 does; cell k is marked at bit
// + k (MarkGroup).
[[gnu::target("ssse3")]] int BlankDigitMetresSsse3(const char* text, int count, int16_t* out, uint64_t* placed,
                                                   int bit) {
    int k = 0;
    for (; k + 17 <= count; k += 16) {
        const char* g = text + 5 * k;
        if (!GroupIsBlankDigits(g)) break;
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k), EightMetres(GroupQuarter(g, 0), GroupQuarter(g, 1)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + k + 8), EightMetres(GroupQuarter(g, 2), GroupQuarter(g, 3)));
        MarkGroup(placed, bit + k);
    }
    return k;
}

// Two groups side by side, one in each 128-bit lane: the same operations as the SSSE3 groups,
// lane by lane, for 32 fields at a time.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i LoadPair(const char* p) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p))),
                                   _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 80)), 1);
}

[[gnu::target("avx2"), gnu::always_inline]] inline bool GroupPairIsBlankDigits(const char* g) {
    const __m256i zeroChar = _mm256_set1_epi8('0');
    const __m128i* const notStart = reinterpret_cast<const __m128i*>(kNotFieldStarts.bytes);
    __m256i c[5], y[5];
#pragma GCC unroll 5
    for (int i = 0; i < 5; ++i) {
        c[i] = LoadPair(g + 16 * i);
        y[i] = _mm256_min_epu8(c[i], zeroChar);
    }
    __m256i fall = _mm256_subs_epu8(
        _mm256_and_si256(_mm256_slli_si256(y[0], 1), _mm256_broadcastsi128_si256(_mm_load_si128(notStart))), y[0]);
#pragma GCC unroll 4
    for (int i = 1; i < 5; ++i) {
        const __m256i before = _mm256_and_si256(_mm256_alignr_epi8(y[i], y[i - 1], 15),
                                                _mm256_broadcastsi128_si256(_mm_load_si128(notStart + i)));
        fall = _mm256_or_si256(fall, _mm256_subs_epu8(before, y[i]));
    }
    __m256i low = c[0], high = c[0], bits = y[0];
#pragma GCC unroll 4
    for (int i = 1; i < 5; ++i) {
        low = _mm256_min_epu8(low, c[i]);
        high = _mm256_max_epu8(high, c[i]);
        bits = _mm256_or_si256(bits, y[i]);
    }
    const __m256i bad = _mm256_or_si256(
        _mm256_or_si256(_mm256_subs_epu8(_mm256_set1_epi8(' '), low), _mm256_subs_epu8(high, _mm256_set1_epi8('9'))),
        _mm256_or_si256(_mm256_andnot_si256(_mm256_set1_epi8(0x30), bits), fall));
    return _mm256_movemask_epi8(_mm256_cmpeq_epi8(bad, _mm256_setzero_si256())) == -1;
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256i TwoDigitFieldPairs(const char* f) {
    const __m256i slots =
        _mm256_broadcastsi128_si256(_mm_setr_epi8(-128, 0, 1, 2, 3, 4, -128, -128, -128, 5, 6, 7, 8, 9, -128, -128));
    const __m256i byteWeights =
        _mm256_broadcastsi128_si256(_mm_setr_epi8(0, 1, 10, 1, 10, 1, 0, 0, 0, 1, 10, 1, 10, 1, 0, 0));
    const __m256i wordWeights = _mm256_broadcastsi128_si256(_mm_setr_epi16(10000, 100, 1, 0, 10000, 100, 1, 0));
    const __m256i placed = _mm256_shuffle_epi8(LoadPair(f), slots);
    return _mm256_madd_epi16(_mm256_maddubs_epi16(_mm256_subs_epu8(placed, _mm256_set1_epi8('0')), byteWeights),
                             wordWeights);
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256i GroupPairQuarter(const char* g, int q) {
    const char* f = g + 20 * q;
    return _mm256_hadd_epi32(TwoDigitFieldPairs(f), TwoDigitFieldPairs(f + 10));
}

[[gnu::target("avx2"), gnu::always_inline]] inline __m256i MetresPair(__m256i v) {
    return _mm256_cvttps_epi32(
        _mm256_mul_ps(_mm256_cvtepi32_ps(_mm256_add_epi32(v, _mm256_set1_epi32(5))), _mm256_set1_ps(0.1f)));
}

// EightMetres lane by lane.
[[gnu::target("avx2"), gnu::always_inline]] inline __m256i EightMetresPair(__m256i v0, __m256i v1) {
    return _mm256_packs_epi32(MetresPair(v0), MetresPair(v1));
}

// BlankDigitMetresSsse3 two groups at a time, while both have the shape. Runs to k + 33 <= count
// (the second group's last load stays within the 3 bytes after the run).
[[gnu::target("avx2")]] int BlankDigitMetresAvx2(const char* text, int count, int16_t* out, uint64_t* placed, int bit) {
    int k = 0;
    for (; k + 33 <= count; k += 32) {
        const char* g = text + 5 * k;
        if (!GroupPairIsBlankDigits(g)) break;
        // Lane 0 holds fields 0..7 and 8..15 of the first group, lane 1 those of the second.
        const __m256i low = EightMetresPair(GroupPairQuarter(g, 0), GroupPairQuarter(g, 1));
        const __m256i high = EightMetresPair(GroupPairQuarter(g, 2), GroupPairQuarter(g, 3));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k), _mm256_permute2x128_si256(low, high, 0x20));
        _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + k + 16), _mm256_permute2x128_si256(low, high, 0x31));
        MarkGroup(placed, bit + k);
        MarkGroup(placed, bit + k + 16);
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

// AVX2 needs the processor's instructions and the system's saving of the 256-bit registers.
bool HasAvx2() {
    static const bool has = [] {
        unsigned a = 0, b = 0, c = 0, d = 0;
        if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & bit_OSXSAVE) == 0 || (c & bit_AVX) == 0) return false;
        unsigned low = 0, high = 0;
        __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
        if ((low & 6u) != 6u) return false;  // XMM and YMM state
        return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & bit_AVX2) != 0;
    }();
    return has;
}
#endif

// values[j] for fields k <= j < count, all of the plain shape.
void PlainFields(const char* text, int k, int count, int32_t* values) {
#if defined(__SSE2__)
    for (; k + 4 <= count; k += 4)
        _mm_storeu_si128(reinterpret_cast<__m128i*>(values + k), FourPlainFields(text + 5 * k));
#endif
    for (; k < count; ++k) values[k] = PlainField(text + 5 * k);
}

// Fields of any shape: the plain-shape conversion where the whole run has that shape, else
// field by field.
void PlainOrFieldByField(const char* text, int count, int32_t* values) {
    if (AllFieldsPlain(text, 5 * count)) {
        PlainFields(text, 0, count, values);
    } else {
        for (int k = 0; k < count; ++k) values[k] = ParseField(text + 5 * k);
    }
}

}  // namespace

void ParseFieldRow(const char* text, int count, int32_t* values, [[maybe_unused]] FieldRowPath path) {
    if (count <= 0) return;
    int k = 0;
    bool plain = false;
#if defined(__SSE2__)
    if (path != FieldRowPath::kSse2 && HasSsse3()) {
        k = BlankDigitGroupsSsse3(text, count, values);
        if (AllFieldsBlankDigits(text + 5 * k, 5 * (count - k))) {
            // The fields it leaves are plain too.
            k += DigitFieldsSsse3(text + 5 * k, count - k, values + k);
            plain = true;
        }
    }
#endif
    if (plain) {
        PlainFields(text, k, count, values);
    } else {
        PlainOrFieldByField(text + 5 * k, count - k, values + k);
    }
}

namespace {

// StoreMetres with the cells' bits counted from bit: cell k is bit (bit + k) % 64 of
// placed[(bit + k) / 64]; bit is a multiple of 8.
KeptCells StoreRun(const int32_t* values, int count, int16_t* out, uint64_t* placed, int bit) {
    KeptCells kept{count, 0};
    const auto note = [&kept](int k) {
        if (k < kept.first) kept.first = k;
        kept.end = k + 1;
    };
    int k = 0;
#if defined(__SSE2__)
    const __m128i noData = _mm_set1_epi32(kNoData);
    const __m128i outside = _mm_set1_epi32(kOutsideSurvey);
    // The placed bits of a word are gathered in a register and stored once per 64 values.
    uint64_t word = 0;
    for (; k + 8 <= count; k += 8) {
        const __m128i v0 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + k));
        const __m128i v1 = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + k + 4));
        const __m128i metres = EightMetres(v0, v1);
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
            const int at = bit + k;
            word |= static_cast<uint64_t>(~keptBits & 0xFFu) << (at % 64);
            if (at % 64 == 56) {
                placed[at / 64] |= word;
                word = 0;
            }
        }
    }
    if (placed != nullptr && (bit + k) % 64 != 0) placed[(bit + k) / 64] |= word;
#endif
    for (; k < count; ++k) {
        const int32_t v = values[k];
        if (v == kNoData || v == kOutsideSurvey) {
            note(k);
            continue;
        }
        out[k] = static_cast<int16_t>((v + 5) / 10);
        if (placed != nullptr) placed[(bit + k) / 64] |= uint64_t{1} << ((bit + k) % 64);
    }
    if (kept.end == 0) kept.first = kept.end;
    return kept;
}

}  // namespace

KeptCells StoreMetres(const int32_t* values, int count, int16_t* out, uint64_t* placed) {
    return StoreRun(values, count, out, placed, 0);
}

KeptCells StoreFieldRow(const char* text, int count, int16_t* out, uint64_t* placed, FieldRowPath path) {
#if defined(__SSE2__)
    const bool avx2 = path == FieldRowPath::kBest && HasAvx2();
    const bool ssse3 = path != FieldRowPath::kSse2 && HasSsse3();
#else
    const bool avx2 = false, ssse3 = false;
#endif
    constexpr int kGroup = 16, kPiece = 64;
    KeptCells kept{0, 0};
    int k = 0;
    // Half the first piece: a piece after a fast path that made no progress doubles.
    int step = kGroup / 2;
    while (k < count) {
        const int before = k;
        // Groups of the survey tools' shape straight to metres; a group of another shape, and
        // the fields too few for a group, through the values.
#if defined(__SSE2__)
        // A minus among the next three fields fails the groups' shape check: skip it. The
        // marks of no-data areas and values below sea level all have one.
        const bool minus = count - k >= 17 && _mm_movemask_epi8(_mm_cmpeq_epi8(
                                                  _mm_loadu_si128(reinterpret_cast<const __m128i*>(text + 5 * k)),
                                                  _mm_set1_epi8('-'))) != 0;
        if (avx2 && !minus) k += BlankDigitMetresAvx2(text + 5 * k, count - k, out + k, placed, k);
        if (ssse3 && !minus) k += BlankDigitMetresSsse3(text + 5 * k, count - k, out + k, placed, k);
#else
        (void)avx2;
#endif
        if (k >= count) break;
        // The fields the fast path left are not all of its shape (or too few for it). They go
        // through the values a piece at a time, and the fast path is tried again after each
        // piece: a row with a few negative values keeps it for the rest. Where it keeps failing
        // (no-data areas, values below sea level) the pieces grow, so that the failing shape
        // checks cost little beside the conversion.
        const bool progressed = k != before;
        step = progressed ? kGroup : std::min(2 * step, kPiece);
        const int n = std::min(step, count - k);
        int32_t values[kPiece];
        PlainOrFieldByField(text + 5 * k, n, values);
        const KeptCells piece = StoreRun(values, n, out + k, placed, k);
        if (piece.first != piece.end) {
            if (kept.first == kept.end) kept.first = k + piece.first;
            kept.end = k + piece.end;
        }
        k += n;
    }
    return kept;
}

}  // namespace lem
