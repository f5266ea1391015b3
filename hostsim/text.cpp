#include "hostsim/text.h"

#include <charconv>
#include <cstdio>

namespace hostsim::text {

std::string Str(const char* s) {
    return s ? Quote(s) : std::string("null");
}

std::string Quote(const std::string& s) {
    std::string out;
    out.reserve(s.size() + 2);
    out += '"';
    out += s;
    out += '"';
    return out;
}

std::string Num(double v) {
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    return std::string(buf, r.ptr);
}

std::string Num(int64_t v) {
    return std::to_string(v);
}

std::string Ptr(const void* p) {
    if (!p) return "null";
    char buf[32];
    std::snprintf(buf, sizeof buf, "0x%llx", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
    return buf;
}

std::string Pos(const tagGEOPOS* p) {
    if (!p) return "null";
    std::string out = "(";
    out += Num(p->lat);
    out += ", ";
    out += Num(p->lon);
    out += ')';
    return out;
}

std::string Hex(const void* bytes, size_t n) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    const auto* b = static_cast<const uint8_t*>(bytes);
    for (size_t i = 0; i < n; ++i) {
        out += kDigits[b[i] >> 4];
        out += kDigits[b[i] & 15];
    }
    return out;
}

}  // namespace hostsim::text
