// The command behind the menu entry of the map type: the open dialog, then the host opens the
// chosen map.
#pragma once

#include <cstdint>

namespace plugin {

// Code 100 of the map-type procedure. Always returns 0.
int32_t RunOpenCommand();

}  // namespace plugin
