// Little-endian loads from byte buffers at named offsets.
#pragma once

#include <cstdint>
#include <cstring>

namespace base {

[[nodiscard]] inline int32_t LoadI32(const uint8_t* p) {
    const uint32_t v = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
                       (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    return static_cast<int32_t>(v);
}

[[nodiscard]] inline int16_t LoadI16(const uint8_t* p) {
    return static_cast<int16_t>(static_cast<uint16_t>(p[0] | (p[1] << 8)));
}

}  // namespace base
