// Calendar time in whole seconds, for the guidebook tile cache's load stamps.
#pragma once

#include <cstdint>

namespace platform {

[[nodiscard]] int64_t NowSeconds();

}  // namespace platform
