// The module's own instance handle, kept by DllMain so that its dialog templates and version
// resource are found. It stands in for the framework's extension-module registration.
#pragma once

#include "platform/win32/windows_gateway.h"

namespace platform {

HINSTANCE ModuleInstance();
void SetModuleInstance(HINSTANCE instance);

}  // namespace platform
