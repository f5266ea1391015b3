// Command-line helpers the generators and the renderer share: strict number parsing, and the size of this
// machine's memory for refusing work that cannot fit.
#pragma once

#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>

namespace gen::cli {

constexpr int kExitDone = 0;
constexpr int kExitIo = 1;
constexpr int kExitUsage = 2;

// A whole decimal number in [lo, hi] and nothing else.
inline bool ParseWhole(const char* text, int64_t lo, int64_t hi, int64_t& out) {
    if (!text || !((*text >= '0' && *text <= '9') || *text == '-')) return false;  // strtoll would skip blanks
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text, &end, 10);
    if (*end || errno == ERANGE || v < lo || v > hi) return false;
    out = v;
    return true;
}

// A finite decimal number in [lo, hi] and nothing else (no nan, no inf).
inline bool ParseReal(const char* text, double lo, double hi, double& out) {
    if (!text || !((*text >= '0' && *text <= '9') || *text == '-' || *text == '.')) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text, &end);
    if (*end || errno == ERANGE || !std::isfinite(v) || v < lo || v > hi) return false;
    out = v;
    return true;
}

inline int64_t PhysicalMemory() {
    const long pages = sysconf(_SC_PHYS_PAGES), size = sysconf(_SC_PAGESIZE);
    return pages > 0 && size > 0 ? int64_t{pages} * size : int64_t{4} << 30;
}

// Text with control bytes as \xNN, for a terminal.
inline std::string Printable(const std::string& s) {
    std::string out;
    for (char ch : s) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x20 || c == 0x7F) {
            static const char digits[] = "0123456789abcdef";
            out += "\\x";
            out += digits[c >> 4];
            out += digits[c & 15];
        } else {
            out += ch;
        }
    }
    return out;
}

}  // namespace gen::cli
