// Loads Tephrix.olp as the host does and resolves its five exports.
#pragma once

#include <cstdint>
#include <cstdlib>

#include "olx/host_interface.h"
#include "platform/win32/windows_gateway.h"

namespace harness {

// The module under test: TEPHRIX_WINE_MODULE when set (the product run names the very file
// users install), otherwise Tephrix.olp beside the harness.
inline const char* ModulePath() {
    const char* path = std::getenv("TEPHRIX_WINE_MODULE");
    return path && *path ? path : "Tephrix.olp";
}

struct Plugin {
    HMODULE module = nullptr;
    int32_t(OLX_CALL* create)(void*, uint32_t) = nullptr;
    int32_t(OLX_CALL* load)() = nullptr;
    int32_t(OLX_CALL* close)() = nullptr;
    void(OLX_CALL* release)() = nullptr;
    int32_t(OLX_CALL* about)() = nullptr;

    bool Load(const char* path) {
        module = LoadLibraryA(path);
        if (!module) return false;
        create = reinterpret_cast<decltype(create)>(reinterpret_cast<void*>(GetProcAddress(module, "Create")));
        load = reinterpret_cast<decltype(load)>(reinterpret_cast<void*>(GetProcAddress(module, "Load")));
        close = reinterpret_cast<decltype(close)>(reinterpret_cast<void*>(GetProcAddress(module, "Close")));
        release = reinterpret_cast<decltype(release)>(reinterpret_cast<void*>(GetProcAddress(module, "Release")));
        about = reinterpret_cast<decltype(about)>(reinterpret_cast<void*>(GetProcAddress(module, "About")));
        return create && load && close && release && about;
    }
};

}  // namespace harness
