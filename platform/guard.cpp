#include "platform/guard.h"

namespace platform {
namespace {
GuardCounts g_counts;
}  // namespace

const GuardCounts& GuardFailures() {
    return g_counts;
}

void ResetGuardFailures() {
    g_counts = GuardCounts{};
}

void NoteGuardedFailure(uint32_t GuardCounts::*counter) noexcept {
    ++(g_counts.*counter);
}

void FailInvariant(const char* where) {
    g_counts.lastCheck = where;
    ReportBrokenInvariant(where);
    throw InvariantViolation{where};
}

}  // namespace platform
