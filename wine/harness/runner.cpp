#include "wine/harness/runner.h"

#include <cstdlib>
#include <vector>

namespace harness {

int Scaled(int timeoutMs) {
    static const int factor = [] {
        const char* env = std::getenv("TEPHRIX_WINE_TIME_FACTOR");
        const int value = env ? std::atoi(env) : 1;
        return value >= 1 && value <= 100 ? value : 1;
    }();
    return timeoutMs * factor;
}

namespace {
DWORD WINAPI Watch(void* data) {
    Sleep(static_cast<DWORD>(reinterpret_cast<intptr_t>(data)));
    CHECK(false, "the harness finished in time (a dialog hung)");
    Finish();
    TerminateProcess(GetCurrentProcess(), 3);
    return 0;
}
}  // namespace

void StartWatchdog(int timeoutMs) {
    HANDLE thread =
        CreateThread(nullptr, 0, Watch, reinterpret_cast<void*>(static_cast<intptr_t>(Scaled(timeoutMs))), 0, nullptr);
    if (thread) CloseHandle(thread);
}

HWND CreateHostFrame() {
    WNDCLASSA frameClass{};
    frameClass.lpfnWndProc = DefWindowProcA;
    frameClass.hInstance = GetModuleHandleA(nullptr);
    frameClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    frameClass.lpszClassName = "TephrixHarnessFrame";
    RegisterClassA(&frameClass);
    return CreateWindowExA(0, frameClass.lpszClassName, "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 1000, 800,
                           nullptr, nullptr, frameClass.hInstance, nullptr);
}

int Run(const Needs& needs, const std::function<void(Session&)>& body) {
    if (needs.watchdogMs > 0) StartWatchdog(needs.watchdogMs);
    Session s;
    if (needs.data) {
        const char* data = std::getenv("TEPHRIX_WINE_DATA");
        if (!CHECK(data != nullptr, "TEPHRIX_WINE_DATA names the generated data")) return Finish();
        s.data = data;
    }
    if (needs.module && !CHECK(s.plugin.Load(ModulePath()), "Tephrix.olp loads with its five exports")) return Finish();
    if (!CHECK(s.host.Load(), "PluginIf.dll offers the stand-in's controls")) return Finish();
    if (needs.frame) s.frame = CreateHostFrame();
    body(s);
    if (s.frame) DestroyWindow(s.frame);
    if (s.plugin.module) FreeLibrary(s.plugin.module);
    return Finish();
}

bool StartModule(Session& s, uint32_t pluginId) {
    s.host.Reset();
    s.host.SetMainWnd(s.frame);
    std::vector<uint8_t> record(280, 0);
    return CHECK(s.plugin.create(record.data(), pluginId) == 1 && s.plugin.load() == 1, "Create and Load");
}

}  // namespace harness
