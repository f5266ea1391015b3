#include "tools/render/text_utf8.h"

#include <iconv.h>

namespace render {

std::string Cp932ToUtf8(const std::string& bytes) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return bytes;
    std::string out;
    std::string in = bytes;
    char* src = in.data();
    size_t left = in.size();
    char buffer[256];
    while (left > 0) {
        char* dst = buffer;
        size_t room = sizeof buffer;
        size_t r = iconv(cd, &src, &left, &dst, &room);
        out.append(buffer, static_cast<size_t>(dst - buffer));
        if (r == static_cast<size_t>(-1) && dst == buffer) {
            out += '?';  // an undecodable byte
            ++src;
            --left;
        }
    }
    iconv_close(cd);
    return out;
}

}  // namespace render

namespace render {

std::string EscapeForTerminal(const std::string& s) {
    std::string out;
    auto hex = [&](unsigned char c) {
        static const char digits[] = "0123456789abcdef";
        out += "\\x";
        out += digits[c >> 4];
        out += digits[c & 15];
    };
    for (size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        if (c < 0x20 || c == 0x7F) {
            hex(c);
            ++i;
            continue;
        }
        if (c < 0x80) {
            out += static_cast<char>(c);
            ++i;
            continue;
        }
        // A whole, shortest-form UTF-8 sequence passes unless it is a C1 control (U+0080..U+009F).
        const int len = c >= 0xF0 && c <= 0xF4 ? 4 : c >= 0xE0 ? (c <= 0xEF ? 3 : 0) : c >= 0xC2 ? 2 : 0;
        bool whole = len > 0 && i + len <= s.size();
        for (int k = 1; whole && k < len; ++k) whole = (static_cast<unsigned char>(s[i + k]) & 0xC0) == 0x80;
        if (whole && len == 3) {
            const auto c1 = static_cast<unsigned char>(s[i + 1]);
            whole = !(c == 0xE0 && c1 < 0xA0) && !(c == 0xED && c1 >= 0xA0);
        }
        if (whole && len == 4) {
            const auto c1 = static_cast<unsigned char>(s[i + 1]);
            whole = !(c == 0xF0 && c1 < 0x90) && !(c == 0xF4 && c1 >= 0x90);
        }
        if (whole && len == 2 && c == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0) whole = false;
        if (!whole) {
            hex(c);
            ++i;
            continue;
        }
        out.append(s, i, static_cast<size_t>(len));
        i += static_cast<size_t>(len);
    }
    return out;
}

}  // namespace render
