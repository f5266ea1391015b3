// Code page 932 (Shift_JIS) text helpers: lead bytes, upper-casing and case-insensitive
// comparison that keep double-byte characters whole. Portable; no system calls.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace cp932 {

// 0x81-0x9F and 0xE0-0xFC start a double-byte character; 0xA0-0xDF (half-width katakana)
// stand alone. Bytes 0x80 and 0xFD-0xFF are treated as lead bytes too, as the path
// helpers do, so that no byte after them is taken for a separator.
[[nodiscard]] constexpr bool IsLeadByte(unsigned char b) {
    return b >= 0x80 && !(b >= 0xA0 && b <= 0xDF);
}

// Upper-case copy: single-byte a-z become A-Z, double-byte characters are copied whole.
[[nodiscard]] std::string ToUpper(std::string_view text);

// Multibyte-aware search: a match never begins on a trail byte. npos when absent.
[[nodiscard]] size_t Find(std::string_view text, std::string_view what);

// Compares without regard to the case of single-byte letters; double-byte characters compare
// whole. Returns <0, 0, >0 like strcmp.
[[nodiscard]] int CompareNoCase(std::string_view a, std::string_view b);

}  // namespace cp932
