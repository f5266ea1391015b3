// A DCM elevation file ("BEVM"): header and index read once, 320 x 320 tiles read on demand
// into a four-slot cache that lives for one fill.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/file.h"

class CDcmElevation {
public:
    static constexpr int kHeaderSize = 214;
    static constexpr int kSlots = 4;

    CDcmElevation();
    virtual ~CDcmElevation();
    CDcmElevation(const CDcmElevation&) = delete;
    CDcmElevation& operator=(const CDcmElevation&) = delete;

    [[nodiscard]] int Open(const char* path);
    int FillBlock(int32_t blockId, int16_t* block, double lat0, double lon0, double cellsPerDegLat,
                  double cellsPerDegLon);
    const int16_t* GetTile(int32_t tileId);

    [[nodiscard]] bool Ready() const { return ready_; }
    // The datum short name when the header carries the "DATM" tag, else empty.
    [[nodiscard]] std::string DatumName() const;
    [[nodiscard]] bool HasDatumTag() const;

private:
    struct IndexEntry {
        int32_t tileId;
        int64_t offset;
    };
    uint8_t header_[kHeaderSize] = {};
    std::vector<IndexEntry> index_;
    std::string filePath_;
    bool ready_ = false;
    platform::File tileFile_;  // open only during a fill
    int32_t slotId_[kSlots];
    int16_t slotValues_[kSlots][320 * 320];
};
