// What every Wine harness does around its own checks: a watchdog, the generated data folder,
// the module and the stand-in's controls loaded, a frame window as the host's main window, a
// fresh module for each scenario, and the closing line "N passed, M failed" that
// scripts/test-wine counts.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>

#include "platform/win32/windows_gateway.h"
#include "wine/harness/check.h"
#include "wine/harness/host_api.h"
#include "wine/harness/plugin_loader.h"

namespace harness {

// Every time limit of the harnesses is multiplied by TEPHRIX_WINE_TIME_FACTOR (default 1):
// under CPU emulation the same steps take many times as long.
int Scaled(int timeoutMs);

// Ends the process with a failure line when the harness has not finished after timeoutMs: a
// dialog that never closes must fail the run, not hang it.
void StartWatchdog(int timeoutMs);

// A visible top-level window that plays the host's main window.
HWND CreateHostFrame();

// What a harness asks of the runner.
struct Needs {
    int watchdogMs = 0;  // 0: no watchdog
    bool data = true;    // TEPHRIX_WINE_DATA must name the generated data
    bool module = true;  // load Tephrix.olp (ModulePath()) with its five exports
    bool frame = false;  // a frame window as the host's main window
};

// What the dialog harnesses ask for: a watchdog (55 s) and the host's frame window, which owns
// the module's dialogs.
constexpr Needs kDialogHarness{55000, true, true, true};

struct Session {
    std::string data;  // TEPHRIX_WINE_DATA, a Windows path
    Plugin plugin;     // empty unless Needs::module
    HostApi host;
    HWND frame = nullptr;
};

// Checks each step of the set-up (a failed one ends the run at once), runs body, then destroys
// the frame, unloads the module and prints the closing line. Returns the exit status.
int Run(const Needs& needs, const std::function<void(Session&)>& body);

// The host reset with the frame as its main window, then the module's Create and Load; the
// outcome is one check.
bool StartModule(Session& s, uint32_t pluginId);

// Each scenario with a module created afresh: the host reset (its main window the frame),
// Create with pluginId and Load, prepare, the call log cleared, the scenario, Release. A failed
// Create or Load ends the loop.
template <typename Setup>
void RunScenarios(Session& s, uint32_t pluginId, const Setup& setup,
                  std::initializer_list<void (*)(const Setup&)> scenarios,
                  const std::function<void(HostApi&)>& prepare = {}) {
    for (auto scenario : scenarios) {
        if (!StartModule(s, pluginId)) break;
        if (prepare) prepare(s.host);
        s.host.ClearLog();
        scenario(setup);
        s.plugin.release();
    }
}

}  // namespace harness
