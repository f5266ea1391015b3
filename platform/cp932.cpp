#include "platform/cp932.h"

namespace cp932 {

std::string ToUpper(std::string_view text) {
    std::string out(text);
    for (size_t i = 0; i < out.size(); ++i) {
        auto b = static_cast<unsigned char>(out[i]);
        if (IsLeadByte(b)) {
            ++i;  // the trail byte goes with it, unchanged
        } else if (b >= 'a' && b <= 'z') {
            out[i] = static_cast<char>(b - 'a' + 'A');
        }
    }
    return out;
}

size_t Find(std::string_view text, std::string_view what) {
    if (what.empty()) return 0;
    for (size_t i = 0; i < text.size();) {
        if (text.compare(i, what.size(), what) == 0) return i;
        i += IsLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1;
    }
    return std::string_view::npos;
}

int CompareNoCase(std::string_view a, std::string_view b) {
    size_t i = 0;
    while (i < a.size() && i < b.size()) {
        auto x = static_cast<unsigned char>(a[i]);
        auto y = static_cast<unsigned char>(b[i]);
        if (IsLeadByte(x) || IsLeadByte(y)) {
            // Double-byte characters compare whole, byte by byte.
            if (x != y) return x < y ? -1 : 1;
            if (i + 1 < a.size() && i + 1 < b.size()) {
                auto x2 = static_cast<unsigned char>(a[i + 1]);
                auto y2 = static_cast<unsigned char>(b[i + 1]);
                if (x2 != y2) return x2 < y2 ? -1 : 1;
            } else if (a.size() != b.size()) {
                return i + 1 < a.size() ? 1 : -1;
            }
            i += 2;
            continue;
        }
        if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 'a' + 'A');
        if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 'a' + 'A');
        if (x != y) return x < y ? -1 : 1;
        ++i;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

}  // namespace cp932
