#include "hostsim/datum.h"

#include <cmath>

#include "hostsim/host.h"

namespace hostsim {
namespace {

constexpr double kPi = 3.14159265358979323846;

struct Ellipsoid {
    double a;  // semi-major axis, m
    double f;  // flattening
};
constexpr Ellipsoid kBessel1841{6377397.155, 1.0 / 299.1528128};
constexpr Ellipsoid kGrs80{6378137.0, 1.0 / 298.257222101};

// Tokyo datum to ITRF94 / JGD2000, the survey authority's three-parameter shift (metres). The
// classic (-148, 507, 685) is about 3 m worse at the datum origin.
constexpr double kShiftX = -146.414;
constexpr double kShiftY = 507.337;
constexpr double kShiftZ = 680.507;

// Standard Molodensky transformation of a point on the ellipsoid (height 0) from Bessel to
// GRS80.
tagGEOPOS TokyoToGrs80(const tagGEOPOS& p) {
    const double a = kBessel1841.a;
    const double f = kBessel1841.f;
    const double da = kGrs80.a - kBessel1841.a;
    const double df = kGrs80.f - kBessel1841.f;
    const double e2 = 2 * f - f * f;
    const double b = a * (1 - f);
    const double phi = p.lat * kPi / 180.0;
    const double lam = p.lon * kPi / 180.0;
    const double sp = std::sin(phi), cp = std::cos(phi), sl = std::sin(lam), cl = std::cos(lam);
    const double w = std::sqrt(1 - e2 * sp * sp);
    const double rn = a / w;                       // prime vertical radius
    const double rm = a * (1 - e2) / (w * w * w);  // meridian radius
    const double dphi = (-kShiftX * sp * cl - kShiftY * sp * sl + kShiftZ * cp + da * (rn * e2 * sp * cp) / a +
                         df * (rm * a / b + rn * b / a) * sp * cp) /
                        rm;
    const double dlam = (-kShiftX * sl + kShiftY * cl) / (rn * cp);
    return {p.lat + dphi * 180.0 / kPi, p.lon + dlam * 180.0 / kPi};
}

// The inverse solved by fixed-point iteration on the forward transform, so that a round trip
// returns the point it started from.
tagGEOPOS Grs80ToTokyo(const tagGEOPOS& target) {
    tagGEOPOS guess = target;
    for (int i = 0; i < 6; ++i) {
        const tagGEOPOS there = TokyoToGrs80(guess);
        guess.lat += target.lat - there.lat;
        guess.lon += target.lon - there.lon;
    }
    return guess;
}

bool IsGrs80(int32_t code) {
    return code == kDatumJgd2000 || code == kDatumWgs84;
}

}  // namespace

int32_t DatumCode(const std::string& shortName) {
    if (shortName == "TOKYO") return kDatumTokyo;
    if (shortName == "JGD2000") return kDatumJgd2000;
    if (shortName == "WGS84") return kDatumWgs84;
    return 0;
}

bool ConvertDatum(const tagGEOPOS& in, tagGEOPOS& out, int32_t fromDatum, int32_t toDatum) {
    const bool known = [](int32_t c) { return c == kDatumTokyo || IsGrs80(c); }(fromDatum) &&
                       (toDatum == kDatumTokyo || IsGrs80(toDatum));
    if (!known) return false;
    if (fromDatum == toDatum || (IsGrs80(fromDatum) && IsGrs80(toDatum))) {
        out = in;
    } else if (fromDatum == kDatumTokyo) {
        out = TokyoToGrs80(in);
    } else {
        out = Grs80ToTokyo(in);
    }
    return true;
}

}  // namespace hostsim
