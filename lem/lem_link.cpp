// CLemMap's attachment of a 50 m source and the conversion of the map's corner into its datum.
#include <memory>
#include <string>

#include "base/dcm_elevation.h"
#include "base/xem_elevation.h"
#include "lem/lem_map.h"

platform::Result CLemMap::LinkDcm(const char* path) {
    if (!Dcm && !platform::TryAllocate([&] { Dcm = std::make_unique<CDcmElevation>(); })) {
        return platform::Result::NoMemory("CLemMap::LinkDcm");
    }
    if (const platform::Result opened = Dcm->Open(path); !opened) return opened;
    int32_t datum = olx::kModuleDatum;
    if (Dcm->HasDatumTag()) {
        const std::string name = Dcm->DatumName();
        datum = OLX_GetDatumbyShortString(name.c_str());
    }
    const tagGEOPOS corner{OriginLat, OriginLon};
    OLX_ConvertDatum(&corner, &SourceOrigin, olx::kModuleDatum, datum);
    return platform::Result::Ok();
}

platform::Result CLemMap::LinkXem(const void* setId, const char* setName) {
    if (!Xem && !platform::TryAllocate([&] { Xem = std::make_unique<CXemElevation>(); })) {
        return platform::Result::NoMemory("CLemMap::LinkXem");
    }
    if (const platform::Result opened = Xem->Open(setId, setName); !opened) return opened;
    const tagGEOPOS corner{OriginLat, OriginLon};
    OLX_ConvertDatum(&corner, &SourceOrigin, olx::kModuleDatum, Xem->Info().datum);
    return platform::Result::Ok();
}
