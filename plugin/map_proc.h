// The map-type procedure: file type, name test, open, describe (with the composite set-up),
// blocks and close; also the menu procedure of the map-type menu entry.
#pragma once

#include <cstdint>

#include "olx/host_interface.h"

namespace plugin {
constexpr char kFilterName[] = "数値地図火山標高 [*.LEM]";
constexpr char kFilePattern[] = "*.LEM";
constexpr char kTitlePrefix[] = "火山標高 ";
constexpr char kGuidebookSetName[] = "GUIDEDEM";
}  // namespace plugin

int32_t OLX_CALL LemMapProc(int32_t code, uint32_t handle, intptr_t param);
