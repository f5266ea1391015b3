// The guidebook 50 m set as the demo, the renderer and tests see it: the synthetic landscape of
// the dataset generator sampled at cell centres on a grid in the Tokyo datum, in whole metres.
//
// Grid: south-west corner 32.0 N, 135.5 E; 2400 cells per degree of latitude (1.5") and 1800 of
// longitude (2"), about 46 m x 50 m near the volcano; 37 x 51 tiles of 320 x 320 cells, which
// covers more than 3 degrees on every side of the summit (gen::kSummitLat/Lon).
#pragma once

#include <cstdint>

#include "hostsim/host.h"

namespace hostsim {

struct GuidebookGrid {
    double lat0 = 32.0;
    double lon0 = 135.5;
    double cellsPerDegLat = 2400.0;
    double cellsPerDegLon = 1800.0;
    int32_t tileColumns = 37;
    int32_t tileRows = 51;
    int32_t datum = kDatumTokyo;
};

[[nodiscard]] GuidebookGrid GuidebookTerrainGrid();
// The description OLX_XEM_GetMapsetInfo gives for the set.
[[nodiscard]] tagMAPSETCREATEINFO GuidebookTerrainInfo();
// Fills a tile (row 0 south) for a tile identifier of the host's block numbering; false for an
// identifier that names no tile of the set (outside it, or with non-zero fine digits).
bool GuidebookTerrainTile(int32_t tileId, int16_t* out);
// Installs the set as the host's guidebook source.
void InstallGuidebookTerrain(Host& host);

}  // namespace hostsim
