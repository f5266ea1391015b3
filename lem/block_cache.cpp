#include "lem/block_cache.h"

#include <cstring>

#include "platform/result.h"

namespace lem {

bool BlockInputs::SameAs(const BlockInputs& other) const {
    return margin == other.margin && cols == other.cols && rows == other.rows && recordCount == other.recordCount &&
           rowTable == other.rowTable && rowTableSize == other.rowTableSize && lineBufferSize == other.lineBufferSize &&
           source == other.source && sourceStamp.SameAs(other.sourceStamp) && sourceLat == other.sourceLat &&
           sourceLon == other.sourceLon && cellsPerDegLat == other.cellsPerDegLat &&
           cellsPerDegLon == other.cellsPerDegLon && data == other.data;
}

bool CBlockCache::Find(int32_t blockId, const BlockInputs& inputs, int16_t* values) {
    for (const std::unique_ptr<Entry>& e : entries_) {
        if (e->blockId != blockId || !e->inputs.SameAs(inputs)) continue;
        e->lastUse = ++clock_;
        if (e->written.All()) {
            std::memcpy(values, e->values, sizeof e->values);
            return true;
        }
        const uint64_t* bits = e->written.Bits();
        for (int w = 0; w < kMaskWords; ++w) {
            const uint64_t word = bits[w];
            const int first = w * 64;
            if (word == ~uint64_t{0}) {
                std::memcpy(values + first, e->values + first, 64 * sizeof(int16_t));
            } else if (word != 0) {
                for (int b = 0; b < 64; ++b) {
                    if ((word >> b) & 1u) values[first + b] = e->values[first + b];
                }
            }
        }
        return true;
    }
    return false;
}

void CBlockCache::Store(int32_t blockId, const BlockInputs& inputs, const int16_t* values, const Written& written) {
    Entry* target = nullptr;
    for (const std::unique_ptr<Entry>& e : entries_) {
        if (e->blockId == blockId) {
            target = e.get();
            break;
        }
    }
    // Without memory for another entry the oldest one is reused.
    if (target == nullptr && entries_.size() < kCapacity &&
        platform::TryAllocate([&] { entries_.push_back(std::make_unique<Entry>()); })) {
        target = entries_.back().get();
    }
    if (target == nullptr) {
        if (entries_.empty()) return;
        target = entries_.front().get();
        for (const std::unique_ptr<Entry>& e : entries_) {
            if (e->lastUse < target->lastUse) target = e.get();
        }
    }
    target->blockId = blockId;
    target->lastUse = ++clock_;
    target->inputs = inputs;
    target->written = written;
    std::memcpy(target->values, values, sizeof target->values);
}

void CBlockCache::Clear() {
    std::vector<std::unique_ptr<Entry>>().swap(entries_);
}

}  // namespace lem
