// Datum codes and conversion of the host stand-in: the Tokyo datum (Bessel 1841) and JGD2000 /
// WGS84 (GRS80; the two differ by centimetres and are treated as one here).
#pragma once

#include <cstdint>
#include <string>

#include "olx/host_interface.h"

namespace hostsim {

// 1 TOKYO, 2 JGD2000, 3 WGS84; 0 for a name the host does not know.
[[nodiscard]] int32_t DatumCode(const std::string& shortName);
// false for an unknown code (out is then in unchanged).
[[nodiscard]] bool ConvertDatum(const tagGEOPOS& in, tagGEOPOS& out, int32_t fromDatum, int32_t toDatum);

}  // namespace hostsim
