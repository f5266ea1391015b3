#include <cstdio>

#include "platform/guard.h"

namespace platform {

void ReportBrokenInvariant(const char* where) noexcept {
    std::fprintf(stderr, "Tephrix: broken invariant: %s\n", where);
}

}  // namespace platform
