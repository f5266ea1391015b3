// The host's views and maps: the active view and maps, what the host knows of each map (map
// group file, map file, material index), and the maps it opened through the registered map-type
// procedures, with the messages it sends them (2001, 2003, 2004, 2011, 2012, 2021).
#pragma once

#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "hostsim/call_log.h"
#include "hostsim/registrations.h"
#include "olx/host_interface.h"

namespace hostsim {

// A copy of a tagOPENMAPINFO the module passed to OLX_OpenMap (the path's bytes copied).
struct OpenRequest {
    uint32_t view = 0;
    int32_t size = 0;
    std::optional<std::string> path;  // nullopt: null address
    int32_t flag = 0;
    tagGEOPOS center{};
    int32_t zero32 = 0;
    int32_t zero40 = 0;
    int32_t matIndex = 0;
};

// A map the host opened through the map-type procedure and has not closed.
struct OpenMap {
    uint32_t handle = 0;
    std::string path;
    int32_t recognised = 0;  // result of 2003 (1 when Describe() added the map without it)
    int32_t opened = 0;      // result of 2004 (0 when the map was only described)
    int32_t described = 0;   // result of the latest 2011
    tagMAPINFO info{};       // the record after the latest 2011
    std::string title;       // the title's bytes, copied as soon as 2011 returned
    bool hasTitle = false;   // false when the title address was null
    OlxProc proc = nullptr;  // the map-type procedure that took the map
    bool open = true;        // false once the host closed it
};

// The file-type record that the map-type procedure filled at 2001.
struct FileTypeAnswer {
    int32_t result = 0;
    tagFILETYPEINFO record{};
    std::optional<std::string> filterName;
    std::optional<std::string> pattern;
};

class ViewsAndMaps {
public:
    // Messages go to the map types of registry and are logged in log.
    ViewsAndMaps(CallLog& log, const Registrations& registry) : log_(&log), registry_(&registry) {}

    // ---- views and what the host knows of its maps
    [[nodiscard]] uint32_t ActiveView() const { return activeView_; }
    void SetActiveView(uint32_t view) { activeView_ = view; }
    [[nodiscard]] uint32_t ActiveBaseMap() const { return activeBaseMap_; }
    void SetActiveBaseMap(uint32_t map) { activeBaseMap_ = map; }
    [[nodiscard]] uint32_t ActiveCoverMap() const { return activeCoverMap_; }
    void SetActiveCoverMap(uint32_t map) { activeCoverMap_ = map; }
    void SetViewCenter(uint32_t view, double lat, double lon);
    [[nodiscard]] std::optional<tagGEOPOS> ViewCenter(uint32_t view) const;
    void SetMapgroupFile(uint32_t map, const std::string& path);
    void SetMapFile(uint32_t map, const std::string& path);
    void SetMatIndex(uint32_t map, int32_t index);
    [[nodiscard]] int32_t MatIndex(uint32_t map) const;  // 0 for a map without one
    // The texts OLX_GetMapgroupFile and OLX_GetMapFile hand out (empty for a map the host does
    // not know); each stays valid until the next answer of the same kind.
    [[nodiscard]] const char* LendMapgroupFile(uint32_t map);
    [[nodiscard]] const char* LendMapFile(uint32_t map);

    // ---- how the host opens maps
    // Handles are handed out from next, which then advances by step (16 and 16 at first).
    [[nodiscard]] uint32_t NextHandle() const { return nextHandle_; }
    void SetNextHandle(uint32_t next) { nextHandle_ = next; }
    void SetHandleStep(uint32_t step) { handleStep_ = step; }
    // Every byte of the 2011 record is fill before the module fills it, bytes 9-11 excepted,
    // which are the host's own.
    void SetMapInfoFill(uint8_t fill) { mapInfoFill_ = fill; }
    // When 2011 fails the host gives the map up with 2021 (true at first).
    void SetCloseOnDescribeFailure(bool close) { closeOnDescribeFailure_ = close; }

    // The host's own open of a file (what OLX_OpenMap with flag 0 does, without the call being
    // logged as OLX_OpenMap): 2003 to each map type until one answers 1, 2004, 2011. Returns the
    // new handle, 0 when the file was not taken or not opened. A successful open makes the new
    // map the active base map with its path as map group file and map file (as the host's own
    // open would).
    uint32_t OpenFile(const std::string& path);
    // 2012 with a tagBLOCKREQUEST for values (320 x 320). -1 when no procedure has the handle.
    int32_t ReadBlock(uint32_t handle, int32_t blockId, int16_t* values);
    // 2021; the host forgets the map whatever the answer. -1 when no procedure has the handle.
    int32_t CloseMap(uint32_t handle);
    // 2001 to the first map type; the record starts filled with 0xEE bytes.
    FileTypeAnswer RequestFileType();
    // 2011 without 2004 for a handle whose path the host already knows (SetMapFile): the map
    // is taken by the first map type. Returns the result (-1 without a map type).
    int32_t Describe(uint32_t handle);

    // The maps open now, in the order they were opened.
    [[nodiscard]] std::vector<OpenMap> OpenMaps() const;
    // The open map with this handle, nullptr when none. The record stays readable (with open
    // false) after the map is closed, until the host is reset.
    [[nodiscard]] const OpenMap* FindOpenMap(uint32_t handle) const;
    // Every map the host has opened, closed ones included (open false), in order.
    [[nodiscard]] const std::deque<OpenMap>& Records() const { return maps_; }
    // The handle of the open map of this path; 0 when none.
    [[nodiscard]] uint32_t OpenHandleOf(const std::string& path) const;

    // ---- what the module asked of the host
    void AddOpenRequest(OpenRequest request) { openRequests_.push_back(std::move(request)); }
    // Every record passed to OLX_OpenMap, in order.
    [[nodiscard]] const std::vector<OpenRequest>& OpenRequests() const { return openRequests_; }
    void ClearViewCache() { ++viewCacheClears_; }
    [[nodiscard]] int ViewCacheClears() const { return viewCacheClears_; }

private:
    int32_t SendDescribe(OpenMap& m);
    OpenMap* FindOpen(uint32_t handle);
    OlxProc ProcFor(uint32_t handle) const;

    CallLog* log_;
    const Registrations* registry_;

    uint32_t activeView_ = 1;
    uint32_t activeBaseMap_ = 0;
    uint32_t activeCoverMap_ = 0;
    std::map<uint32_t, tagGEOPOS> viewCenters_;
    std::map<uint32_t, std::string> mapgroupFiles_;
    std::map<uint32_t, std::string> mapFiles_;
    std::map<uint32_t, int32_t> matIndices_;
    std::string mapgroupText_;
    std::string mapFileText_;

    uint32_t nextHandle_ = 16;
    uint32_t handleStep_ = 16;
    uint8_t mapInfoFill_ = 0;
    bool closeOnDescribeFailure_ = true;

    std::deque<OpenMap> maps_;  // every map ever opened; a deque keeps records in place
    std::vector<OpenRequest> openRequests_;
    int viewCacheClears_ = 0;
};

}  // namespace hostsim
