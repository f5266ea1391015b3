#include "platform/win32/module_instance.h"

namespace platform {
namespace {
HINSTANCE g_instance = nullptr;
}
HINSTANCE ModuleInstance() {
    return g_instance;
}
void SetModuleInstance(HINSTANCE instance) {
    g_instance = instance;
}
}  // namespace platform
