// Finished blocks of one map, kept for the host's repeated requests: it asks for the same
// blocks again whenever the user pans or turns the 3-D view.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "base/elevation_source.h"
#include "olx/block_geometry.h"
#include "platform/file.h"

namespace lem {

// Everything besides the block identifier that decides what a block holds. A cached block
// serves a request only when all of it is equal; a file that cannot be stamped (gone, a
// folder) never compares equal, so its blocks are read afresh.
struct BlockInputs {
    int32_t margin = 0;
    int32_t cols = 0;
    int32_t rows = 0;
    int32_t recordCount = 0;
    const void* rowTable = nullptr;
    size_t rowTableSize = 0;
    size_t lineBufferSize = 0;
    uint64_t source = 0;  // the source's serial, 0 without one
    base::SourceStamp sourceStamp;
    double sourceLat = 0;
    double sourceLon = 0;
    double cellsPerDegLat = 0;
    double cellsPerDegLon = 0;
    platform::FileStamp data;

    [[nodiscard]] bool SameAs(const BlockInputs& other) const;
};

class CBlockCache {
public:
    static constexpr int kSide = olx::kBlockSide;
    static constexpr int kCells = kSide * kSide;
    static constexpr int kMaskWords = kCells / 64;
    // 40 blocks of 200 KiB with their masks: about 8.5 MB a map. The host's view asks again for
    // every block it shows when it moves by one block; 40 covers a view of 6 x 6 blocks with a
    // row to spare, and several maps open together stay far below the 2 GiB of a 32-bit host.
    static constexpr size_t kCapacity = 40;

    // Which cells of a block the module wrote: all of them when a 50 m source filled it, else
    // the cells that got a sheet value (the rest keep what the host passed in).
    class Written {
    public:
        void SetAll() { all_ = true; }
        void Clear() {
            all_ = false;
            for (uint64_t& w : bits_) w = 0;
        }
        // The bits of block row d (bit k % 64 of word k / 64 is column k), for StoreMetres to
        // mark the cells it writes.
        [[nodiscard]] uint64_t* RowBits(int d) { return bits_ + d * (kSide / 64); }
        [[nodiscard]] bool All() const { return all_; }
        [[nodiscard]] const uint64_t* Bits() const { return bits_; }

    private:
        bool all_ = false;
        uint64_t bits_[kMaskWords] = {};
    };

    // Writes the cached block into values and returns true when one with equal inputs is held.
    bool Find(int32_t blockId, const BlockInputs& inputs, int16_t* values);
    // Keeps a copy of the block (least recently used one out when full). Silently keeps nothing
    // when memory for it cannot be had.
    void Store(int32_t blockId, const BlockInputs& inputs, const int16_t* values, const Written& written);
    void Clear();
    [[nodiscard]] size_t Size() const { return entries_.size(); }

private:
    struct Entry {
        int32_t blockId = 0;
        uint64_t lastUse = 0;
        BlockInputs inputs;
        Written written;
        int16_t values[kCells];
    };
    std::vector<std::unique_ptr<Entry>> entries_;
    uint64_t clock_ = 0;
};

}  // namespace lem
