// Lets GoogleTest print a reader's status by name.
#pragma once

#include <ostream>

#include "platform/result.h"

namespace platform {
inline void PrintTo(Status status, std::ostream* out) {
    *out << StatusName(status);
}
}  // namespace platform
