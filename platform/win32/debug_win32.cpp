#include "platform/guard.h"
#include "platform/win32/windows_gateway.h"

namespace platform {

// A debugger or DebugView shows it; the user is not troubled with a box for it.
void ReportBrokenInvariant(const char* where) noexcept {
    OutputDebugStringA("Tephrix: broken invariant: ");
    OutputDebugStringA(where);
    OutputDebugStringA("\n");
}

}  // namespace platform
