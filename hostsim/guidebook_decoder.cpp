#include "hostsim/guidebook_decoder.h"

#include <cstring>

namespace hostsim {

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

void GuidebookDecoder::SetSource(const tagMAPSETCREATEINFO& info, TileSource tiles) {
    hasSource_ = true;
    info_ = info;
    tiles_ = std::move(tiles);
}

void GuidebookDecoder::RemoveSource() {
    hasSource_ = false;
    tiles_ = nullptr;
}

uint32_t GuidebookDecoder::Open(const void* setId, const char* name) {
    const std::vector<uint8_t> expected = MapSetIdBytes(GuidebookIdInfo(1));
    const bool matches = setId && name && std::memcmp(setId, expected.data(), expected.size()) == 0 &&
                         std::strcmp(name, "GUIDEDEM") == 0;
    if (!matches || !hasSource_ || failOpen_) return 0;
    const uint32_t handle = nextHandle_++;
    handles_.insert(handle);
    return handle;
}

bool GuidebookDecoder::Info(uint32_t handle, tagMAPSETCREATEINFO& info) const {
    if (!handles_.count(handle) || failInfo_) return false;
    info = info_;
    info.size = sizeof(tagMAPSETCREATEINFO);
    return true;
}

bool GuidebookDecoder::Decode(uint32_t handle, int32_t tileId, int16_t* values) {
    if (!values || !handles_.count(handle)) return false;
    ++decodeCounts_[tileId];
    if (failDecodeTiles_.count(tileId) || !tiles_) return false;
    return tiles_(tileId, values);
}

bool GuidebookDecoder::Close(uint32_t handle) {
    return handles_.erase(handle) != 0;
}

int GuidebookDecoder::DecodeCount(int32_t tileId) const {
    auto it = decodeCounts_.find(tileId);
    return it == decodeCounts_.end() ? 0 : it->second;
}

int GuidebookDecoder::DecodeCountTotal() const {
    int n = 0;
    for (const auto& kv : decodeCounts_) n += kv.second;
    return n;
}

}  // namespace hostsim
