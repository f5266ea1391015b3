// Attach and detach. The module keeps its own instance handle so that its dialog templates and
// version resource are found; that stands in for the framework's extension-module registration.
#include "platform/win32/module_instance.h"
#include "platform/win32/windows_gateway.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID /*reserved*/) {
    switch (reason) {
        case DLL_PROCESS_ATTACH:
            platform::SetModuleInstance(instance);
            // Thread attach and detach need nothing from the module.
            DisableThreadLibraryCalls(instance);
            break;
        case DLL_PROCESS_DETACH:
            // Module-wide objects are destroyed by the runtime after this; records still in the
            // open-map table are Release's to free, not detach's.
            platform::SetModuleInstance(nullptr);
            break;
        default: break;
    }
    return TRUE;
}
