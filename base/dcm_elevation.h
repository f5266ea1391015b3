// A DCM elevation file ("BEVM"): header and index read once, 320 x 320 tiles read on demand.
// Each fill picks tiles through four slots that start empty; the tiles themselves stay in a
// small store across fills, and the file stays open, until the file changes on disk.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "base/elevation_source.h"
#include "base/resample.h"
#include "base/tile_cache.h"
#include "olx/block_geometry.h"
#include "platform/file.h"
#include "platform/result.h"

class CDcmElevation final : public base::ElevationSource {
public:
    static constexpr int kHeaderSize = 214;
    static constexpr int kIndexEntrySize = 16;
    static constexpr int kSlots = 4;
    // Tiles kept across fills: the nine a block may reach at most (base::kMaxTileSpan each
    // way), so that no fill reads a tile twice; 1.8 MB.
    static constexpr int kStoredTiles = 9;
    static constexpr size_t kMaxPath = 260;  // bytes with the terminator
    // Far above the tiles of any real 50 m file (the bounding box of Japan is some 21,000), and
    // small enough that count x 16 bytes cannot wrap a 32-bit size_t, however large the file.
    static constexpr int32_t kMaxIndexEntries = 1000000;
    // A background grid finer than this (0.1 second, about 3 m) is refused at open: it would
    // be finer than the 5 m sheets it lies under, and a block would then cross so many tiles
    // that the four-slot cache reloads a tile for almost every sample.
    static constexpr int32_t kMaxCellsPerDegree = 36000;

    // Header fields, at their byte offsets.
    static constexpr int kMagicOffset = 0;
    static constexpr int kZeroWordOffset = 4;
    static constexpr int kCountOffset = 6;
    static constexpr int kIndexOffsetOffset = 10;
    static constexpr int kLatSecondsOffset = 14;
    static constexpr int kLonSecondsOffset = 18;
    static constexpr int kCellsLonOffset = 22;
    static constexpr int kCellsLatOffset = 26;
    static constexpr int kDatumTagOffset = 30;
    static constexpr int kDatumNameOffset = 34;
    static constexpr int kDatumNameSize = 180;

    CDcmElevation();
    ~CDcmElevation() override;

    // Reads header and index. kNotThisFormat: no "BEVM" signature or a non-zero word after it;
    // kDamaged: a grid or an index count the file cannot mean; kIoError (subject: the path): the
    // file cannot be opened, or the path is kMaxPath bytes or more; kNoMemory: no room for the index.
    platform::Result Open(const char* path);
    // 0 when the file is not usable: the cells asked for are then zeroed.
    int FillBlockWith(base::Resampler resampler, int32_t blockId, int16_t* block, double lat0, double lon0,
                      double cellsPerDegLat, double cellsPerDegLon, const base::RowRange* rows = nullptr) override;
    [[nodiscard]] bool WritesEveryCell() const override { return true; }
    // The tagged datum's code from the host, else the module's datum.
    [[nodiscard]] int32_t Datum() const override;
    // The file at FilePath() as it is now.
    [[nodiscard]] base::SourceStamp Stamp() const override;
    // The tile's values, through the slots; a tile the index lacks reads as zeros. The values
    // stay valid until the next lookup.
    const int16_t* GetTile(int32_t tileId);

    [[nodiscard]] bool Ready() const { return ready_; }
    [[nodiscard]] const std::string& FilePath() const { return filePath_; }
    [[nodiscard]] bool HasDatumTag() const;
    // The datum short name when the header carries the "DATM" tag, else empty.
    [[nodiscard]] std::string DatumName() const;
    [[nodiscard]] const uint8_t* Header() const { return header_; }
    [[nodiscard]] int32_t IndexCount() const { return indexCount_; }
    [[nodiscard]] int32_t SlotId(int slot) const { return slots_.Id(slot); }
    // Tiles read from the file during fills (an indexed tile that the store did not hold).
    [[nodiscard]] int64_t TileReads() const { return tileReads_; }

private:
    struct IndexEntry {
        int32_t tileId;
        int32_t offset;
    };
    // A fill's slot: whether the index lacks the tile, else where its values lie in the file.
    struct Slot {
        bool zero;
        int32_t offset;
    };
    using Values = std::array<int16_t, olx::kBlockCells>;

    // The offset of the first entry in file order that names tileId; false when none does.
    [[nodiscard]] bool FindTile(int32_t tileId, int32_t* offset) const;
    // An indexed tile from the store, read from the file when the store lacks it.
    const int16_t* StoredTile(int32_t tileId, int32_t offset);

    uint8_t header_[kHeaderSize] = {};
    // One entry per identifier, the first in file order, sorted by identifier: a tile the
    // index lacks costs a binary search, not a pass over up to a million entries.
    std::vector<IndexEntry> index_;
    int32_t indexCount_ = 0;  // entries the header counts and the index holds
    std::string filePath_;
    bool ready_ = false;
    // Open from the first fill while the file keeps the stamp it was opened with.
    platform::File tileFile_;
    platform::FileStamp tileFileStamp_;
    int64_t tileReads_ = 0;
    // Cleared at every fill; a slot whose tile the index lacks reads one shared zero tile.
    base::TileCache<Slot, kSlots, base::ReplaceFirstSlot> slots_;
    base::TileCache<Values, kStoredTiles, base::LeastRecentlyUsed> store_;
};
