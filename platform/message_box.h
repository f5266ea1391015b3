// Modal message boxes. On Windows a real MessageBoxA owned by the host's main window;
// in the native build the host stand-in records the box and answers as the test scripted.
#pragma once

#include <cstddef>
#include <cstdint>

namespace platform {

// Values as the Win32 API defines them.
constexpr uint32_t kMbOk = 0x00000000;
constexpr uint32_t kMbIconStop = 0x00000010;
constexpr uint32_t kMbIconExclamation = 0x00000030;
constexpr uint32_t kMbIconInformation = 0x00000040;
constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;

// The string resource in which a host program of the framework keeps its application title.
constexpr uint32_t kAppTitleResource = 57344;

// owner: a window handle, or nullptr for the host's main window. caption nullptr: the host
// application's title, as the host's framework captions its modules' boxes. Returns the button
// pressed.
int ShowMessageBox(void* owner, const char* text, const char* caption, uint32_t style);

// The host application's title as the host's framework takes it: the host executable's string
// resource 57344, else the executable's file name without its extension. Asked for at the first
// use and kept (in module storage, so a box shown for want of memory needs none) until
// ForgetApplicationTitle.
[[nodiscard]] const char* ApplicationTitle();
void ForgetApplicationTitle();

// ---- the seam below, one implementation per platform (natively the host stand-in's)

// Shows the box with exactly this caption.
int SystemMessageBox(void* owner, const char* text, const char* caption, uint32_t style);
// Copies the host executable's string resource id into buffer (cut to size - 1 bytes, always
// terminated); its length, 0 when the executable has no such string.
size_t HostStringResource(uint32_t id, char* buffer, size_t size);
// Copies the host executable's full path into buffer (terminated); its length, 0 when it cannot
// be had or does not fit.
size_t HostExecutablePath(char* buffer, size_t size);

}  // namespace platform
