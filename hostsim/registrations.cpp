#include "hostsim/registrations.h"

#include "hostsim/text.h"

namespace hostsim {

// Map types and hooks share one id space.
MapTypeEntry Registrations::Entry(const tagHOOKENTRY& entry) {
    MapTypeEntry e;
    e.id = nextRegistrationId_++;
    e.size = entry.size;
    e.owner = entry.owner;
    e.proc = entry.proc;
    e.zero = entry.zero;
    return e;
}

int32_t Registrations::AddMapType(const tagHOOKENTRY& entry) {
    mapTypes_.push_back(Entry(entry));
    return mapTypes_.back().id;
}

int32_t Registrations::AddHook(int32_t kind, const tagHOOKENTRY& entry) {
    HookEntry e;
    static_cast<MapTypeEntry&>(e) = Entry(entry);
    e.kind = kind;
    hooks_.push_back(e);
    return e.id;
}

int32_t Registrations::AddMenu(uint32_t pluginId, int32_t parent, std::string text, OlxProc proc) {
    MenuEntry m;
    m.id = nextMenuId_++;
    m.pluginId = pluginId;
    m.parentOrPopup = parent;
    m.text = std::move(text);
    m.proc = proc;
    menus_.push_back(m);
    return m.id;
}

int32_t Registrations::AddPopup(uint32_t pluginId, int32_t parent, std::string text, int32_t arg) {
    PopupEntry p;
    p.id = nextPopupId_++;
    p.pluginId = pluginId;
    p.parent = parent;
    p.text = std::move(text);
    p.arg = arg;
    popups_.push_back(p);
    return p.id;
}

int32_t Registrations::AddChildMenu(uint32_t pluginId, int32_t popup, std::string text, OlxProc proc) {
    bool known = false;
    for (const auto& p : popups_) known = known || p.id == popup;
    if (!known) return 0;
    const int32_t id = AddMenu(pluginId, popup, std::move(text), proc);
    menus_.back().child = true;
    return id;
}

OlxProc Registrations::FirstMapTypeProc() const {
    for (const MapTypeEntry& t : mapTypes_)
        if (t.proc) return t.proc;
    return nullptr;
}

int32_t Registrations::FindMenu(const std::string& text) const {
    for (const MenuEntry& m : menus_)
        if (m.text == text) return m.id;
    return 0;
}

int32_t Registrations::FireMenu(int32_t menuId, int32_t code, intptr_t param) {
    OlxProc proc = nullptr;
    for (const MenuEntry& m : menus_)
        if (m.id == menuId) proc = m.proc;
    if (!proc) {
        log_->Record(Call::Kind::Send, "menu " + std::to_string(code), text::Num(menuId) + ", no such menu", "-1");
        return -1;
    }
    return log_->Send(proc, "menu " + std::to_string(code), code, 0, param,
                      text::Num(menuId) + ", " + text::Num(static_cast<int64_t>(param)));
}

std::optional<int32_t> Registrations::MenuState(int32_t menuId) {
    int32_t state = 0;
    if (FireMenu(menuId, olx::kMenuState, olx::ToParam(&state)) == -1) return std::nullopt;
    return state;
}

// Copied before the first is called: a procedure may register more.
std::vector<OlxProc> Registrations::HookProcs(int32_t kind) const {
    std::vector<OlxProc> procs;
    for (const HookEntry& h : hooks_)
        if (h.kind == kind && h.proc) procs.push_back(h.proc);
    return procs;
}

int32_t Registrations::FireFileOpenHook(const std::string& path) {
    const std::string copy = path;
    for (OlxProc proc : HookProcs(olx::kHookFileOpen)) {
        int32_t r = log_->Send(proc, "hook " + std::to_string(olx::kEventFileOpen), olx::kEventFileOpen, 0,
                               olx::ToParam(copy.c_str()), text::Quote(copy));
        if (r != 0) return r;
    }
    return 0;
}

int32_t Registrations::FireHook(int32_t kind, int32_t event, intptr_t param) {
    int32_t r = 0;
    for (OlxProc proc : HookProcs(kind)) {
        r = log_->Send(proc, "hook " + std::to_string(event), event, 0, param,
                       text::Num(kind) + ", " + text::Num(static_cast<int64_t>(param)));
    }
    return r;
}

}  // namespace hostsim
