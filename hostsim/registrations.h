// What the module registered with the host (map types, hooks, menus, popups) and the host's
// side of them: firing menus and hooks at the registered procedures.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hostsim/call_log.h"
#include "olx/host_interface.h"

namespace hostsim {

// A registered tagHOOKENTRY with the id the host gave it.
struct MapTypeEntry {
    int32_t id = 0;
    int32_t size = 0;
    uint32_t owner = 0;
    OlxProc proc = nullptr;
    int32_t zero = 0;
};

struct HookEntry : MapTypeEntry {
    int32_t kind = 0;
};

// A menu entry (OLX_AddMenu, parentOrPopup = parent code) or a child entry of a popup
// (OLX_AddChildMenu, parentOrPopup = popup id). Menus and child menus share one id space.
struct MenuEntry {
    int32_t id = 0;
    bool child = false;
    uint32_t pluginId = 0;
    int32_t parentOrPopup = 0;
    std::string text;
    OlxProc proc = nullptr;
};

struct PopupEntry {
    int32_t id = 0;
    uint32_t pluginId = 0;
    int32_t parent = 0;
    std::string text;
    int32_t arg = 0;
};

class Registrations {
public:
    // Messages sent to the registered procedures are logged in log.
    explicit Registrations(CallLog& log) : log_(&log) {}

    // The registering host functions; each returns the new entry's id.
    int32_t AddMapType(const tagHOOKENTRY& entry);
    int32_t AddHook(int32_t kind, const tagHOOKENTRY& entry);
    int32_t AddMenu(uint32_t pluginId, int32_t parent, std::string text, OlxProc proc);
    int32_t AddPopup(uint32_t pluginId, int32_t parent, std::string text, int32_t arg);
    // 0 when popup names no popup.
    int32_t AddChildMenu(uint32_t pluginId, int32_t popup, std::string text, OlxProc proc);

    [[nodiscard]] const std::vector<MapTypeEntry>& MapTypes() const { return mapTypes_; }
    [[nodiscard]] const std::vector<HookEntry>& Hooks() const { return hooks_; }
    [[nodiscard]] const std::vector<MenuEntry>& Menus() const { return menus_; }
    [[nodiscard]] const std::vector<PopupEntry>& Popups() const { return popups_; }
    // The procedure of the first map type that has one; nullptr when none.
    [[nodiscard]] OlxProc FirstMapTypeProc() const;
    // Id of the menu or child menu with exactly these text bytes; 0 when there is none.
    [[nodiscard]] int32_t FindMenu(const std::string& text) const;

    // Sends code to the procedure of menu menuId (handle 0); -1 when there is no such menu.
    int32_t FireMenu(int32_t menuId, int32_t code, intptr_t param = 0);
    // Code 101 with an integer that starts at 0; returns what the procedure stored (nullopt:
    // no such menu).
    std::optional<int32_t> MenuState(int32_t menuId);
    // Offers a file to the hooks of kind 7 in registration order (event 1001, the address of a
    // host copy of path) until one returns non-zero; returns that result, 0 when none took it.
    int32_t FireFileOpenHook(const std::string& path);
    // Any event to every hook of a kind, in order; returns the last result (0 when none).
    int32_t FireHook(int32_t kind, int32_t event, intptr_t param);

private:
    MapTypeEntry Entry(const tagHOOKENTRY& entry);
    [[nodiscard]] std::vector<OlxProc> HookProcs(int32_t kind) const;

    CallLog* log_;
    std::vector<MapTypeEntry> mapTypes_;
    std::vector<HookEntry> hooks_;
    std::vector<MenuEntry> menus_;
    std::vector<PopupEntry> popups_;
    int32_t nextRegistrationId_ = 1;
    int32_t nextMenuId_ = 40001;
    int32_t nextPopupId_ = 501;
};

}  // namespace hostsim
