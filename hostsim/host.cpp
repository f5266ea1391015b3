#include "hostsim/host.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>

#include "hostsim/text.h"
#include "platform/cp932.h"

namespace hostsim {
namespace {

Host& Instance() {
    static Host host;
    return host;
}

const char* KindName(Call::Kind kind) {
    switch (kind) {
        case Call::Kind::Host:
            return "host";
        case Call::Kind::Send:
            return "send";
        case Call::Kind::Desktop:
            return "desktop";
    }
    return "?";
}

}  // namespace

Host& Get() {
    return Instance();
}

void Reset() {
    // Assigned in place: references to the host stay valid across tests.
    Instance() = Host();
}

// ---- log

void Host::Record(Call::Kind kind, std::string name, std::string args, std::string result) {
    log_.push_back(Call{kind, std::move(name), std::move(args), std::move(result)});
}

std::string Host::ProcName(OlxProc proc) {
    if (!proc) return "null";
    auto it = std::find(procNames_.begin(), procNames_.end(), proc);
    if (it == procNames_.end()) {
        procNames_.push_back(proc);
        it = procNames_.end() - 1;
    }
    return "proc#" + std::to_string(it - procNames_.begin() + 1);
}

std::vector<std::string> Host::Names() const {
    std::vector<std::string> out;
    for (const Call& c : log_) out.push_back(c.name);
    return out;
}

std::vector<std::string> Host::Names(Call::Kind kind) const {
    std::vector<std::string> out;
    for (const Call& c : log_)
        if (c.kind == kind) out.push_back(c.name);
    return out;
}

std::vector<Call> Host::Calls(const std::string& name) const {
    std::vector<Call> out;
    for (const Call& c : log_)
        if (c.name == name) out.push_back(c);
    return out;
}

int Host::Count(const std::string& name) const {
    return static_cast<int>(std::count_if(log_.begin(), log_.end(), [&](const Call& c) { return c.name == name; }));
}

std::string Host::LogText() const {
    std::string out;
    for (const Call& c : log_) {
        out += KindName(c.kind);
        out += ' ';
        out += c.name + "(" + c.args + ")";
        if (!c.result.empty()) out += " -> " + c.result;
        out += '\n';
    }
    return out;
}

// ---- registrations and firing

int32_t Host::FindMenu(const std::string& text) const {
    for (const MenuEntry& m : menus_)
        if (m.text == text) return m.id;
    return 0;
}

int32_t Host::FireMenu(int32_t menuId, int32_t code, intptr_t param) {
    OlxProc proc = nullptr;
    for (const MenuEntry& m : menus_)
        if (m.id == menuId) proc = m.proc;
    if (!proc) {
        Record(Call::Kind::Send, "menu " + std::to_string(code), text::Num(menuId) + ", no such menu", "-1");
        return -1;
    }
    return Send(proc, "menu " + std::to_string(code), code, 0, param,
                text::Num(menuId) + ", " + text::Num(static_cast<int64_t>(param)));
}

std::optional<int32_t> Host::MenuState(int32_t menuId) {
    int32_t state = 0;
    if (FireMenu(menuId, olx::kMenuState, olx::ToParam(&state)) == -1) return std::nullopt;
    return state;
}

int32_t Host::FireFileOpenHook(const std::string& path) {
    std::vector<OlxProc> procs;
    for (const HookEntry& h : hooks_)
        if (h.kind == olx::kHookFileOpen) procs.push_back(h.proc);
    const std::string copy = path;
    for (OlxProc proc : procs) {
        if (!proc) continue;
        int32_t r = Send(proc, "hook " + std::to_string(olx::kEventFileOpen), olx::kEventFileOpen, 0,
                         olx::ToParam(copy.c_str()), text::Quote(copy));
        if (r != 0) return r;
    }
    return 0;
}

int32_t Host::FireHook(int32_t kind, int32_t event, intptr_t param) {
    std::vector<OlxProc> procs;
    for (const HookEntry& h : hooks_)
        if (h.kind == kind) procs.push_back(h.proc);
    int32_t r = 0;
    for (OlxProc proc : procs) {
        if (!proc) continue;
        r = Send(proc, "hook " + std::to_string(event), event, 0, param,
                 text::Num(kind) + ", " + text::Num(static_cast<int64_t>(param)));
    }
    return r;
}

int32_t Host::Send(OlxProc proc, const std::string& name, int32_t code, uint32_t handle, intptr_t param,
                   const std::string& args) {
    // Logged before the call so that the module's nested calls follow it in the log; the
    // result is filled in afterwards.
    log_.push_back(Call{Call::Kind::Send, name, args, ""});
    const size_t at = log_.size() - 1;
    const int32_t r = proc(code, handle, param);
    log_[at].result = std::to_string(r);
    return r;
}

// ---- profile store

namespace {
using Section = std::vector<std::pair<std::string, std::string>>;

std::pair<std::string, std::string>* FindKey(Section& s, const std::string& key) {
    for (auto& kv : s)
        if (cp932::CompareNoCase(kv.first, key) == 0) return &kv;
    return nullptr;
}
}  // namespace

std::optional<std::string> Host::Profile(uint32_t pluginId, const std::string& key) const {
    auto it = profile_.find(pluginId);
    if (it == profile_.end()) return std::nullopt;
    for (const auto& kv : it->second)
        if (cp932::CompareNoCase(kv.first, key) == 0) return kv.second;
    return std::nullopt;
}

void Host::SetProfile(uint32_t pluginId, const std::string& key, const std::string& value) {
    Section& s = profile_[pluginId];
    if (auto* kv = FindKey(s, key)) {
        kv->second = value;
    } else {
        s.emplace_back(key, value);
    }
    SaveBacking();
}

void Host::SetProfileInt(uint32_t pluginId, const std::string& key, int32_t value) {
    SetProfile(pluginId, key, std::to_string(value));
}

void Host::EraseProfile(uint32_t pluginId, const std::string& key) {
    auto it = profile_.find(pluginId);
    if (it == profile_.end()) return;
    auto& s = it->second;
    s.erase(std::remove_if(s.begin(), s.end(), [&](const auto& kv) { return cp932::CompareNoCase(kv.first, key) == 0; }),
            s.end());
    SaveBacking();
}

bool Host::LoadIni(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::map<uint32_t, Section> loaded;
    Section* current = nullptr;
    std::string line;
    const std::string kSection = "[plugin ";
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == ';') continue;
        if (line[0] == '[') {
            // Any section ends the one before; only "[plugin N]" sections are the store's.
            current = nullptr;
            if (line.compare(0, kSection.size(), kSection) == 0 && line.back() == ']') {
                char* end = nullptr;
                const unsigned long id = std::strtoul(line.c_str() + kSection.size(), &end, 10);
                if (end && *end == ']') current = &loaded[static_cast<uint32_t>(id)];
            }
            continue;
        }
        const size_t eq = line.find('=');
        if (!current || eq == std::string::npos) continue;
        const std::string key = line.substr(0, eq);
        if (auto* kv = FindKey(*current, key)) {
            kv->second = line.substr(eq + 1);
        } else {
            current->emplace_back(key, line.substr(eq + 1));
        }
    }
    profile_ = std::move(loaded);
    return true;
}

bool Host::SaveIni(const std::string& path) const {
    std::string out;
    for (const auto& [id, section] : profile_) {
        out += "[plugin " + std::to_string(id) + "]\n";
        for (const auto& [key, value] : section) {
            if (key.find_first_of("\r\n=") != std::string::npos || value.find_first_of("\r\n") != std::string::npos)
                return false;
            out += key + "=" + value + "\n";
        }
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << out;
    return static_cast<bool>(file);
}

void Host::SetIniBacking(const std::string& path) {
    iniBacking_.clear();
    {
        std::ifstream probe(path);
        if (probe && !LoadIni(path)) return;
    }
    iniBacking_ = path;
}

void Host::SaveBacking() {
    if (!iniBacking_.empty()) (void)SaveIni(iniBacking_);
}

// ---- views and maps

void Host::SetViewCenter(uint32_t view, double lat, double lon) {
    viewCenters_[view] = tagGEOPOS{lat, lon};
}

void Host::SetMapgroupFile(uint32_t map, const std::string& path) {
    mapgroupFiles_[map] = path;
}

void Host::SetMapFile(uint32_t map, const std::string& path) {
    mapFiles_[map] = path;
}

void Host::SetMatIndex(uint32_t map, int32_t index) {
    matIndices_[map] = index;
}

std::vector<OpenMap> Host::OpenMaps() const {
    std::vector<OpenMap> out;
    for (const OpenMap& m : maps_)
        if (m.open) out.push_back(m);
    return out;
}

const OpenMap* Host::FindOpenMap(uint32_t handle) const {
    for (const OpenMap& m : maps_)
        if (m.open && m.handle == handle) return &m;
    return nullptr;
}

namespace {
OpenMap* FindOpen(std::deque<OpenMap>& maps, uint32_t handle) {
    for (OpenMap& m : maps)
        if (m.open && m.handle == handle) return &m;
    return nullptr;
}
}  // namespace

namespace {

// Sends 2011 for m and keeps what the module wrote (the title's bytes at once).
int32_t SendDescribe(Host& host, OpenMap& m) {
    tagMAPINFO info;
    std::memset(&info, host.mapInfoFill, sizeof info);
    std::memcpy(info.hostBytes9, host.mapInfoHostBytes, sizeof info.hostBytes9);
    const int32_t r = host.Send(m.proc, "map 2011", olx::kMsgDescribe, m.handle, olx::ToParam(&info),
                                text::Num(m.handle) + ", {size=" + text::Num(info.size) + "}");
    m.described = r;
    m.info = info;
    if (r != 0) {
        m.hasTitle = info.title != nullptr;
        m.title = info.title ? std::string(info.title) : std::string();
    }
    return r;
}

}  // namespace

uint32_t Host::OpenPath(const std::string& path) {
    std::vector<OlxProc> procs;
    for (const MapTypeEntry& t : mapTypes_) procs.push_back(t.proc);
    const std::string copy = path;
    OlxProc taker = nullptr;
    for (OlxProc proc : procs) {
        if (!proc) continue;
        if (Send(proc, "map 2003", olx::kMsgRecognise, 0, olx::ToParam(copy.c_str()), "0, " + text::Quote(copy)) ==
            1) {
            taker = proc;
            break;
        }
    }
    if (!taker) return 0;

    OpenMap m;
    m.handle = nextHandle;
    nextHandle += handleStep;
    m.path = copy;
    m.proc = taker;
    m.recognised = 1;
    m.opened = Send(taker, "map 2004", olx::kMsgOpen, m.handle, olx::ToParam(copy.c_str()),
                    text::Num(m.handle) + ", " + text::Quote(copy));
    if (m.opened == 0) return 0;
    mapFiles_[m.handle] = copy;

    if (SendDescribe(*this, m) == 0) {
        if (closeOnDescribeFailure)
            (void)Send(taker, "map 2021", olx::kMsgClose, m.handle, 0, text::Num(m.handle));
        mapFiles_.erase(m.handle);
        return 0;
    }
    // A handle the host hands out again replaces the record it named.
    if (OpenMap* old = FindOpen(maps_, m.handle)) old->open = false;
    maps_.push_back(m);
    if (activateOpenedMaps) {
        activeBaseMap = m.handle;
        mapgroupFiles_[m.handle] = copy;
    }
    return m.handle;
}

uint32_t Host::OpenFile(const std::string& path) {
    return OpenPath(path);
}

namespace {
OlxProc ProcFor(const Host& host, uint32_t handle) {
    if (const OpenMap* m = host.FindOpenMap(handle)) return m->proc;
    for (const MapTypeEntry& t : host.MapTypes())
        if (t.proc) return t.proc;
    return nullptr;
}
}  // namespace

int32_t Host::ReadBlock(uint32_t handle, int32_t blockId, int16_t* values) {
    OlxProc proc = ProcFor(*this, handle);
    if (!proc) return -1;
    tagBLOCKREQUEST request{};
    request.blockId = blockId;
    request.values = values;
    return Send(proc, "map 2012", olx::kMsgReadBlock, handle, olx::ToParam(&request),
                text::Num(handle) + ", {blockId=" + text::Num(blockId) + "}");
}

int32_t Host::CloseMap(uint32_t handle) {
    OlxProc proc = ProcFor(*this, handle);
    if (!proc) return -1;
    const int32_t r = Send(proc, "map 2021", olx::kMsgClose, handle, 0, text::Num(handle));
    if (OpenMap* m = FindOpen(maps_, handle)) m->open = false;
    return r;
}

FileTypeAnswer Host::RequestFileType() {
    FileTypeAnswer answer;
    std::memset(&answer.record, 0xEE, sizeof answer.record);
    OlxProc proc = nullptr;
    for (const MapTypeEntry& t : mapTypes_)
        if (t.proc && !proc) proc = t.proc;
    if (!proc) {
        answer.result = -1;
        return answer;
    }
    answer.result = Send(proc, "map 2001", olx::kMsgFileType, 0, olx::ToParam(&answer.record), "0, {filetype}");
    // A pointer field still holding the fill was not written: do not read through it.
    auto readText = [](const char* p) -> std::optional<std::string> {
        uintptr_t fill;
        std::memset(&fill, 0xEE, sizeof fill);
        if (!p || reinterpret_cast<uintptr_t>(p) == fill) return std::nullopt;
        return std::string(p);
    };
    answer.filterName = readText(answer.record.filterName);
    answer.pattern = readText(answer.record.pattern);
    return answer;
}

int32_t Host::Describe(uint32_t handle) {
    OpenMap m;
    if (const OpenMap* known = FindOpenMap(handle)) {
        m = *known;
    } else {
        m.handle = handle;
        m.recognised = 1;
        auto it = mapFiles_.find(handle);
        if (it != mapFiles_.end()) m.path = it->second;
        for (const MapTypeEntry& t : mapTypes_)
            if (t.proc && !m.proc) m.proc = t.proc;
    }
    if (!m.proc) return -1;
    const int32_t r = SendDescribe(*this, m);
    if (OpenMap* known = FindOpen(maps_, handle)) {
        *known = m;
        known->open = r != 0;
    } else if (r != 0) {
        maps_.push_back(m);
    }
    return r;
}

// ---- guidebook decoder

tagMAPSETCREATEINFO MakeSetInfo(double lat, double lon, double cellsPerDegLat, double cellsPerDegLon, int32_t datum) {
    tagMAPSETCREATEINFO info{};
    info.size = sizeof(tagMAPSETCREATEINFO);
    info.lat = lat;
    info.lon = lon;
    info.cellsPerDegLat = cellsPerDegLat;
    info.cellsPerDegLon = cellsPerDegLon;
    info.datum = datum;
    return info;
}

std::vector<uint8_t> MapSetIdBytes(const tagMAPSETIDINFO& info) {
    // FNV-1a over the nine fields, then the fields that name the set and its variant.
    uint32_t hash = 2166136261u;
    for (int32_t v : info.field) {
        for (int i = 0; i < 4; ++i) {
            hash ^= static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
            hash *= 16777619u;
        }
    }
    std::vector<uint8_t> id(12);
    auto put = [&](size_t at, uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i) id[at + i] = static_cast<uint8_t>(v >> (8 * i));
    };
    put(0, hash, 4);
    put(4, static_cast<uint32_t>(info.field[2]), 2);
    put(6, static_cast<uint32_t>(info.field[3]), 2);
    put(8, static_cast<uint32_t>(info.field[7]), 4);
    return id;
}

tagMAPSETIDINFO GuidebookIdInfo(int32_t variant) {
    return tagMAPSETIDINFO{{36, 1, 235, 116, 1, 1, 0, variant, 0}};
}

void Host::SetGuidebookSource(const tagMAPSETCREATEINFO& info, TileSource tiles) {
    hasGuidebook_ = true;
    guidebookInfo_ = info;
    guidebookTiles_ = std::move(tiles);
}

void Host::RemoveGuidebookSource() {
    hasGuidebook_ = false;
    guidebookTiles_ = nullptr;
}

int Host::DecodeCount(int32_t tileId) const {
    auto it = decodeCounts_.find(tileId);
    return it == decodeCounts_.end() ? 0 : it->second;
}

int Host::DecodeCountTotal() const {
    int n = 0;
    for (const auto& kv : decodeCounts_) n += kv.second;
    return n;
}

}  // namespace hostsim
