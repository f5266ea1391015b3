// The host's guidebook 50 m set, decoded by the host; ten decoded tiles kept for the object's
// life, the tile loaded earliest replaced first.
#pragma once

#include <cstdint>

#include "base/resample.h"
#include "olx/host_interface.h"
#include "platform/result.h"

// The guidebook set's 12-byte identifier: the host fills it (OLX_MakeMapSetID) for the request
// number n, and the module hands it unchanged to OLX_XEM_Open.
constexpr int kGuidebookSetIdSize = 12;
void MakeGuidebookSetId(uint8_t (&setId)[kGuidebookSetIdSize], int32_t n);

class CXemElevation {
public:
    static constexpr int kSlots = 10;
    using Clock = int64_t (*)();

    // clock: calendar seconds; tests inject their own. nullptr: the system clock.
    explicit CXemElevation(Clock clock = nullptr);
    virtual ~CXemElevation();
    CXemElevation(const CXemElevation&) = delete;
    CXemElevation& operator=(const CXemElevation&) = delete;

    // kIoError (subject: the set name) when the host cannot open the set, kDamaged when it opens
    // but cannot describe it.
    platform::Result Open(const void* setId, const char* setName);
    // 1 when the block was resampled; 0 (block untouched) when no set is open.
    // rows, when given, limits what is written to those ranges (base::ResampleBlock).
    int FillBlock(int32_t blockId, int16_t* block, double lat0, double lon0, double cellsPerDegLat,
                  double cellsPerDegLon, const base::RowRange* rows = nullptr);
    // FillBlock with another resampler of ResampleBlock's contract.
    int FillBlockWith(base::Resampler resampler, int32_t blockId, int16_t* block, double lat0, double lon0,
                      double cellsPerDegLat, double cellsPerDegLon, const base::RowRange* rows = nullptr);
    // The decoded tile in a cache slot; a tile the decoder cannot deliver reads as zeros.
    const int16_t* GetTile(int32_t tileId);

    [[nodiscard]] const tagMAPSETCREATEINFO& Info() const { return info_; }
    [[nodiscard]] uint32_t Handle() const { return handle_; }
    [[nodiscard]] int32_t SlotId(int slot) const { return slotId_[slot]; }
    [[nodiscard]] int64_t SlotStamp(int slot) const { return slotStamp_[slot]; }

private:
    Clock clock_;
    tagMAPSETCREATEINFO info_{};
    uint32_t handle_ = 0;
    int32_t slotId_[kSlots];
    int64_t slotStamp_[kSlots];
    // Order of the loads, to tell apart tiles loaded within the same second.
    uint64_t slotLoad_[kSlots] = {};
    uint64_t loads_ = 0;
    int16_t slotValues_[kSlots][olx::kBlockCells];
};
