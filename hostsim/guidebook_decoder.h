// The host's decoder of its guidebook 50 m set (the OLX_XEM_ functions): the set it serves,
// the handles open on it, and how often each tile was decoded.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <set>
#include <vector>

#include "olx/host_interface.h"

namespace hostsim {

// The guidebook 50 m set the decoder serves: its tiles (tile id -> 320 x 320 values, row 0
// south; false: the tile cannot be decoded).
using TileSource = std::function<bool(int32_t tileId, int16_t* out)>;

// A description with the fields the module reads (south-west corner, cells per degree, datum).
tagMAPSETCREATEINFO MakeSetInfo(double lat, double lon, double cellsPerDegLat, double cellsPerDegLon, int32_t datum);

// The 12 bytes OLX_MakeMapSetID writes for the given nine fields.
std::vector<uint8_t> MapSetIdBytes(const tagMAPSETIDINFO& info);
// The fields of the guidebook set's identifier with the given variant.
tagMAPSETIDINFO GuidebookIdInfo(int32_t variant = 1);

class GuidebookDecoder {
public:
    void SetSource(const tagMAPSETCREATEINFO& info, TileSource tiles);
    void RemoveSource();
    // Failures to play: the open, the description, the decoding of one tile.
    void SetFailOpen(bool fail) { failOpen_ = fail; }
    void SetFailInfo(bool fail) { failInfo_ = fail; }
    void FailDecode(int32_t tileId) { failDecodeTiles_.insert(tileId); }

    // OLX_XEM_Open: a new handle for the guidebook set's identifier and the name "GUIDEDEM"
    // while a source is set; 0 otherwise.
    uint32_t Open(const void* setId, const char* name);
    // OLX_XEM_GetMapsetInfo: the source's description, its size field set.
    bool Info(uint32_t handle, tagMAPSETCREATEINFO& info) const;
    // OLX_XEM_DecodeRealBlock: counts the request for an open handle, then decodes.
    bool Decode(uint32_t handle, int32_t tileId, int16_t* values);
    bool Close(uint32_t handle);

    [[nodiscard]] int DecodeCount(int32_t tileId) const;
    [[nodiscard]] int DecodeCountTotal() const;
    [[nodiscard]] const std::set<uint32_t>& OpenHandles() const { return handles_; }

private:
    bool hasSource_ = false;
    tagMAPSETCREATEINFO info_{};
    TileSource tiles_;
    bool failOpen_ = false;
    bool failInfo_ = false;
    std::set<int32_t> failDecodeTiles_;
    std::map<int32_t, int> decodeCounts_;
    std::set<uint32_t> handles_;
    uint32_t nextHandle_ = 0x7E01;
};

}  // namespace hostsim
