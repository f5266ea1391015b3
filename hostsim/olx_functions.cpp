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
    H().Log().Record(Call::Kind::Host, name, args, std::to_string(result));
    return result;
}

std::string Entry(const tagHOOKENTRY* e) {
    if (!e) return "null";
    return "{size=" + text::Num(e->size) + " owner=" + text::Num(e->owner) + " " + H().Log().ProcName(e->proc) +
           " zero=" + text::Num(e->zero) + "}";
}

std::string Text(const char* s) {
    return s ? std::string(s) : std::string();
}

}  // namespace

extern "C" {

int32_t OLX_CALL OLX_GetVersion(void) {
    return Logged("OLX_GetVersion", "", H().Version());
}

int32_t OLX_CALL OLX_RegisterMap(const tagHOOKENTRY* entry) {
    const std::string args = Entry(entry);
    if (!entry) return Logged("OLX_RegisterMap", args, 0);
    return Logged("OLX_RegisterMap", args, H().Registry().AddMapType(*entry));
}

int32_t OLX_CALL OLX_AddHook(int32_t kind, const tagHOOKENTRY* entry) {
    const std::string args = text::Num(kind) + ", " + Entry(entry);
    if (!entry) return Logged("OLX_AddHook", args, 0);
    return Logged("OLX_AddHook", args, H().Registry().AddHook(kind, *entry));
}

int32_t OLX_CALL OLX_AddMenu(uint32_t pluginId, int32_t parent, const char* text, OlxProc proc) {
    Host& h = H();
    const std::string args =
        text::Num(pluginId) + ", " + text::Num(parent) + ", " + text::Str(text) + ", " + h.Log().ProcName(proc);
    return Logged("OLX_AddMenu", args, h.Registry().AddMenu(pluginId, parent, Text(text), proc));
}

int32_t OLX_CALL OLX_AddPopupMenu(uint32_t pluginId, int32_t parent, const char* text, int32_t arg) {
    const std::string args =
        text::Num(pluginId) + ", " + text::Num(parent) + ", " + text::Str(text) + ", " + text::Num(arg);
    return Logged("OLX_AddPopupMenu", args, H().Registry().AddPopup(pluginId, parent, Text(text), arg));
}

int32_t OLX_CALL OLX_AddChildMenu(uint32_t pluginId, int32_t popup, const char* text, OlxProc proc) {
    Host& h = H();
    const std::string args =
        text::Num(pluginId) + ", " + text::Num(popup) + ", " + text::Str(text) + ", " + h.Log().ProcName(proc);
    return Logged("OLX_AddChildMenu", args, h.Registry().AddChildMenu(pluginId, popup, Text(text), proc));
}

int32_t OLX_CALL OLX_GetProfileInt(uint32_t pluginId, const char* key, int32_t def) {
    const std::string args = text::Num(pluginId) + ", " + text::Str(key) + ", " + text::Num(def);
    int32_t value = def;
    if (key) {
        if (auto stored = H().Profiles().Get(pluginId, key)) {
            // As the system's profile reader: leading blanks, sign, digits; none gives 0.
            value = static_cast<int32_t>(std::strtol(stored->c_str(), nullptr, 10));
        }
    }
    return Logged("OLX_GetProfileInt", args, value);
}

const char* OLX_CALL OLX_GetProfileString(uint32_t pluginId, const char* key, const char* def) {
    Host& h = H();
    const std::string args = text::Num(pluginId) + ", " + text::Str(key) + ", " + text::Str(def);
    std::optional<std::string> stored = key ? h.Profiles().Get(pluginId, key) : std::nullopt;
    const char* answer = h.Profiles().Lend(stored ? *stored : Text(def));
    h.Log().Record(Call::Kind::Host, "OLX_GetProfileString", args, text::Quote(answer));
    return answer;
}

int32_t OLX_CALL OLX_WriteProfileInt(uint32_t pluginId, const char* key, int32_t value) {
    const std::string args = text::Num(pluginId) + ", " + text::Str(key) + ", " + text::Num(value);
    if (!key) return Logged("OLX_WriteProfileInt", args, 0);
    H().Profiles().SetInt(pluginId, key, value);
    return Logged("OLX_WriteProfileInt", args, 1);
}

int32_t OLX_CALL OLX_WriteProfileString(uint32_t pluginId, const char* key, const char* value) {
    const std::string args = text::Num(pluginId) + ", " + text::Str(key) + ", " + text::Str(value);
    if (!key) return Logged("OLX_WriteProfileString", args, 0);
    H().Profiles().Set(pluginId, key, Text(value));
    return Logged("OLX_WriteProfileString", args, 1);
}

void* OLX_CALL OLX_GetMainWnd(void) {
    void* window = H().Desktop().MainWindow();
    H().Log().Record(Call::Kind::Host, "OLX_GetMainWnd", "", text::Ptr(window));
    return window;
}

uint32_t OLX_CALL OLX_GetActiveView(void) {
    const uint32_t view = H().Maps().ActiveView();
    H().Log().Record(Call::Kind::Host, "OLX_GetActiveView", "", text::Num(view));
    return view;
}

int32_t OLX_CALL OLX_GetViewCenter(uint32_t view, tagGEOPOS* out) {
    const std::string args = text::Num(view) + ", " + (out ? "out" : "null");
    const std::optional<tagGEOPOS> center = H().Maps().ViewCenter(view);
    if (!out || !center) return Logged("OLX_GetViewCenter", args, 0);
    *out = *center;
    H().Log().Record(Call::Kind::Host, "OLX_GetViewCenter", args, "1 " + text::Pos(out));
    return 1;
}

uint32_t OLX_CALL OLX_GetActiveBaseMap(void) {
    const uint32_t map = H().Maps().ActiveBaseMap();
    H().Log().Record(Call::Kind::Host, "OLX_GetActiveBaseMap", "", text::Num(map));
    return map;
}

uint32_t OLX_CALL OLX_GetActiveCoverMap(void) {
    const uint32_t map = H().Maps().ActiveCoverMap();
    H().Log().Record(Call::Kind::Host, "OLX_GetActiveCoverMap", "", text::Num(map));
    return map;
}

// Both answer the empty text for a map the host does not know; the text stays valid until the
// next call of the same function.
const char* OLX_CALL OLX_GetMapgroupFile(uint32_t map) {
    const char* path = H().Maps().LendMapgroupFile(map);
    H().Log().Record(Call::Kind::Host, "OLX_GetMapgroupFile", text::Num(map), text::Quote(path));
    return path;
}

const char* OLX_CALL OLX_GetMapFile(uint32_t map) {
    const char* path = H().Maps().LendMapFile(map);
    H().Log().Record(Call::Kind::Host, "OLX_GetMapFile", text::Num(map), text::Quote(path));
    return path;
}

int32_t OLX_CALL OLX_GetMatIndex(uint32_t map) {
    return Logged("OLX_GetMatIndex", text::Num(map), H().Maps().MatIndex(map));
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
    h.Maps().AddOpenRequest(request);

    std::string args = text::Num(view) + ", {size=" + text::Num(info->size) + " path=" + text::Str(info->path) +
                       " flag=" + text::Num(info->flag);
    if (info->flag == 1) args += " center=" + text::Pos(&info->center) + " mat=" + text::Num(info->matIndex);
    args += " zero32=" + text::Num(info->zero32) + " zero40=" + text::Num(info->zero40) + "}";
    // Logged first: the messages the open sends follow it in the log.
    const size_t at = h.Log().Begin(Call::Kind::Host, "OLX_OpenMap", args);

    int32_t result = 0;
    if (request.path && (info->flag == 0 || info->flag == 1)) {
        const std::string path = *request.path;
        if (info->flag == 1) {
            // A reopen at a view position: the map of that path is closed and opened afresh.
            h.Maps().SetViewCenter(view, info->center.lat, info->center.lon);
            if (const uint32_t old = h.Maps().OpenHandleOf(path); old != 0) (void)h.Maps().CloseMap(old);
        }
        result = h.Maps().OpenFile(path) != 0 ? 1 : 0;
    }
    h.Log().Finish(at, std::to_string(result));
    return result;
}

int32_t OLX_CALL OLX_ClearAllViewCache(void) {
    H().Maps().ClearViewCache();
    return Logged("OLX_ClearAllViewCache", "", 1);
}

int32_t OLX_CALL OLX_GetDatumbyShortString(const char* name) {
    const int32_t code = name ? hostsim::DatumCode(name) : 0;
    return Logged("OLX_GetDatumbyShortString", text::Str(name), code);
}

int32_t OLX_CALL OLX_ConvertDatum(const tagGEOPOS* src, tagGEOPOS* dst, int32_t fromDatum, int32_t toDatum) {
    const std::string args =
        text::Pos(src) + ", " + (dst ? "out" : "null") + ", " + text::Num(fromDatum) + ", " + text::Num(toDatum);
    if (!src || !dst) return Logged("OLX_ConvertDatum", args, 0);
    const tagGEOPOS in = *src;
    if (!hostsim::ConvertDatum(in, *dst, fromDatum, toDatum)) {
        // An unknown datum leaves the position as it was, so the caller still has a sane one.
        *dst = in;
        return Logged("OLX_ConvertDatum", args, 0);
    }
    H().Log().Record(Call::Kind::Host, "OLX_ConvertDatum", args, "1 " + text::Pos(dst));
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
    const std::string args = (setId ? text::Hex(setId, 12) : std::string("null")) + ", " + text::Str(name);
    const uint32_t handle = H().Guidebook().Open(setId, name);
    H().Log().Record(Call::Kind::Host, "OLX_XEM_Open", args, text::Num(handle));
    return handle;
}

int32_t OLX_CALL OLX_XEM_GetMapsetInfo(uint32_t handle, tagMAPSETCREATEINFO* info) {
    const std::string args = text::Num(handle) + ", " + (info ? "{size=" + text::Num(info->size) + "}" : "null");
    const bool ok = info && H().Guidebook().Info(handle, *info);
    return Logged("OLX_XEM_GetMapsetInfo", args, ok ? 1 : 0);
}

int32_t OLX_CALL OLX_XEM_DecodeRealBlock(uint32_t handle, int32_t blockId, int16_t* values) {
    const std::string args = text::Num(handle) + ", " + text::Num(blockId) + ", " + (values ? "values" : "null");
    const bool ok = H().Guidebook().Decode(handle, blockId, values);
    return Logged("OLX_XEM_DecodeRealBlock", args, ok ? 1 : 0);
}

int32_t OLX_CALL OLX_XEM_Close(uint32_t handle) {
    return Logged("OLX_XEM_Close", text::Num(handle), H().Guidebook().Close(handle) ? 1 : 0);
}

}  // extern "C"
