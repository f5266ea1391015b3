// CLemMap's attachment of a 50 m source and the conversion of the map's corner into its datum.
#include <memory>
#include <new>
#include <string>

#include "base/dcm_elevation.h"
#include "base/xem_elevation.h"
#include "lem/lem_map.h"

int CLemMap::LinkDcm(const char* path) {
    if (!Dcm) {
        try {
            Dcm = std::make_unique<CDcmElevation>();
        } catch (const std::bad_alloc&) {
            return 0;
        }
    }
    if (!Dcm->Open(path)) return 0;
    int32_t datum = olx::kModuleDatum;
    if (Dcm->HasDatumTag()) {
        const std::string name = Dcm->DatumName();
        datum = OLX_GetDatumbyShortString(name.c_str());
    }
    const tagGEOPOS corner{OriginLat, OriginLon};
    OLX_ConvertDatum(&corner, &SourceOrigin, olx::kModuleDatum, datum);
    return 1;
}

int CLemMap::LinkXem(const void* setId, const char* setName) {
    if (!Xem) {
        try {
            Xem = std::make_unique<CXemElevation>();
        } catch (const std::bad_alloc&) {
            return 0;
        }
    }
    if (!Xem->Open(setId, setName)) return 0;
    const tagGEOPOS corner{OriginLat, OriginLon};
    OLX_ConvertDatum(&corner, &SourceOrigin, olx::kModuleDatum, Xem->Info().datum);
    return 1;
}
