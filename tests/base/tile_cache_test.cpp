// The slots of the 50 m sources' tile caches: which slot a tile lands in under each policy.
#include "base/tile_cache.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

int64_t g_now = 0;
int64_t Now() {
    return g_now;
}

// The slots' identifiers after the lookups, and how many of them were loads.
template <typename Cache>
std::vector<int32_t> Walk(Cache& cache, const std::vector<int32_t>& ids, int* loads) {
    for (const int32_t id : ids) {
        cache.Get(id, [&](int& tile) {
            tile = id;
            ++*loads;
        });
    }
    std::vector<int32_t> slots;
    for (int i = 0; i < Cache::kSlots; ++i) slots.push_back(cache.Id(i));
    return slots;
}

TEST(TileCache, EachPolicyPicksItsVictimOnlyWhenNoSlotIsFree) {
    struct Case {
        const char* what;
        std::vector<int32_t> ids;
        std::vector<int32_t> lru;    // LeastRecentlyUsed
        std::vector<int32_t> first;  // ReplaceFirstSlot
        int lruLoads;
        int firstLoads;
    };
    const Case cases[] = {
        {"free slots in order", {7, 8}, {7, 8, -1}, {7, 8, -1}, 2, 2},
        {"a hit is no load", {7, 8, 7}, {7, 8, -1}, {7, 8, -1}, 2, 2},
        {"full: LRU takes the oldest use, the other slot 0", {1, 2, 3, 1, 4}, {1, 4, 3}, {4, 2, 3}, 4, 4},
        {"slot 0 again and again", {1, 2, 3, 4, 5, 1}, {4, 5, 1}, {1, 2, 3}, 6, 6},
        {"a free identifier is never held", {-1, 2}, {2, -1, -1}, {2, -1, -1}, 2, 2},
    };
    for (const Case& c : cases) {
        base::TileCache<int, 3, base::LeastRecentlyUsed> lru;
        base::TileCache<int, 3, base::ReplaceFirstSlot> first;
        int lruLoads = 0;
        int firstLoads = 0;
        EXPECT_EQ(Walk(lru, c.ids, &lruLoads), c.lru) << c.what;
        EXPECT_EQ(Walk(first, c.ids, &firstLoads), c.first) << c.what;
        EXPECT_EQ(lruLoads, c.lruLoads) << c.what;
        EXPECT_EQ(firstLoads, c.firstLoads) << c.what;
    }
}

TEST(TileCache, FirstMatchServesAndClearFreesEverySlot) {
    base::TileCache<int, 3, base::ReplaceFirstSlot> cache;
    int loads = 0;
    (void)Walk(cache, {5, 6}, &loads);
    EXPECT_EQ(cache.Get(6, [](int&) { FAIL() << "a held tile is loaded again"; }), 6);
    cache.Clear();
    EXPECT_EQ(Walk(cache, {6}, &loads), (std::vector<int32_t>{6, -1, -1}));
    EXPECT_EQ(loads, 3);
}

TEST(TileCache, EarliestLoadGoesByStampThenByLoadOrder) {
    base::TileCache<int, 3, base::EarliestLoad> cache(&Now);
    int loads = 0;
    g_now = 10;
    (void)Walk(cache, {1}, &loads);
    g_now = 5;  // a clock that goes back: the stamp decides, not the order
    (void)Walk(cache, {2, 3}, &loads);
    EXPECT_EQ(cache.Eviction().Stamp(0), 10);
    EXPECT_EQ(cache.Eviction().Stamp(1), 5);
    // Slots 1 and 2 share stamp 5: slot 1 was loaded first. A hit renews nothing.
    g_now = 20;
    EXPECT_EQ(Walk(cache, {2, 4}, &loads), (std::vector<int32_t>{1, 4, 3}));
    EXPECT_EQ(cache.Eviction().Stamp(1), 20);
    EXPECT_EQ(Walk(cache, {5}, &loads), (std::vector<int32_t>{1, 4, 5}));
    EXPECT_EQ(Walk(cache, {6}, &loads), (std::vector<int32_t>{6, 4, 5}));
    EXPECT_EQ(loads, 6);
}

}  // namespace
