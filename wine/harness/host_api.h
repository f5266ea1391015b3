// The host stand-in's controls, resolved by name from PluginIf.dll (already loaded as the
// module's import).
#pragma once

#include <cstdint>
#include <string>

#include "olx/host_interface.h"
#include "platform/win32/windows_gateway.h"

namespace harness {

class HostApi {
public:
    bool Load();
    void Reset() { reset_(); }
    void SetVersion(int32_t v) { setVersion_(v); }
    int32_t FindMenu(const char* text) { return findMenu_(text); }
    int32_t FireMenu(int32_t id, int32_t code, intptr_t param) { return fireMenu_(id, code, param); }
    int32_t FireFileOpenHook(const char* path) { return fireHook_(path); }
    int32_t MapTypeCount() { return mapTypeCount_(); }
    int32_t HookCount() { return hookCount_(); }
    uint32_t OpenMap(const char* path) { return openMap_(path); }
    int32_t ReadBlock(uint32_t h, int32_t id, int16_t* values) { return readBlock_(h, id, values); }
    int32_t CloseMap(uint32_t h) { return closeMap_(h); }
    int32_t GetMapInfo(uint32_t h, tagMAPINFO* out) { return getMapInfo_(h, out); }
    void SetProfileInt(uint32_t id, const char* key, int32_t v) { setProfileInt_(id, key, v); }
    void SetProfileString(uint32_t id, const char* key, const char* v) { setProfileString_(id, key, v); }
    int32_t CountCalls(const char* name) { return countCalls_(name); }
    void ClearLog() { clearLog_(); }
    void SetNextHandle(uint32_t h) { setNextHandle_(h); }
    std::string LogText();
    void SetMainWnd(HWND window) { setMainWnd_(window); }
    // The stored text of a key ("" when absent; present tells which).
    std::string Profile(uint32_t id, const char* key, bool* present = nullptr);
    int32_t ViewCacheClears() { return viewCacheClears_(); }
    void SetActiveView(uint32_t view) { setActiveView_(view); }
    void SetViewCenter(uint32_t view, double lat, double lon) { setViewCenter_(view, lat, lon); }
    // The title the module gave the map at its latest 2011 ("" when unknown).
    std::string MapTitle(uint32_t handle);

private:
    template <typename F>
    bool Resolve(F& fn, const char* name) {
        fn = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(dll_, name)));
        return fn != nullptr;
    }
    HMODULE dll_ = nullptr;
    void (*reset_)() = nullptr;
    void (*setVersion_)(int32_t) = nullptr;
    int32_t (*findMenu_)(const char*) = nullptr;
    int32_t (*fireMenu_)(int32_t, int32_t, intptr_t) = nullptr;
    int32_t (*fireHook_)(const char*) = nullptr;
    int32_t (*mapTypeCount_)() = nullptr;
    int32_t (*hookCount_)() = nullptr;
    uint32_t (*openMap_)(const char*) = nullptr;
    int32_t (*readBlock_)(uint32_t, int32_t, int16_t*) = nullptr;
    int32_t (*closeMap_)(uint32_t) = nullptr;
    int32_t (*getMapInfo_)(uint32_t, tagMAPINFO*) = nullptr;
    void (*setProfileInt_)(uint32_t, const char*, int32_t) = nullptr;
    void (*setProfileString_)(uint32_t, const char*, const char*) = nullptr;
    int32_t (*countCalls_)(const char*) = nullptr;
    void (*clearLog_)() = nullptr;
    int32_t (*getLog_)(char*, int32_t) = nullptr;
    void (*setNextHandle_)(uint32_t) = nullptr;
    void (*setMainWnd_)(void*) = nullptr;
    int32_t (*getProfile_)(uint32_t, const char*, char*, int32_t) = nullptr;
    int32_t (*viewCacheClears_)() = nullptr;
    void (*setActiveView_)(uint32_t) = nullptr;
    void (*setViewCenter_)(uint32_t, double, double) = nullptr;
    int32_t (*getMapTitle_)(uint32_t, char*, int32_t) = nullptr;
};

}  // namespace harness
