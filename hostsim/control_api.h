// The host's controls as plain C functions, exported by PluginIf.dll so that the Wine harness
// can play the host (it loads them with GetProcAddress). Natively they are in the hostsim
// library too. Results: 1/0 for success unless said otherwise.
#pragma once

#include <cstdint>

#include "olx/host_interface.h"

#if defined(_WIN32) && defined(OLX_HOST_DLL)
#define HOSTSIM_API extern "C" __declspec(dllexport)
#else
#define HOSTSIM_API extern "C"
#endif

// A fresh host (version 7730, empty log and store).
HOSTSIM_API void HostSim_Reset(void);
HOSTSIM_API void HostSim_SetVersion(int32_t version);
HOSTSIM_API void HostSim_SetMainWnd(void* window);

// Id of the menu entry with these text bytes, 0 when none.
HOSTSIM_API int32_t HostSim_FindMenu(const char* text);
// Sends code to a menu's procedure; -1 when there is no such menu.
HOSTSIM_API int32_t HostSim_FireMenu(int32_t menuId, int32_t code, intptr_t param);
// Event 1001 with the path to the file-open hooks; the result of the hook that took it, or 0.
HOSTSIM_API int32_t HostSim_FireFileOpenHook(const char* path);
// Counts of registrations.
HOSTSIM_API int32_t HostSim_MapTypeCount(void);
HOSTSIM_API int32_t HostSim_HookCount(void);
HOSTSIM_API int32_t HostSim_MenuCount(void);

// The host's own open (2003, 2004, 2011): the new map handle, or 0.
HOSTSIM_API uint32_t HostSim_OpenMap(const char* path);
HOSTSIM_API int32_t HostSim_ReadBlock(uint32_t handle, int32_t blockId, int16_t* values);
HOSTSIM_API int32_t HostSim_CloseMap(uint32_t handle);
HOSTSIM_API int32_t HostSim_Describe(uint32_t handle);
HOSTSIM_API void HostSim_SetMapFile(uint32_t map, const char* path);
HOSTSIM_API void HostSim_SetNextHandle(uint32_t handle);
// Copies the map-info record the module filled at the latest 2011 for handle.
HOSTSIM_API int32_t HostSim_GetMapInfo(uint32_t handle, tagMAPINFO* out);
// Copies the map's title (NUL-terminated, cut to size); returns its full length, -1 unknown.
HOSTSIM_API int32_t HostSim_GetMapTitle(uint32_t handle, char* buffer, int32_t size);

HOSTSIM_API void HostSim_SetActiveView(uint32_t view);
HOSTSIM_API void HostSim_SetActiveBaseMap(uint32_t map);
HOSTSIM_API void HostSim_SetActiveCoverMap(uint32_t map);
HOSTSIM_API void HostSim_SetViewCenter(uint32_t view, double lat, double lon);
HOSTSIM_API void HostSim_SetMapgroupFile(uint32_t map, const char* path);
HOSTSIM_API void HostSim_SetMatIndex(uint32_t map, int32_t index);
HOSTSIM_API int32_t HostSim_ViewCacheClears(void);

HOSTSIM_API void HostSim_SetProfileInt(uint32_t pluginId, const char* key, int32_t value);
HOSTSIM_API void HostSim_SetProfileString(uint32_t pluginId, const char* key, const char* value);
// Copies the stored text (cut to size); its full length, or -1 when the key is absent.
HOSTSIM_API int32_t HostSim_GetProfile(uint32_t pluginId, const char* key, char* buffer, int32_t size);

// A guidebook set whose every tile holds one value; RemoveGuidebook takes it away.
HOSTSIM_API void HostSim_SetGuidebookConstant(double lat, double lon, double cellsPerDegLat, double cellsPerDegLon,
                                              int32_t datum, int16_t value);
HOSTSIM_API void HostSim_RemoveGuidebook(void);

// Answers of the native message boxes (the Windows build shows real ones).
HOSTSIM_API void HostSim_PushMessageBoxAnswer(int32_t answer);

// The call log as text, one "kind name(args) -> result" line per entry. Copies at most
// size - 1 bytes and a NUL; returns the full length.
HOSTSIM_API int32_t HostSim_GetLog(char* buffer, int32_t size);
HOSTSIM_API void HostSim_ClearLog(void);
HOSTSIM_API int32_t HostSim_CountCalls(const char* name);
