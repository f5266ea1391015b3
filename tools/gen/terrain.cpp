#include "tools/gen/terrain.h"

#include <cmath>

namespace gen {
namespace {
constexpr double kPi = 3.14159265358979323846;
constexpr double kMetresPerDegLat = 110940.0;

double Smoothstep(double e0, double e1, double x) {
    double t = (x - e0) / (e1 - e0);
    t = t < 0 ? 0 : (t > 1 ? 1 : t);
    return t * t * (3 - 2 * t);
}
}  // namespace

double TerrainElevation(double lat, double lon) {
    const double metresPerDegLon = kMetresPerDegLat * std::cos(kSummitLat * kPi / 180.0);
    const double dy = (lat - kSummitLat) * kMetresPerDegLat;
    const double dx = (lon - kSummitLon) * metresPerDegLon;
    const double r = std::sqrt(dx * dx + dy * dy);
    const double theta = std::atan2(dy, dx);

    // Rolling country: a few long waves, 150-700 m.
    double ground = 420.0 + 140.0 * std::sin(lat * 9.0) * std::cos(lon * 7.0) +
                    90.0 * std::sin(lat * 31.0 + lon * 17.0) + 35.0 * std::cos(lat * 83.0 - lon * 61.0);

    // The cone: concave flanks rising to about 3000 m above the plain.
    double cone = 2950.0 * std::exp(-std::pow(r / 5200.0, 1.25));
    // Radial gullies cut the flanks, fading out near the summit and at the foot.
    double gullyDepth = 0.07 * Smoothstep(600.0, 2500.0, r) * (1.0 - Smoothstep(9000.0, 14000.0, r));
    cone *= 1.0 - gullyDepth * (0.5 + 0.5 * std::cos(14.0 * theta + 0.0004 * r));
    // Summit crater: a bowl 250 m deep and 400 m across.
    double crater = 250.0 * (1.0 - Smoothstep(0.0, 400.0, r));
    return ground + cone - crater;
}

}  // namespace gen
