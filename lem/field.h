// Conversion of one 5-character elevation field of a LEM data line, as the usual decimal
// conversion reads it when the field is taken as a terminated string: leading white space,
// an optional sign, digits up to the first other character; none gives 0.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace lem {

// The same conversion over one 5-character field, as if it were a terminated string.
[[nodiscard]] inline int32_t ParseFieldExact(const char* f) {
    int i = 0;
    while (i < 5 && (f[i] == ' ' || (f[i] >= '\t' && f[i] <= '\r'))) ++i;
    bool negative = false;
    if (i < 5 && (f[i] == '+' || f[i] == '-')) negative = (f[i++] == '-');
    int32_t v = 0;
    while (i < 5 && static_cast<unsigned>(f[i] - '0') < 10u) v = v * 10 + (f[i++] - '0');
    return negative ? -v : v;
}

constexpr uint64_t kFiveBytes = 0x000000FFFFFFFFFFull;
constexpr uint64_t kHighBits = 0x0000008080808080ull;
constexpr uint64_t kLowSeven = 0x0000007F7F7F7F7Full;
constexpr uint64_t Repeat(uint8_t b) {
    return 0x0000000101010101ull * b;
}

// High bit of each of the five bytes set where that byte is zero (no carry between bytes).
constexpr uint64_t ZeroBytes(uint64_t v) {
    return ~(((v & kLowSeven) + kLowSeven) | v) & kHighBits;
}

static_assert(std::endian::native == std::endian::little, "fields are loaded as little-endian words");

// Fields almost always read blanks, an optional minus and digits, right-aligned. For that
// shape the value comes from a few word operations on the five bytes; anything else takes the
// exact loop above. f must have 8 readable bytes.
[[nodiscard]] [[gnu::always_inline]] inline int32_t ParseField(const char* f) {
    uint64_t x;
    std::memcpy(&x, f, sizeof x);
    x &= kFiveBytes;
    const uint64_t t = x ^ Repeat('0');  // digits become 0..9
    const uint64_t digitBytes = ~(((t & kLowSeven) + Repeat(0x76)) | t) & kHighBits;
    const uint64_t blankBytes = ZeroBytes(x ^ Repeat(' '));
    const uint64_t minusBytes = ZeroBytes(x ^ Repeat('-'));
    // Blanks a prefix, the minus (if any) right after them, every byte one of the three: then
    // the digits are the rest.
    const uint64_t blankRun = (blankBytes >> 7) * 0xFF;
    const uint64_t minus = minusBytes >> 7;
    const bool plain = (digitBytes | blankBytes | minusBytes) == kHighBits && (blankRun & (blankRun + 1)) == 0 &&
                       (minus == 0 || minus == blankRun + 1);
    if (!plain) [[unlikely]]
        return ParseFieldExact(f);
    // First character most significant: place the five digits in the top bytes of an
    // eight-digit word and combine pairs, then quads.
    uint64_t v = (t & ((digitBytes >> 7) * 0xFF)) << 24;
    v = v * 10 + (v >> 8);
    v = (((v & 0x000000FF000000FFull) * (100 + (1000000ull << 32))) +
         (((v >> 16) & 0x000000FF000000FFull) * (1 + (10000ull << 32)))) >>
        32;
    const auto value = static_cast<int32_t>(v);
    return minus ? -value : value;
}

}  // namespace lem
