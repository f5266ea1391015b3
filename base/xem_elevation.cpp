#include "base/xem_elevation.h"

#include "base/resample.h"
#include "platform/clock.h"

void MakeGuidebookSetId(uint8_t (&setId)[kGuidebookSetIdSize], int32_t n) {
    const tagMAPSETIDINFO request{{36, 1, 235, 116, 1, 1, 0, n, 0}};
    OLX_MakeMapSetID(setId, &request);
}

CXemElevation::CXemElevation(Clock clock) : slots_(clock != nullptr ? clock : &platform::NowSeconds) {}

CXemElevation::~CXemElevation() {
    if (handle_ != 0) OLX_XEM_Close(handle_);
}

platform::Result CXemElevation::Open(const void* setId, const char* setName) {
    // A handle left from an earlier open would otherwise never be closed.
    if (handle_ != 0) {
        OLX_XEM_Close(handle_);
        handle_ = 0;
    }
    info_.size = static_cast<int32_t>(sizeof(tagMAPSETCREATEINFO));
    handle_ = OLX_XEM_Open(setId, setName);
    if (handle_ == 0) return platform::Result::IoError(setName);
    if (OLX_XEM_GetMapsetInfo(handle_, &info_) != 0) return platform::Result::Ok();
    OLX_XEM_Close(handle_);
    handle_ = 0;
    return platform::Result::Damaged();
}

base::SourceStamp CXemElevation::Stamp() const {
    base::SourceStamp stamp;
    stamp.handle = handle_;
    return stamp;
}

int CXemElevation::FillBlockWith(base::Resampler resampler, int32_t blockId, int16_t* block, double lat0, double lon0,
                                 double cellsPerDegLat, double cellsPerDegLon, const base::RowRange* rows) {
    if (handle_ == 0) return 0;
    const base::SourceGrid grid{info_.lat, info_.lon, info_.cellsPerDegLat, info_.cellsPerDegLon};
    base::FillFromTiles(resampler, blockId, block, lat0, lon0, cellsPerDegLat, cellsPerDegLon, grid,
                        &LookupTile<CXemElevation>, this, 1, rows);
    return 1;
}

const int16_t* CXemElevation::GetTile(int32_t tileId) {
    return slots_
        .Get(tileId,
             [&](std::array<int16_t, olx::kBlockCells>& values) {
                 if (OLX_XEM_DecodeRealBlock(handle_, tileId, values.data()) == 0) values.fill(0);
             })
        .data();
}
