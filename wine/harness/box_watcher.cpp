#include "wine/harness/box_watcher.h"

#include <algorithm>

namespace harness {
namespace {

struct Collect {
    DWORD pid;
    std::vector<HWND> dialogs;
};

BOOL CALLBACK CollectDialogs(HWND window, LPARAM param) {
    auto* c = reinterpret_cast<Collect*>(param);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    char cls[64] = {};
    GetClassNameA(window, cls, sizeof cls);
    if (pid == c->pid && std::string(cls) == "#32770" && IsWindowVisible(window)) c->dialogs.push_back(window);
    return TRUE;
}

// The id of a message box's text, on Windows and in Wine alike.
constexpr int kMessageBoxText = 0xFFFF;

struct BoxParts {
    std::string text;
    HICON icon = nullptr;
    bool hasOk = false;
    bool hasIconStatic = false;
};

BOOL CALLBACK ReadChild(HWND child, LPARAM param) {
    auto* parts = reinterpret_cast<BoxParts*>(param);
    char cls[64] = {};
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0) {
        LONG style = GetWindowLongA(child, GWL_STYLE);
        if ((style & SS_TYPEMASK) == SS_ICON) {
            parts->hasIconStatic = true;
            parts->icon = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
        } else if (GetDlgCtrlID(child) == kMessageBoxText) {
            char text[2048] = {};
            GetWindowTextA(child, text, sizeof text);
            parts->text = text;
        }
    } else if (lstrcmpiA(cls, "Button") == 0 && GetDlgCtrlID(child) == IDOK) {
        parts->hasOk = true;
    }
    return TRUE;
}

}  // namespace

BoxWatcher::BoxWatcher(int answer) : answer_(answer) {
    InitializeCriticalSection(&lock_);
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    thread_ = CreateThread(nullptr, 0, &BoxWatcher::Run, this, 0, nullptr);
}

BoxWatcher::~BoxWatcher() {
    SetEvent(stop_);
    WaitForSingleObject(thread_, 5000);
    CloseHandle(thread_);
    CloseHandle(stop_);
    DeleteCriticalSection(&lock_);
}

std::vector<SeenBox> BoxWatcher::Boxes() {
    EnterCriticalSection(&lock_);
    auto copy = boxes_;
    LeaveCriticalSection(&lock_);
    return copy;
}

DWORD WINAPI BoxWatcher::Run(void* self) {
    auto* watcher = static_cast<BoxWatcher*>(self);
    while (WaitForSingleObject(watcher->stop_, 50) == WAIT_TIMEOUT) watcher->Poll();
    return 0;
}

void BoxWatcher::Poll() {
    Collect c{GetCurrentProcessId(), {}};
    EnumWindows(CollectDialogs, reinterpret_cast<LPARAM>(&c));
    for (HWND dialog : c.dialogs) {
        if (std::find(answered_.begin(), answered_.end(), dialog) != answered_.end()) continue;
        BoxParts parts;
        EnumChildWindows(dialog, ReadChild, reinterpret_cast<LPARAM>(&parts));
        // Only message boxes: an OK button, their text static and their icon place (a dialog's own
        // statics may carry the text's id). A dialog going away meanwhile is left alone.
        if (!parts.hasOk || parts.text.empty() || !parts.hasIconStatic || !IsWindowVisible(dialog)) continue;
        char caption[512] = {};
        GetWindowTextA(dialog, caption, sizeof caption);
        EnterCriticalSection(&lock_);
        boxes_.push_back({caption, parts.text, parts.icon, GetWindow(dialog, GW_OWNER)});
        LeaveCriticalSection(&lock_);
        answered_.push_back(dialog);
        PostMessageA(dialog, WM_COMMAND, static_cast<WPARAM>(answer_), 0);
    }
}

HICON StandardIcon(UINT style) {
    switch (style & MB_ICONMASK) {
        case MB_ICONSTOP: return LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_HAND));
        case MB_ICONEXCLAMATION: return LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_EXCLAMATION));
        case MB_ICONINFORMATION: return LoadIconA(nullptr, reinterpret_cast<LPCSTR>(IDI_ASTERISK));
        default: return nullptr;
    }
}

}  // namespace harness
