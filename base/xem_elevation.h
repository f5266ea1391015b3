// The host's guidebook 50 m set, decoded by the host; ten decoded tiles kept for the object's
// life, the tile loaded earliest replaced first.
#pragma once

#include <array>
#include <cstdint>

#include "base/elevation_source.h"
#include "base/resample.h"
#include "base/tile_cache.h"
#include "olx/host_interface.h"
#include "platform/result.h"

// The guidebook set's 12-byte identifier: the host fills it (OLX_MakeMapSetID) for the request
// number n, and the module hands it unchanged to OLX_XEM_Open.
constexpr int kGuidebookSetIdSize = 12;
void MakeGuidebookSetId(uint8_t (&setId)[kGuidebookSetIdSize], int32_t n);

class CXemElevation final : public base::ElevationSource {
public:
    static constexpr int kSlots = 10;
    using Clock = int64_t (*)();

    // clock: calendar seconds; tests inject their own. nullptr: the system clock.
    explicit CXemElevation(Clock clock = nullptr);
    ~CXemElevation() override;

    // kIoError (subject: the set name) when the host cannot open the set, kDamaged when it opens
    // but cannot describe it.
    platform::Result Open(const void* setId, const char* setName);
    // 0 (block untouched) when no set is open.
    int FillBlockWith(base::Resampler resampler, int32_t blockId, int16_t* block, double lat0, double lon0,
                      double cellsPerDegLat, double cellsPerDegLon, const base::RowRange* rows = nullptr) override;
    [[nodiscard]] bool WritesEveryCell() const override { return false; }
    [[nodiscard]] int32_t Datum() const override { return info_.datum; }
    // The set's handle: a set opened again is another source of blocks.
    [[nodiscard]] base::SourceStamp Stamp() const override;
    // The decoded tile in a cache slot; a tile the decoder cannot deliver reads as zeros.
    const int16_t* GetTile(int32_t tileId);

    [[nodiscard]] const tagMAPSETCREATEINFO& Info() const { return info_; }
    [[nodiscard]] uint32_t Handle() const { return handle_; }
    [[nodiscard]] int32_t SlotId(int slot) const { return slots_.Id(slot); }
    [[nodiscard]] int64_t SlotStamp(int slot) const { return slots_.Eviction().Stamp(slot); }

private:
    tagMAPSETCREATEINFO info_{};
    uint32_t handle_ = 0;
    // The earliest stamp goes first; among loads of the same second, the first of them. (Taking
    // the lowest-numbered slot instead would replace the same slot again and again once ten
    // tiles were loaded within one second: a block crossing a tile boundary then decodes its
    // tiles anew at every row, some two thousand decodes instead of four.)
    base::TileCache<std::array<int16_t, olx::kBlockCells>, kSlots, base::EarliestLoad> slots_;
};
