// The menu procedure of "合成設定(&S)": edit the composite settings, then reopen the active base
// map so that every block is fetched again with the new background.
#pragma once

#include <cstdint>

#include "olx/host_interface.h"

int32_t OLX_CALL CompositeMenuProc(int32_t code, uint32_t handle, intptr_t param);
