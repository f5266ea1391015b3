// COpenMapTable driven by an operation sequence and checked against std::map after each step:
// lookups, count, storage (bucket array, pool blocks, free list) and the visiting order.
// Each operation is two bytes: the operation, and a handle chosen so that buckets collide.
#include <cstddef>
#include <cstdint>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "lem/lem_map.h"
#include "plugin/open_map_table.h"

namespace {

struct Model {
    std::map<uint32_t, CLemMap*> records;
    std::map<uint32_t, uint64_t> insertedAt;  // first entry time, for the chain order
    uint64_t clock = 0;
    size_t peak = 0;  // most entries since the table was last empty
};

void CheckAgainst(const COpenMapTable& table, const Model& model) {
    FUZZ_CHECK(table.Count() == model.records.size());
    FUZZ_CHECK(table.HasBuckets() == !model.records.empty());
    const size_t blocks = (model.peak + COpenMapTable::kEntriesPerBlock - 1) / COpenMapTable::kEntriesPerBlock;
    FUZZ_CHECK(table.BlockCount() == (model.records.empty() ? 0 : blocks));
    FUZZ_CHECK(table.FreeList().size() == table.BlockCount() * COpenMapTable::kEntriesPerBlock - table.Count());
    // Bucket 0 to 16, each chain newest first.
    std::vector<uint32_t> expected;
    for (uint32_t b = 0; b < COpenMapTable::kBucketCount; ++b) {
        std::multimap<uint64_t, uint32_t, std::greater<>> chain;
        for (const auto& [handle, at] : model.insertedAt) {
            if (COpenMapTable::BucketOf(handle) == b) chain.emplace(at, handle);
        }
        for (const auto& [at, handle] : chain) expected.push_back(handle);
    }
    FUZZ_CHECK(table.HandlesInOrder() == expected);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Input in(data, size);
    COpenMapTable table;
    Model model;
    // Records are real objects: every path that drops one must give it back exactly once.
    while (in.Left() >= 2) {
        const uint8_t op = in.U8();
        const uint8_t h = in.U8();
        // Handles 16 apart share nothing; 16 * 17 apart share a bucket; a few odd values too.
        const uint32_t handle = (h & 0x80) ? 0xFFFFFFF0u - (h & 0x0F) : (h & 0x7F) * 16u * ((op & 0x10) ? 17u : 1u);
        switch (op % 4) {
            case 0:
            case 1: {  // open (2004): enter or replace
                auto record = std::make_unique<CLemMap>();
                CLemMap* raw = record.get();
                CLemMap* old = table.Set(handle, record.release());
                auto it = model.records.find(handle);
                FUZZ_CHECK(old == (it == model.records.end() ? nullptr : it->second));
                delete old;
                model.records[handle] = raw;
                if (!model.insertedAt.count(handle)) model.insertedAt[handle] = model.clock++;
                model.peak = std::max(model.peak, model.records.size());
                break;
            }
            case 2: {  // close (2021)
                CLemMap* removed = table.Remove(handle);
                auto it = model.records.find(handle);
                FUZZ_CHECK(removed == (it == model.records.end() ? nullptr : it->second));
                delete removed;
                if (it != model.records.end()) {
                    model.records.erase(it);
                    model.insertedAt.erase(handle);
                    if (model.records.empty()) model.peak = 0;
                }
                break;
            }
            case 3: {  // lookup (2012), and now and then Release
                FUZZ_CHECK(table.Lookup(handle) == (model.records.count(handle) ? model.records.at(handle) : nullptr));
                if ((op & 0xF0) == 0xF0) {
                    size_t visited = 0;
                    table.RemoveAll([&](uint32_t hd, CLemMap* record) {
                        FUZZ_CHECK(model.records.count(hd) && model.records.at(hd) == record);
                        delete record;
                        ++visited;
                    });
                    FUZZ_CHECK(visited == model.records.size());
                    model.records.clear();
                    model.insertedAt.clear();
                    model.peak = 0;
                }
                break;
            }
        }
        CheckAgainst(table, model);
    }
    table.RemoveAll([](uint32_t, CLemMap* record) { delete record; });
    return 0;
}
