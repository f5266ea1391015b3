// CLemMap's attachment of a 50 m source and the conversion of the map's corner into its datum.
// A new source is a class derived from base::ElevationSource and one Link line here.
#include <memory>

#include "base/dcm_elevation.h"
#include "base/xem_elevation.h"
#include "lem/lem_map.h"

template <typename Kind, typename OpenSource>
platform::Result CLemMap::Link(const char* operation, OpenSource&& open) {
    Kind* source = SourceAs<Kind>();
    if (source == nullptr) {
        std::unique_ptr<Kind> made;
        if (!platform::TryAllocate([&] { made = std::make_unique<Kind>(); })) {
            return platform::Result::NoMemory(operation);
        }
        source = made.get();
        Source = std::move(made);
    }
    if (const platform::Result opened = open(*source); !opened) return opened;
    const tagGEOPOS corner{OriginLat, OriginLon};
    OLX_ConvertDatum(&corner, &SourceOrigin, olx::kModuleDatum, source->Datum());
    return platform::Result::Ok();
}

platform::Result CLemMap::LinkDcm(const char* path) {
    return Link<CDcmElevation>("CLemMap::LinkDcm", [&](CDcmElevation& dcm) { return dcm.Open(path); });
}

platform::Result CLemMap::LinkXem(const void* setId, const char* setName) {
    return Link<CXemElevation>("CLemMap::LinkXem", [&](CXemElevation& xem) { return xem.Open(setId, setName); });
}
