#include "hostsim/guidebook_terrain.h"

#include <cmath>
#include <cstring>
#include <map>
#include <vector>

#include "tools/gen/terrain.h"

namespace hostsim {
namespace {

constexpr int kSide = olx::kBlockSide;
// Tiles computed before; the renderer asks for the same ones again for every map it opens.
constexpr size_t kKeptTiles = 64;

std::map<int32_t, std::vector<int16_t>>& Computed() {
    static std::map<int32_t, std::vector<int16_t>> tiles;
    return tiles;
}

}  // namespace

GuidebookGrid GuidebookTerrainGrid() {
    return GuidebookGrid{};
}

tagMAPSETCREATEINFO GuidebookTerrainInfo() {
    const GuidebookGrid g;
    return MakeSetInfo(g.lat0, g.lon0, g.cellsPerDegLat, g.cellsPerDegLon, g.datum);
}

bool GuidebookTerrainTile(int32_t tileId, int16_t* out) {
    if (!out || tileId < 0 || tileId % 100 != 0) return false;
    // The host's numbering: column block (from 1 at the western edge) in digits 2-3 and 6-7,
    // row block (from 0 at the southern edge) in digits 4-5 and 8 up.
    const int32_t tx = (tileId / 100) % 100 + 100 * ((tileId / 1000000) % 100);
    const int32_t ty = (tileId / 10000) % 100 + 100 * (tileId / 100000000);
    const GuidebookGrid g;
    if (tx < 1 || tx > g.tileColumns || ty >= g.tileRows) return false;

    auto& computed = Computed();
    auto it = computed.find(tileId);
    if (it == computed.end()) {
        if (computed.size() >= kKeptTiles) computed.clear();
        std::vector<int16_t> values(olx::kBlockCells);
        const int32_t firstColumn = kSide * (tx - 1);
        const int32_t firstRow = kSide * ty;
        for (int r = 0; r < kSide; ++r) {
            const double lat = g.lat0 + (firstRow + r + 0.5) / g.cellsPerDegLat;
            for (int c = 0; c < kSide; ++c) {
                const double lon = g.lon0 + (firstColumn + c + 0.5) / g.cellsPerDegLon;
                const long z = std::lround(gen::TerrainElevation(lat, lon));
                values[r * kSide + c] = static_cast<int16_t>(z < -32768 ? -32768 : (z > 32767 ? 32767 : z));
            }
        }
        it = computed.emplace(tileId, std::move(values)).first;
    }
    std::memcpy(out, it->second.data(), sizeof(int16_t) * olx::kBlockCells);
    return true;
}

void InstallGuidebookTerrain(Host& host) {
    host.Guidebook().SetSource(GuidebookTerrainInfo(), GuidebookTerrainTile);
}

}  // namespace hostsim
