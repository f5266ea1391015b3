// The 27 functions of PluginIf.dll, each logged with its arguments and result.
#include <cstring>
#include <string>

#include "hostsim/datum.h"
#include "hostsim/host.h"
#include "hostsim/text.h"
#include "olx/host_interface.h"

using hostsim::Call;
using hostsim::Host;
namespace text = hostsim::text;

namespace {

Host& H() {
    return hostsim::Get();
}

int32_t Logged(const char* name, const std::string& args, int32_t result) {
    H().Record(Call::Kind::Host, name, args, std::to_string(result));
    return result;
}

std::string Entry(const tagHOOKENTRY* e) {
    if (!e) return "null";
    return "{size=" + text::Num(e->size) + " owner=" + text::Num(e->owner) + " " + H().ProcName(e->proc) +
           " zero=" + text::Num(e->zero) + "}";
}

std::string Text(const char* s) {
    return s ? std::string(s) : std::string();
}

}  // namespace

extern "C" {

int32_t OLX_CALL OLX_GetVersion(void) {
    return Logged("OLX_GetVersion", "", H().version);
}

int32_t OLX_CALL OLX_RegisterMap(const tagHOOKENTRY* entry) {
    Host& h = H();
    const std::string args = Entry(entry);
    if (!entry) return Logged("OLX_RegisterMap", args, 0);
    hostsim::MapTypeEntry t;
    t.id = h.nextRegistrationId_++;
    t.size = entry->size;
    t.owner = entry->owner;
    t.proc = entry->proc;
    t.zero = entry->zero;
    h.mapTypes_.push_back(t);
    return Logged("OLX_RegisterMap", args, t.id);
}

int32_t OLX_CALL OLX_AddHook(int32_t kind, const tagHOOKENTRY* entry) {
    Host& h = H();
    const std::string args = text::Num(kind) + ", " + Entry(entry);
    if (!entry) return Logged("OLX_AddHook", args, 0);
    hostsim::HookEntry e;
    e.id = h.nextRegistrationId_++;
    e.kind = kind;
    e.size = entry->size;
    e.owner = entry->owner;
    e.proc = entry->proc;
    e.zero = entry->zero;
    h.hooks_.push_back(e);
    return Logged("OLX_AddHook", args, e.id);
}

int32_t OLX_CALL OLX_AddMenu(uint32_t pluginId, int32_t parent, const char* text, OlxProc proc) {
    Host& h = H();
    const std::string args =
        text::Num(pluginId) + ", " + text::Num(parent) + ", " + text::Str(text) + ", " + h.ProcName(proc);
    hostsim::MenuEntry m;
    m.id = h.nextMenuId_++;
    m.pluginId = pluginId;
    m.parentOrPopup = parent;
    m.text = Text(text);
    m.proc = proc;
    h.menus_.push_back(m);
    return Logged("OLX_AddMenu", args, m.id);
}

int32_t OLX_CALL OLX_AddPopupMenu(uint32_t pluginId, int32_t parent, const char* text, int32_t arg) {
    Host& h = H();
    const std::string args =
        text::Num(pluginId) + ", " + text::Num(parent) + ", " + text::Str(text) + ", " + text::Num(arg);
    hostsim::PopupEntry p;
    p.id = h.nextPopupId_++;
    p.pluginId = pluginId;
    p.parent = parent;
    p.text = Text(text);
    p.arg = arg;
    h.popups_.push_back(p);
    return Logged("OLX_AddPopupMenu", args, p.id);
}

int32_t OLX_CALL OLX_AddChildMenu(uint32_t pluginId, int32_t popup, const char* text, OlxProc proc) {
    Host& h = H();
    const std::string args =
        text::Num(pluginId) + ", " + text::Num(popup) + ", " + text::Str(text) + ", " + h.ProcName(proc);
    bool known = false;
    for (const auto& p : h.popups_) known = known || p.id == popup;
    if (!known) return Logged("OLX_AddChildMenu", args, 0);
    hostsim::MenuEntry m;
    m.id = h.nextMenuId_++;
    m.child = true;
    m.pluginId = pluginId;
    m.parentOrPopup = popup;
    m.text = Text(text);
    m.proc = proc;
    h.menus_.push_back(m);
    return Logged("OLX_AddChildMenu", args, m.id);
}

int32_t OLX_CALL OLX_GetProfileInt(uint32_t pluginId, const char* key, int32_t def) {
    Host& h = H();
    const std::string args = text::Num(pluginId) + ", " + text::Str(key) + ", " + text::Num(def);
    int32_t value = def;
    if (key) {
        if (auto stored = h.Profile(pluginId, key)) {
            // As the system's profile reader: leading blanks, sign, digits; none gives 0.
            value = static_cast<int32_t>(std::strtol(stored->c_str(), nullptr, 10));
        }
    }
    return Logged("OLX_GetProfileInt", args, value);
}

const char* OLX_CALL OLX_GetProfileString(uint32_t pluginId, const char* key, const char* def) {
    Host& h = H();
    const std::string args = text::Num(pluginId) + ", " + text::Str(key) + ", " + text::Str(def);
    std::optional<std::string> stored = key ? h.Profile(pluginId, key) : std::nullopt;
    // The previous answer is overwritten first, so a caller that kept the old pointer reads
    // garbage instead of a plausible value.
    std::memset(h.profileText_.data(), 0xDD, h.profileText_.size());
    h.profileText_ = stored ? *stored : Text(def);
    h.Record(Call::Kind::Host, "OLX_GetProfileString", args, text::Quote(h.profileText_));
    return h.profileText_.c_str();
}

int32_t OLX_CALL OLX_WriteProfileInt(uint32_t pluginId, const char* key, int32_t value) {
    Host& h = H();
    const std::string args = text::Num(pluginId) + ", " + text::Str(key) + ", " + text::Num(value);
    if (!key) return Logged("OLX_WriteProfileInt", args, 0);
    h.SetProfileInt(pluginId, key, value);
    return Logged("OLX_WriteProfileInt", args, 1);
}

int32_t OLX_CALL OLX_WriteProfileString(uint32_t pluginId, const char* key, const char* value) {
    Host& h = H();
    const std::string args = text::Num(pluginId) + ", " + text::Str(key) + ", " + text::Str(value);
    if (!key) return Logged("OLX_WriteProfileString", args, 0);
    h.SetProfile(pluginId, key, Text(value));
    return Logged("OLX_WriteProfileString", args, 1);
}

void* OLX_CALL OLX_GetMainWnd(void) {
    Host& h = H();
    h.Record(Call::Kind::Host, "OLX_GetMainWnd", "", text::Ptr(h.mainWnd));
    return h.mainWnd;
}

uint32_t OLX_CALL OLX_GetActiveView(void) {
    Host& h = H();
    h.Record(Call::Kind::Host, "OLX_GetActiveView", "", text::Num(h.activeView));
    return h.activeView;
}

int32_t OLX_CALL OLX_GetViewCenter(uint32_t view, tagGEOPOS* out) {
    Host& h = H();
    const std::string args = text::Num(view) + ", " + (out ? "out" : "null");
    auto it = h.viewCenters_.find(view);
    if (!out || it == h.viewCenters_.end()) return Logged("OLX_GetViewCenter", args, 0);
    *out = it->second;
    h.Record(Call::Kind::Host, "OLX_GetViewCenter", args, "1 " + text::Pos(out));
    return 1;
}

uint32_t OLX_CALL OLX_GetActiveBaseMap(void) {
    Host& h = H();
    h.Record(Call::Kind::Host, "OLX_GetActiveBaseMap", "", text::Num(h.activeBaseMap));
    return h.activeBaseMap;
}

uint32_t OLX_CALL OLX_GetActiveCoverMap(void) {
    Host& h = H();
    h.Record(Call::Kind::Host, "OLX_GetActiveCoverMap", "", text::Num(h.activeCoverMap));
    return h.activeCoverMap;
}

// Both answer the empty text for a map the host does not know; the text stays valid until the
// next call of the same function.
const char* OLX_CALL OLX_GetMapgroupFile(uint32_t map) {
    Host& h = H();
    auto it = h.mapgroupFiles_.find(map);
    h.mapgroupText_ = it == h.mapgroupFiles_.end() ? std::string() : it->second;
    h.Record(Call::Kind::Host, "OLX_GetMapgroupFile", text::Num(map), text::Quote(h.mapgroupText_));
    return h.mapgroupText_.c_str();
}

const char* OLX_CALL OLX_GetMapFile(uint32_t map) {
    Host& h = H();
    auto it = h.mapFiles_.find(map);
    h.mapFileText_ = it == h.mapFiles_.end() ? std::string() : it->second;
    h.Record(Call::Kind::Host, "OLX_GetMapFile", text::Num(map), text::Quote(h.mapFileText_));
    return h.mapFileText_.c_str();
}

int32_t OLX_CALL OLX_GetMatIndex(uint32_t map) {
    Host& h = H();
    auto it = h.matIndices_.find(map);
    return Logged("OLX_GetMatIndex", text::Num(map), it == h.matIndices_.end() ? 0 : it->second);
}

int32_t OLX_CALL OLX_OpenMap(uint32_t view, const tagOPENMAPINFO* info) {
    Host& h = H();
    if (!info) return Logged("OLX_OpenMap", text::Num(view) + ", null", 0);
    hostsim::OpenRequest request;
    request.view = view;
    request.size = info->size;
    if (info->path) request.path = std::string(info->path);
    request.flag = info->flag;
    request.center = info->center;
    request.zero32 = info->zero32;
    request.zero40 = info->zero40;
    request.matIndex = info->matIndex;
    h.openRequests_.push_back(request);

    std::string args = text::Num(view) + ", {size=" + text::Num(info->size) + " path=" + text::Str(info->path) +
                       " flag=" + text::Num(info->flag);
    if (info->flag == 1) args += " center=" + text::Pos(&info->center) + " mat=" + text::Num(info->matIndex);
    args += " zero32=" + text::Num(info->zero32) + " zero40=" + text::Num(info->zero40) + "}";
    // Logged first: the messages the open sends follow it in the log.
    h.Record(Call::Kind::Host, "OLX_OpenMap", args, "");
    const size_t at = h.log_.size() - 1;

    int32_t result = 0;
    if (request.path && (info->flag == 0 || info->flag == 1)) {
        const std::string path = *request.path;
        if (info->flag == 1) {
            // A reopen at a view position: the map of that path is closed and opened afresh.
            h.SetViewCenter(view, info->center.lat, info->center.lon);
            uint32_t old = 0;
            for (const auto& m : h.maps_)
                if (m.open && m.path == path) old = m.handle;
            if (old != 0) (void)h.CloseMap(old);
        }
        result = h.OpenPath(path) != 0 ? 1 : 0;
    }
    H().log_[at].result = std::to_string(result);
    return result;
}

int32_t OLX_CALL OLX_ClearAllViewCache(void) {
    Host& h = H();
    ++h.viewCacheClears_;
    return Logged("OLX_ClearAllViewCache", "", 1);
}

int32_t OLX_CALL OLX_GetDatumbyShortString(const char* name) {
    const int32_t code = name ? hostsim::DatumCode(name) : 0;
    return Logged("OLX_GetDatumbyShortString", text::Str(name), code);
}

int32_t OLX_CALL OLX_ConvertDatum(const tagGEOPOS* src, tagGEOPOS* dst, int32_t fromDatum, int32_t toDatum) {
    Host& h = H();
    const std::string args = text::Pos(src) + ", " + (dst ? "out" : "null") + ", " + text::Num(fromDatum) + ", " +
                             text::Num(toDatum);
    if (!src || !dst) return Logged("OLX_ConvertDatum", args, 0);
    const tagGEOPOS in = *src;
    if (!hostsim::ConvertDatum(in, *dst, fromDatum, toDatum)) {
        // An unknown datum leaves the position as it was, so the caller still has a sane one.
        *dst = in;
        return Logged("OLX_ConvertDatum", args, 0);
    }
    h.Record(Call::Kind::Host, "OLX_ConvertDatum", args, "1 " + text::Pos(dst));
    return 1;
}

int32_t OLX_CALL OLX_MakeMapSetID(void* id12, const tagMAPSETIDINFO* info) {
    std::string args = id12 ? "id" : "null";
    if (!info) return Logged("OLX_MakeMapSetID", args + ", null", 0);
    args += ", {";
    for (int i = 0; i < 9; ++i) {
        if (i) args += ' ';
        args += text::Num(info->field[i]);
    }
    args += "}";
    if (!id12) return Logged("OLX_MakeMapSetID", args, 0);
    const std::vector<uint8_t> id = hostsim::MapSetIdBytes(*info);
    std::memcpy(id12, id.data(), id.size());
    return Logged("OLX_MakeMapSetID", args, 1);
}

uint32_t OLX_CALL OLX_XEM_Open(const void* setId, const char* name) {
    Host& h = H();
    const std::string args = (setId ? text::Hex(setId, 12) : std::string("null")) + ", " + text::Str(name);
    const std::vector<uint8_t> expected = hostsim::MapSetIdBytes(hostsim::GuidebookIdInfo(1));
    const bool matches = setId && name && std::memcmp(setId, expected.data(), expected.size()) == 0 &&
                         std::strcmp(name, "GUIDEDEM") == 0;
    uint32_t handle = 0;
    if (matches && h.hasGuidebook_ && !h.failXemOpen) {
        handle = h.nextXemHandle_++;
        h.xemHandles_.insert(handle);
    }
    h.Record(Call::Kind::Host, "OLX_XEM_Open", args, text::Num(handle));
    return handle;
}

int32_t OLX_CALL OLX_XEM_GetMapsetInfo(uint32_t handle, tagMAPSETCREATEINFO* info) {
    Host& h = H();
    const std::string args = text::Num(handle) + ", " + (info ? "{size=" + text::Num(info->size) + "}" : "null");
    if (!info || !h.xemHandles_.count(handle) || h.failXemInfo) return Logged("OLX_XEM_GetMapsetInfo", args, 0);
    *info = h.guidebookInfo_;
    info->size = sizeof(tagMAPSETCREATEINFO);
    return Logged("OLX_XEM_GetMapsetInfo", args, 1);
}

int32_t OLX_CALL OLX_XEM_DecodeRealBlock(uint32_t handle, int32_t blockId, int16_t* values) {
    Host& h = H();
    const std::string args = text::Num(handle) + ", " + text::Num(blockId) + ", " + (values ? "values" : "null");
    if (!values || !h.xemHandles_.count(handle)) return Logged("OLX_XEM_DecodeRealBlock", args, 0);
    ++h.decodeCounts_[blockId];
    if (h.failDecodeTiles.count(blockId) || !h.guidebookTiles_) return Logged("OLX_XEM_DecodeRealBlock", args, 0);
    const bool ok = h.guidebookTiles_(blockId, values);
    return Logged("OLX_XEM_DecodeRealBlock", args, ok ? 1 : 0);
}

int32_t OLX_CALL OLX_XEM_Close(uint32_t handle) {
    Host& h = H();
    const int32_t r = h.xemHandles_.erase(handle) ? 1 : 0;
    return Logged("OLX_XEM_Close", text::Num(handle), r);
}

}  // extern "C"
