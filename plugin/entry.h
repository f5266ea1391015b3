// The module's exported entry points, the file-open hook and the LEM name test.
#pragma once

#include <cstdint>

#include "olx/host_interface.h"
#include "tephrix/version.h"

namespace plugin {

constexpr int32_t kInfoRecordSize = 280;
constexpr int kInfoNameOffset = 4;
constexpr int kInfoVersionOffset = 84;
constexpr int kInfoCopyrightOffset = 114;
constexpr int kInfoTailOffset = 276;

constexpr char kDisplayName[] = "火山標高プラグイン";
constexpr char kVersionText[] = TEPHRIX_VERSION_TEXT;
constexpr char kCopyright[] = "Copyright (C) 2026 The Tephrix developers";

constexpr char kMapMenuText[] = "数値地図火山標高(&V)";
constexpr char kPopupText[] = "火山標高プラグイン";
constexpr char kCompositeMenuText[] = "合成設定(&S)";
constexpr int32_t kMapMenuParent = 32;
constexpr int32_t kPopupParent = 10;
constexpr int32_t kPopupArg = 1;

// True when path is one of the module's maps: its upper-cased text holds ".LEM" and its file
// name does not begin with an ASCII digit. Paths of 260 bytes or more are refused.
[[nodiscard]] bool IsLemPath(const char* path);

int32_t OLX_CALL FileOpenHookProc(int32_t event, uint32_t handle, intptr_t param);

}  // namespace plugin

extern "C" {
int32_t OLX_CALL Create(void* record, uint32_t pluginId);
int32_t OLX_CALL Load(void);
int32_t OLX_CALL Close(void);
void OLX_CALL Release(void);
int32_t OLX_CALL About(void);
}
