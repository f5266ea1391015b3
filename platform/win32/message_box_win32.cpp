#include "olx/host_interface.h"
#include "platform/message_box.h"
#include "platform/win32/windows_gateway.h"

namespace platform {

int SystemMessageBox(void* owner, const char* text, const char* caption, uint32_t style) {
    HWND window = static_cast<HWND>(owner ? owner : OLX_GetMainWnd());
    // MessageBoxA refuses an owner that is no window and shows nothing; the user is told all the
    // same, in a box of its own.
    if (window && !IsWindow(window)) window = nullptr;
    return MessageBoxA(window, text, caption, style);
}

// The host executable is the process's own module.
size_t HostStringResource(uint32_t id, char* buffer, size_t size) {
    if (size == 0) return 0;
    buffer[0] = '\0';
    const int length = LoadStringA(GetModuleHandleA(nullptr), id, buffer, static_cast<int>(size));
    return length > 0 ? static_cast<size_t>(length) : 0;
}

size_t HostExecutablePath(char* buffer, size_t size) {
    if (size == 0) return 0;
    const DWORD length = GetModuleFileNameA(nullptr, buffer, static_cast<DWORD>(size));
    if (length == 0 || length >= size) {
        buffer[0] = '\0';
        return 0;
    }
    return length;
}

}  // namespace platform
