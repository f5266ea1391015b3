// A tile source for resampling tests: tile values from a function of the cell, a small cache
// with the DCM source's slot policy (first free slot, else slot 0), and logs of lookups and loads.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <vector>

#include "base/block_id.h"

namespace testsupport {

class FakeTileSource {
public:
    // value(x, y) gives the elevation of source cell (x, y); tiles in `missing` read as zeros.
    FakeTileSource(std::function<int16_t(int32_t x, int32_t y)> value, int slots = 4)
        : value_(std::move(value)),
          ids_(static_cast<size_t>(slots), -1),
          tiles_(static_cast<size_t>(slots), std::vector<int16_t>(320 * 320)) {}

    std::set<int32_t> missing;
    std::vector<int32_t> lookups;
    std::vector<int32_t> loads;

    void Reset() {
        for (int32_t& id : ids_) id = -1;
        lookups.clear();
        loads.clear();
    }

    const int16_t* GetTile(int32_t id) {
        lookups.push_back(id);
        for (size_t i = 0; i < ids_.size(); ++i) {
            if (ids_[i] == id) return tiles_[i].data();
        }
        size_t slot = 0;
        for (size_t i = 0; i < ids_.size(); ++i) {
            if (ids_[i] == -1) {
                slot = i;
                break;
            }
        }
        loads.push_back(id);
        ids_[slot] = id;
        std::vector<int16_t>& tile = tiles_[slot];
        // Scribble first: a reader that kept a pointer into a replaced slot sees garbage.
        std::fill(tile.begin(), tile.end(), static_cast<int16_t>(0x5A5A));
        const base::CellPos first = base::BlockIdToCell(id);
        for (int32_t r = 0; r < 320; ++r) {
            for (int32_t c = 0; c < 320; ++c) {
                tile[static_cast<size_t>(r * 320 + c)] =
                    missing.count(id) != 0 ? int16_t{0} : value_(first.firstColumn + c, first.firstRow + r);
            }
        }
        return tile.data();
    }

    static const int16_t* Lookup(void* context, int32_t id) {
        return static_cast<FakeTileSource*>(context)->GetTile(id);
    }

private:
    std::function<int16_t(int32_t, int32_t)> value_;
    std::vector<int32_t> ids_;
    std::vector<std::vector<int16_t>> tiles_;
};

}  // namespace testsupport
