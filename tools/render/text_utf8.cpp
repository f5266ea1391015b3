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
