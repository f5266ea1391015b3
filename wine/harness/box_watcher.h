// Answers the message boxes that the module shows while a harness drives it: a thread that
// finds the process's dialog boxes, records their caption, text and icon, and presses a button.
#pragma once

#include <string>
#include <vector>

#include "platform/win32/windows_gateway.h"

namespace harness {

struct SeenBox {
    std::string caption;  // code page 932 bytes
    std::string text;
    HICON icon = nullptr;
    HWND owner = nullptr;
};

class BoxWatcher {
public:
    // answer: the command sent to each box (IDOK, IDCANCEL ...).
    explicit BoxWatcher(int answer = IDOK);
    ~BoxWatcher();
    BoxWatcher(const BoxWatcher&) = delete;
    BoxWatcher& operator=(const BoxWatcher&) = delete;

    std::vector<SeenBox> Boxes();

private:
    static DWORD WINAPI Run(void* self);
    void Poll();
    HANDLE thread_ = nullptr;
    HANDLE stop_ = nullptr;
    CRITICAL_SECTION lock_;
    int answer_;
    std::vector<SeenBox> boxes_;
    std::vector<HWND> answered_;
};

// The icon that MessageBox uses for a style (MB_ICONINFORMATION ...), to compare with SeenBox::icon.
HICON StandardIcon(UINT style);

}  // namespace harness
