#include "platform/message_box.h"
#include "platform/win32/windows_gateway.h"
#include "plugin/host_interface.h"

namespace platform {

int ShowMessageBox(void* owner, const char* text, const char* caption, uint32_t style) {
    HWND window = static_cast<HWND>(owner ? owner : OLX_GetMainWnd());
    return MessageBoxA(window, text, caption, style);
}

}  // namespace platform
