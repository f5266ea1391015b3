#include "wine/harness/host_api.h"

#include <vector>

namespace harness {

bool HostApi::Load() {
    dll_ = GetModuleHandleA("PluginIf.dll");
    if (!dll_) dll_ = LoadLibraryA("PluginIf.dll");
    if (!dll_) return false;
    return Resolve(reset_, "HostSim_Reset") && Resolve(setVersion_, "HostSim_SetVersion") &&
           Resolve(findMenu_, "HostSim_FindMenu") && Resolve(fireMenu_, "HostSim_FireMenu") &&
           Resolve(fireHook_, "HostSim_FireFileOpenHook") && Resolve(mapTypeCount_, "HostSim_MapTypeCount") &&
           Resolve(hookCount_, "HostSim_HookCount") && Resolve(openMap_, "HostSim_OpenMap") &&
           Resolve(readBlock_, "HostSim_ReadBlock") && Resolve(closeMap_, "HostSim_CloseMap") &&
           Resolve(getMapInfo_, "HostSim_GetMapInfo") && Resolve(setProfileInt_, "HostSim_SetProfileInt") &&
           Resolve(setProfileString_, "HostSim_SetProfileString") && Resolve(countCalls_, "HostSim_CountCalls") &&
           Resolve(clearLog_, "HostSim_ClearLog") && Resolve(getLog_, "HostSim_GetLog") &&
           Resolve(setNextHandle_, "HostSim_SetNextHandle") && Resolve(setMainWnd_, "HostSim_SetMainWnd") &&
           Resolve(getProfile_, "HostSim_GetProfile") && Resolve(viewCacheClears_, "HostSim_ViewCacheClears") &&
           Resolve(setActiveView_, "HostSim_SetActiveView") && Resolve(setViewCenter_, "HostSim_SetViewCenter") &&
           Resolve(getMapTitle_, "HostSim_GetMapTitle");
}

std::string HostApi::LogText() {
    int32_t size = getLog_(nullptr, 0);
    std::vector<char> buffer(static_cast<size_t>(size) + 1);
    getLog_(buffer.data(), static_cast<int32_t>(buffer.size()));
    return std::string(buffer.data());
}

std::string HostApi::Profile(uint32_t id, const char* key, bool* present) {
    const int32_t size = getProfile_(id, key, nullptr, 0);
    if (present) *present = size >= 0;
    if (size < 0) return {};
    std::vector<char> buffer(static_cast<size_t>(size) + 1);
    getProfile_(id, key, buffer.data(), static_cast<int32_t>(buffer.size()));
    return std::string(buffer.data());
}

std::string HostApi::MapTitle(uint32_t handle) {
    const int32_t size = getMapTitle_(handle, nullptr, 0);
    if (size < 0) return {};
    std::vector<char> buffer(static_cast<size_t>(size) + 1);
    getMapTitle_(handle, buffer.data(), static_cast<int32_t>(buffer.size()));
    return std::string(buffer.data());
}

}  // namespace harness
