// The requirement marker: the host interface version the module needs, declared in its file.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace marker {

constexpr char kText[] = "&&OLX_REQUIRE_7730&";  // 19 characters and the NUL
constexpr size_t kCopySize = sizeof(kText);
constexpr int kCopies = 5;
constexpr size_t kTotalSize = kCopySize * kCopies;
static_assert(kCopySize == 20);

inline std::array<uint8_t, kTotalSize> Expected() {
    std::array<uint8_t, kTotalSize> bytes{};
    for (int i = 0; i < kCopies; ++i) std::memcpy(&bytes[i * kCopySize], kText, kCopySize);
    return bytes;
}

}  // namespace marker
