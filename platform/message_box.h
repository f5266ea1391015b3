// Modal message boxes. On Windows a real MessageBoxA owned by the host's main window;
// in the native build the host stand-in records the box and answers as the test scripted.
#pragma once

#include <cstdint>

namespace platform {

// Values as the Win32 API defines them.
constexpr uint32_t kMbOk = 0x00000000;
constexpr uint32_t kMbIconStop = 0x00000010;
constexpr uint32_t kMbIconExclamation = 0x00000030;
constexpr uint32_t kMbIconInformation = 0x00000040;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// owner: a window handle, or nullptr for the host's main window. Returns the button pressed.
int ShowMessageBox(void* owner, const char* text, const char* caption, uint32_t style);

}  // namespace platform
