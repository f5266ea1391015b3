#include "hostsim/control_api.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "hostsim/host.h"

namespace {

int32_t CopyOut(const std::string& text, char* buffer, int32_t size) {
    if (buffer && size > 0) {
        const size_t n = std::min(text.size(), static_cast<size_t>(size - 1));
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    }
    return static_cast<int32_t>(text.size());
}

std::string Text(const char* s) {
    return s ? std::string(s) : std::string();
}

}  // namespace

void HostSim_Reset(void) {
    hostsim::Reset();
}

void HostSim_SetVersion(int32_t version) {
    hostsim::Get().SetVersion(version);
}

void HostSim_SetMainWnd(void* window) {
    hostsim::Get().Desktop().SetMainWindow(window);
}

int32_t HostSim_FindMenu(const char* text) {
    return hostsim::Get().Registry().FindMenu(Text(text));
}

int32_t HostSim_FireMenu(int32_t menuId, int32_t code, intptr_t param) {
    return hostsim::Get().Registry().FireMenu(menuId, code, param);
}

int32_t HostSim_FireFileOpenHook(const char* path) {
    return hostsim::Get().Registry().FireFileOpenHook(Text(path));
}

int32_t HostSim_MapTypeCount(void) {
    return static_cast<int32_t>(hostsim::Get().Registry().MapTypes().size());
}

int32_t HostSim_HookCount(void) {
    return static_cast<int32_t>(hostsim::Get().Registry().Hooks().size());
}

int32_t HostSim_MenuCount(void) {
    return static_cast<int32_t>(hostsim::Get().Registry().Menus().size());
}

uint32_t HostSim_OpenMap(const char* path) {
    return hostsim::Get().Maps().OpenFile(Text(path));
}

int32_t HostSim_ReadBlock(uint32_t handle, int32_t blockId, int16_t* values) {
    return hostsim::Get().Maps().ReadBlock(handle, blockId, values);
}

int32_t HostSim_CloseMap(uint32_t handle) {
    return hostsim::Get().Maps().CloseMap(handle);
}

int32_t HostSim_Describe(uint32_t handle) {
    return hostsim::Get().Maps().Describe(handle);
}

void HostSim_SetMapFile(uint32_t map, const char* path) {
    hostsim::Get().Maps().SetMapFile(map, Text(path));
}

void HostSim_SetNextHandle(uint32_t handle) {
    hostsim::Get().Maps().SetNextHandle(handle);
}

int32_t HostSim_GetMapInfo(uint32_t handle, tagMAPINFO* out) {
    const hostsim::OpenMap* m = hostsim::Get().Maps().FindOpenMap(handle);
    if (!m || !out) return 0;
    *out = m->info;
    return 1;
}

int32_t HostSim_GetMapTitle(uint32_t handle, char* buffer, int32_t size) {
    const hostsim::OpenMap* m = hostsim::Get().Maps().FindOpenMap(handle);
    if (!m) return -1;
    return CopyOut(m->title, buffer, size);
}

void HostSim_SetActiveView(uint32_t view) {
    hostsim::Get().Maps().SetActiveView(view);
}

void HostSim_SetActiveBaseMap(uint32_t map) {
    hostsim::Get().Maps().SetActiveBaseMap(map);
}

void HostSim_SetActiveCoverMap(uint32_t map) {
    hostsim::Get().Maps().SetActiveCoverMap(map);
}

void HostSim_SetViewCenter(uint32_t view, double lat, double lon) {
    hostsim::Get().Maps().SetViewCenter(view, lat, lon);
}

void HostSim_SetMapgroupFile(uint32_t map, const char* path) {
    hostsim::Get().Maps().SetMapgroupFile(map, Text(path));
}

void HostSim_SetMatIndex(uint32_t map, int32_t index) {
    hostsim::Get().Maps().SetMatIndex(map, index);
}

int32_t HostSim_ViewCacheClears(void) {
    return hostsim::Get().Maps().ViewCacheClears();
}

void HostSim_SetProfileInt(uint32_t pluginId, const char* key, int32_t value) {
    hostsim::Get().Profiles().SetInt(pluginId, Text(key), value);
}

void HostSim_SetProfileString(uint32_t pluginId, const char* key, const char* value) {
    hostsim::Get().Profiles().Set(pluginId, Text(key), Text(value));
}

int32_t HostSim_GetProfile(uint32_t pluginId, const char* key, char* buffer, int32_t size) {
    auto value = hostsim::Get().Profiles().Get(pluginId, Text(key));
    if (!value) return -1;
    return CopyOut(*value, buffer, size);
}

void HostSim_SetGuidebookConstant(double lat, double lon, double cellsPerDegLat, double cellsPerDegLon, int32_t datum,
                                  int16_t value) {
    hostsim::Get().Guidebook().SetSource(hostsim::MakeSetInfo(lat, lon, cellsPerDegLat, cellsPerDegLon, datum),
                                         [value](int32_t, int16_t* out) {
                                             std::fill(out, out + olx::kBlockCells, value);
                                             return true;
                                         });
}

void HostSim_RemoveGuidebook(void) {
    hostsim::Get().Guidebook().RemoveSource();
}

void HostSim_PushMessageBoxAnswer(int32_t answer) {
    hostsim::Get().Desktop().AnswerMessageBox(answer);
}

int32_t HostSim_GetLog(char* buffer, int32_t size) {
    return CopyOut(hostsim::Get().Log().Text(), buffer, size);
}

void HostSim_ClearLog(void) {
    hostsim::Get().Log().Clear();
}

int32_t HostSim_CountCalls(const char* name) {
    return hostsim::Get().Log().Count(Text(name));
}
