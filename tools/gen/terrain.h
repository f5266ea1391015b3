// Deterministic synthetic landscape shaped like a stratovolcano in rolling country.
// The sheet generator samples it at 5 m, the DCM writer and the stand-in's guidebook set at
// 50 m, so the volcano and its 50 m surroundings meet without a seam.
#pragma once

namespace gen {

// The summit of the synthetic volcano (Tokyo datum, degrees).
constexpr double kSummitLat = 35.3625;
constexpr double kSummitLon = 138.7275;

// Elevation in metres at a position in degrees. Smooth, finite everywhere.
[[nodiscard]] double TerrainElevation(double lat, double lon);

}  // namespace gen
