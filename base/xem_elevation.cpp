#include "base/xem_elevation.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include "base/resample.h"
#include "platform/clock.h"

namespace {

const int16_t* LookupTile(void* context, int32_t tileId) {
    return static_cast<CXemElevation*>(context)->GetTile(tileId);
}

}  // namespace

void MakeGuidebookSetId(uint8_t (&setId)[kGuidebookSetIdSize], int32_t n) {
    const tagMAPSETIDINFO request{{36, 1, 235, 116, 1, 1, 0, n, 0}};
    OLX_MakeMapSetID(setId, &request);
}

CXemElevation::CXemElevation(Clock clock) : clock_(clock != nullptr ? clock : &platform::NowSeconds) {
    std::fill(std::begin(slotId_), std::end(slotId_), -1);
    std::fill(std::begin(slotStamp_), std::end(slotStamp_), 0);
}

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

int CXemElevation::FillBlock(int32_t blockId, int16_t* block, double lat0, double lon0, double cellsPerDegLat,
                             double cellsPerDegLon, const base::RowRange* rows) {
    return FillBlockWith(&base::ResampleBlock, blockId, block, lat0, lon0, cellsPerDegLat, cellsPerDegLon, rows);
}

int CXemElevation::FillBlockWith(base::Resampler resampler, int32_t blockId, int16_t* block, double lat0, double lon0,
                                 double cellsPerDegLat, double cellsPerDegLon, const base::RowRange* rows) {
    if (handle_ == 0) return 0;
    const base::SourceGrid grid{info_.lat, info_.lon, info_.cellsPerDegLat, info_.cellsPerDegLon};
    base::FillFromTiles(resampler, blockId, block, lat0, lon0, cellsPerDegLat, cellsPerDegLon, grid, &LookupTile, this,
                        1, rows);
    return 1;
}

const int16_t* CXemElevation::GetTile(int32_t tileId) {
    // A free slot holds no tile, whatever identifier is asked for.
    for (int i = 0; i < kSlots; ++i) {
        if (slotId_[i] == tileId && tileId != -1) return slotValues_[i];
    }
    // The earliest stamp goes first; among loads of the same second, the first of them. (Taking
    // the lowest-numbered slot instead would replace the same slot again and again once ten
    // tiles were loaded within one second: a block crossing a tile boundary then decodes its
    // tiles anew at every row, some two thousand decodes instead of four.)
    int slot = -1;
    for (int i = 0; i < kSlots; ++i) {
        if (slotId_[i] == -1) {
            slot = i;
            break;
        }
        if (slot < 0 || slotStamp_[i] < slotStamp_[slot] ||
            (slotStamp_[i] == slotStamp_[slot] && slotLoad_[i] < slotLoad_[slot])) {
            slot = i;
        }
    }
    slotId_[slot] = tileId;
    slotStamp_[slot] = clock_();
    slotLoad_[slot] = ++loads_;
    if (OLX_XEM_DecodeRealBlock(handle_, tileId, slotValues_[slot]) == 0) {
        std::memset(slotValues_[slot], 0, sizeof(slotValues_[slot]));
    }
    return slotValues_[slot];
}
