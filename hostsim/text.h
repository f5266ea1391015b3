// Rendering of call arguments for the host's log.
#pragma once

#include <cstdint>
#include <string>

#include "olx/host_interface.h"

namespace hostsim::text {

// "null" for a null address, else the bytes in double quotes.
std::string Str(const char* s);
std::string Quote(const std::string& s);
// Shortest text that reads back as the same double.
std::string Num(double v);
std::string Num(int64_t v);
inline std::string Num(int32_t v) {
    return Num(static_cast<int64_t>(v));
}
inline std::string Num(uint32_t v) {
    return Num(static_cast<int64_t>(v));
}
std::string Ptr(const void* p);
std::string Pos(const tagGEOPOS* p);
std::string Hex(const void* bytes, size_t n);

}  // namespace hostsim::text
