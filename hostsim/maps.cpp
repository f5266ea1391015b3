#include "hostsim/maps.h"

#include <cstring>

#include "hostsim/text.h"

namespace hostsim {
namespace {

// The host's own bytes 9-11 of the 2011 record.
constexpr uint8_t kMapInfoHostBytes[3] = {0x48, 0x53, 0x54};

}  // namespace

void ViewsAndMaps::SetViewCenter(uint32_t view, double lat, double lon) {
    viewCenters_[view] = tagGEOPOS{lat, lon};
}

std::optional<tagGEOPOS> ViewsAndMaps::ViewCenter(uint32_t view) const {
    auto it = viewCenters_.find(view);
    if (it == viewCenters_.end()) return std::nullopt;
    return it->second;
}

void ViewsAndMaps::SetMapgroupFile(uint32_t map, const std::string& path) {
    mapgroupFiles_[map] = path;
}

void ViewsAndMaps::SetMapFile(uint32_t map, const std::string& path) {
    mapFiles_[map] = path;
}

void ViewsAndMaps::SetMatIndex(uint32_t map, int32_t index) {
    matIndices_[map] = index;
}

int32_t ViewsAndMaps::MatIndex(uint32_t map) const {
    auto it = matIndices_.find(map);
    return it == matIndices_.end() ? 0 : it->second;
}

const char* ViewsAndMaps::LendMapgroupFile(uint32_t map) {
    auto it = mapgroupFiles_.find(map);
    mapgroupText_ = it == mapgroupFiles_.end() ? std::string() : it->second;
    return mapgroupText_.c_str();
}

const char* ViewsAndMaps::LendMapFile(uint32_t map) {
    auto it = mapFiles_.find(map);
    mapFileText_ = it == mapFiles_.end() ? std::string() : it->second;
    return mapFileText_.c_str();
}

std::vector<OpenMap> ViewsAndMaps::OpenMaps() const {
    std::vector<OpenMap> out;
    for (const OpenMap& m : maps_)
        if (m.open) out.push_back(m);
    return out;
}

const OpenMap* ViewsAndMaps::FindOpenMap(uint32_t handle) const {
    for (const OpenMap& m : maps_)
        if (m.open && m.handle == handle) return &m;
    return nullptr;
}

OpenMap* ViewsAndMaps::FindOpen(uint32_t handle) {
    for (OpenMap& m : maps_)
        if (m.open && m.handle == handle) return &m;
    return nullptr;
}

uint32_t ViewsAndMaps::OpenHandleOf(const std::string& path) const {
    uint32_t handle = 0;
    for (const OpenMap& m : maps_)
        if (m.open && m.path == path) handle = m.handle;
    return handle;
}

// Sends 2011 for m and keeps what the module wrote (the title's bytes at once).
int32_t ViewsAndMaps::SendDescribe(OpenMap& m) {
    tagMAPINFO info;
    std::memset(&info, mapInfoFill_, sizeof info);
    std::memcpy(info.hostBytes9, kMapInfoHostBytes, sizeof info.hostBytes9);
    const int32_t r = log_->Send(m.proc, "map 2011", olx::kMsgDescribe, m.handle, olx::ToParam(&info),
                                 text::Num(m.handle) + ", {size=" + text::Num(info.size) + "}");
    m.described = r;
    m.info = info;
    if (r != 0) {
        m.hasTitle = info.title != nullptr;
        m.title = info.title ? std::string(info.title) : std::string();
    }
    return r;
}

uint32_t ViewsAndMaps::OpenFile(const std::string& path) {
    std::vector<OlxProc> procs;
    for (const MapTypeEntry& t : registry_->MapTypes()) procs.push_back(t.proc);
    const std::string copy = path;
    OlxProc taker = nullptr;
    for (OlxProc proc : procs) {
        if (!proc) continue;
        if (log_->Send(proc, "map 2003", olx::kMsgRecognise, 0, olx::ToParam(copy.c_str()),
                       "0, " + text::Quote(copy)) == 1) {
            taker = proc;
            break;
        }
    }
    if (!taker) return 0;

    OpenMap m;
    m.handle = nextHandle_;
    nextHandle_ += handleStep_;
    m.path = copy;
    m.proc = taker;
    m.recognised = 1;
    m.opened = log_->Send(taker, "map 2004", olx::kMsgOpen, m.handle, olx::ToParam(copy.c_str()),
                          text::Num(m.handle) + ", " + text::Quote(copy));
    if (m.opened == 0) return 0;
    mapFiles_[m.handle] = copy;

    if (SendDescribe(m) == 0) {
        if (closeOnDescribeFailure_)
            (void)log_->Send(taker, "map 2021", olx::kMsgClose, m.handle, 0, text::Num(m.handle));
        mapFiles_.erase(m.handle);
        return 0;
    }
    // A handle the host hands out again replaces the record it named.
    if (OpenMap* old = FindOpen(m.handle)) old->open = false;
    maps_.push_back(m);
    activeBaseMap_ = m.handle;
    mapgroupFiles_[m.handle] = copy;
    return m.handle;
}

OlxProc ViewsAndMaps::ProcFor(uint32_t handle) const {
    if (const OpenMap* m = FindOpenMap(handle)) return m->proc;
    return registry_->FirstMapTypeProc();
}

int32_t ViewsAndMaps::ReadBlock(uint32_t handle, int32_t blockId, int16_t* values) {
    OlxProc proc = ProcFor(handle);
    if (!proc) return -1;
    tagBLOCKREQUEST request{};
    request.blockId = blockId;
    request.values = values;
    return log_->Send(proc, "map 2012", olx::kMsgReadBlock, handle, olx::ToParam(&request),
                      text::Num(handle) + ", {blockId=" + text::Num(blockId) + "}");
}

int32_t ViewsAndMaps::CloseMap(uint32_t handle) {
    OlxProc proc = ProcFor(handle);
    if (!proc) return -1;
    const int32_t r = log_->Send(proc, "map 2021", olx::kMsgClose, handle, 0, text::Num(handle));
    if (OpenMap* m = FindOpen(handle)) m->open = false;
    return r;
}

FileTypeAnswer ViewsAndMaps::RequestFileType() {
    FileTypeAnswer answer;
    std::memset(&answer.record, 0xEE, sizeof answer.record);
    OlxProc proc = registry_->FirstMapTypeProc();
    if (!proc) {
        answer.result = -1;
        return answer;
    }
    answer.result = log_->Send(proc, "map 2001", olx::kMsgFileType, 0, olx::ToParam(&answer.record), "0, {filetype}");
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

int32_t ViewsAndMaps::Describe(uint32_t handle) {
    OpenMap m;
    if (const OpenMap* known = FindOpenMap(handle)) {
        m = *known;
    } else {
        m.handle = handle;
        m.recognised = 1;
        auto it = mapFiles_.find(handle);
        if (it != mapFiles_.end()) m.path = it->second;
        m.proc = registry_->FirstMapTypeProc();
    }
    if (!m.proc) return -1;
    const int32_t r = SendDescribe(m);
    if (OpenMap* known = FindOpen(handle)) {
        *known = m;
        known->open = r != 0;
    } else if (r != 0) {
        maps_.push_back(m);
    }
    return r;
}

}  // namespace hostsim
