// A 50 m source under a map: what the map asks of it for a block, and what tells a block the
// source gave earlier from one it would give now.
#pragma once

#include <cstdint>

#include "base/resample.h"
#include "platform/file.h"

namespace base {

// What, besides the source object, decides the blocks it fills: a host handle and/or a file on
// disk. Two stamps are the same only when both say the same; a file that cannot be stamped
// (gone, a folder) is never the same as anything.
struct SourceStamp {
    uint32_t handle = 0;
    bool hasFile = false;
    platform::FileStamp file;

    [[nodiscard]] bool SameAs(const SourceStamp& other) const {
        return handle == other.handle && hasFile == other.hasFile && (!hasFile || file == other.file);
    }
};

class ElevationSource {
public:
    ElevationSource();
    virtual ~ElevationSource();
    ElevationSource(const ElevationSource&) = delete;
    ElevationSource& operator=(const ElevationSource&) = delete;

    // Resamples the source onto a block of the map whose south-west corner, in the source's
    // datum, is (lat0, lon0). 1 when the block was resampled; 0 when the source is not usable,
    // the cells then written or not as WritesEveryCell() says. rows, when given, limits what is
    // written to those ranges (base::ResampleBlock).
    int FillBlock(int32_t blockId, int16_t* block, double lat0, double lon0, double cellsPerDegLat,
                  double cellsPerDegLon, const RowRange* rows = nullptr) {
        return FillBlockWith(&ResampleBlock, blockId, block, lat0, lon0, cellsPerDegLat, cellsPerDegLon, rows);
    }
    // FillBlock with another resampler of ResampleBlock's contract.
    virtual int FillBlockWith(Resampler resampler, int32_t blockId, int16_t* block, double lat0, double lon0,
                              double cellsPerDegLat, double cellsPerDegLon, const RowRange* rows = nullptr) = 0;
    // True when a fill writes every cell it is asked for, also when it answers 0 (zeros); false
    // when a fill that answers 0 leaves the block as it was.
    [[nodiscard]] virtual bool WritesEveryCell() const = 0;
    // The host's datum code of the source's coordinates (may ask the host).
    [[nodiscard]] virtual int32_t Datum() const = 0;
    [[nodiscard]] virtual SourceStamp Stamp() const = 0;
    // Distinct for every source made in this process, so that a block cache can tell a source
    // from one that replaced it at the same address.
    [[nodiscard]] uint64_t Serial() const { return serial_; }

protected:
    // The lookup ResampleBlock calls with the source as its context: Source::GetTile.
    template <typename Source>
    static const int16_t* LookupTile(void* context, int32_t tileId) {
        return static_cast<Source*>(context)->GetTile(tileId);
    }

private:
    const uint64_t serial_;
};

}  // namespace base
