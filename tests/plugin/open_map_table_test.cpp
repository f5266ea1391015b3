#include "plugin/open_map_table.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <map>
#include <random>
#include <vector>

namespace {

// The table never looks into its records; distinct addresses are enough to tell them apart.
CLemMap* Rec(uintptr_t n) {
    return reinterpret_cast<CLemMap*>(0x10000 + n * 64);
}

using Pos = COpenMapTable::PoolPosition;

TEST(OpenMapTableBuckets, BucketIsHandleDiv16Mod17Unsigned) {
    struct Case {
        uint32_t handle;
        uint32_t bucket;
    };
    const Case cases[] = {{0, 0}, {15, 0}, {16, 1}, {288, 1}, {271, 16}, {272, 0}, {0x80000000u, 8}, {0xFFFFFFFFu, 15}};
    for (const Case& c : cases) EXPECT_EQ(COpenMapTable::BucketOf(c.handle), c.bucket) << c.handle;
}

TEST(OpenMapTableBuckets, ArrayExistsOnlyWhileEntriesDo) {
    COpenMapTable table;
    EXPECT_FALSE(table.HasBuckets());
    EXPECT_EQ(table.BlockCount(), 0u);
    EXPECT_EQ(table.Lookup(16), nullptr);
    EXPECT_EQ(table.Remove(16), nullptr);

    EXPECT_EQ(table.Set(16, Rec(1)), nullptr);
    EXPECT_TRUE(table.HasBuckets());
    EXPECT_EQ(table.BlockCount(), 1u);
}

TEST(OpenMapTableBuckets, SharedBucketKeepsBothAndRemovalLeavesTheOther) {
    COpenMapTable table;
    ASSERT_EQ(table.Set(16, Rec(1)), nullptr);
    ASSERT_EQ(table.Set(288, Rec(2)), nullptr);
    // Head insertion: the later handle comes first in its chain.
    EXPECT_EQ(table.HandlesInOrder(), (std::vector<uint32_t>{288, 16}));
    EXPECT_EQ(table.Lookup(16), Rec(1));
    EXPECT_EQ(table.Lookup(288), Rec(2));
    EXPECT_EQ(table.Lookup(16 + 17 * 16 * 2), nullptr);  // same bucket, not entered

    EXPECT_EQ(table.Remove(16), Rec(1));
    EXPECT_EQ(table.Lookup(16), nullptr);
    EXPECT_EQ(table.Lookup(288), Rec(2));
    EXPECT_EQ(table.Count(), 1u);
    EXPECT_TRUE(table.HasBuckets());
}

TEST(OpenMapTableBuckets, SetOnExistingHandleReplacesAndReturnsTheOldRecord) {
    COpenMapTable table;
    ASSERT_EQ(table.Set(5, Rec(1)), nullptr);
    EXPECT_EQ(table.Set(5, Rec(2)), Rec(1));
    EXPECT_EQ(table.Count(), 1u);
    EXPECT_EQ(table.Lookup(5), Rec(2));
}

TEST(OpenMapTablePool, ElevenMapsTakeTwoBlocksAndClosingAllFreesEverything) {
    COpenMapTable table;
    for (uint32_t h = 1; h <= 11; ++h) ASSERT_EQ(table.Set(h * 16, Rec(h)), nullptr);
    EXPECT_EQ(table.BlockCount(), 2u);
    // The second block hands out its first entry; the other nine wait in block order.
    std::vector<Pos> expected;
    for (int slot = 1; slot < 10; ++slot) expected.push_back({1, slot});
    EXPECT_EQ(table.FreeList(), expected);

    for (uint32_t h = 1; h <= 11; ++h) {
        EXPECT_EQ(table.Remove(h * 16), Rec(h));
        EXPECT_EQ(table.HasBuckets(), h < 11);
    }
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_EQ(table.BlockCount(), 0u);
    EXPECT_TRUE(table.FreeList().empty());

    ASSERT_EQ(table.Set(32, Rec(1)), nullptr);
    EXPECT_TRUE(table.HasBuckets());
    EXPECT_EQ(table.BlockCount(), 1u);
    EXPECT_EQ(table.Lookup(32), Rec(1));
}

TEST(OpenMapTablePool, EntriesComeInBlockOrderAndRemovedOnesGoToTheFront) {
    COpenMapTable table;
    ASSERT_EQ(table.Set(100, Rec(1)), nullptr);  // slot 0
    ASSERT_EQ(table.Set(200, Rec(2)), nullptr);  // slot 1
    ASSERT_EQ(table.Set(300, Rec(3)), nullptr);  // slot 2
    std::vector<Pos> expected;
    for (int slot = 3; slot < 10; ++slot) expected.push_back({0, slot});
    EXPECT_EQ(table.FreeList(), expected);

    ASSERT_EQ(table.Remove(200), Rec(2));
    ASSERT_EQ(table.Remove(100), Rec(1));
    expected.insert(expected.begin(), {{0, 0}, {0, 1}});
    EXPECT_EQ(table.FreeList(), expected);

    // The next map reuses the entry freed last.
    ASSERT_EQ(table.Set(400, Rec(4)), nullptr);
    expected.erase(expected.begin());
    EXPECT_EQ(table.FreeList(), expected);
    EXPECT_EQ(table.Lookup(300), Rec(3));
    EXPECT_EQ(table.Lookup(400), Rec(4));
}

TEST(OpenMapTableEmptying, VisitsBucketsInOrderEachChainFromItsHeadThenFreesAll) {
    COpenMapTable table;
    // Buckets: 0 -> 0, 272; 1 -> 16, 288; 16 -> 271.
    for (uint32_t h : {271u, 16u, 0u, 288u, 272u}) ASSERT_EQ(table.Set(h, Rec(h)), nullptr);
    std::vector<uint32_t> visited;
    table.RemoveAll([&](uint32_t handle, CLemMap* record) {
        EXPECT_EQ(record, Rec(handle));
        visited.push_back(handle);
    });
    EXPECT_EQ(visited, (std::vector<uint32_t>{272, 0, 288, 16, 271}));
    EXPECT_EQ(table.Count(), 0u);
    EXPECT_FALSE(table.HasBuckets());
    EXPECT_EQ(table.BlockCount(), 0u);

    // Usable again afterwards.
    ASSERT_EQ(table.Set(7, Rec(7)), nullptr);
    EXPECT_EQ(table.Lookup(7), Rec(7));
}

TEST(OpenMapTableEmptying, EmptyTableVisitsNothing) {
    COpenMapTable table;
    int visits = 0;
    table.RemoveAll([&](uint32_t, CLemMap*) { ++visits; });
    EXPECT_EQ(visits, 0);
    EXPECT_FALSE(table.HasBuckets());
}

TEST(OpenMapTableWalk, SeededRandomOpenCloseMatchesStdMapAtEveryStep) {
    std::mt19937 rng(20261210);
    // Few distinct handles, many in shared buckets, so that chains grow and shrink.
    std::vector<uint32_t> handles;
    for (uint32_t i = 0; i < 60; ++i) handles.push_back(i % 3 == 0 ? i * 16 * 17 : i * 37 + (i % 5) * 0x40000000u);
    std::uniform_int_distribution<size_t> pick(0, handles.size() - 1);
    std::uniform_int_distribution<int> action(0, 99);

    COpenMapTable table;
    std::map<uint32_t, CLemMap*> model;
    size_t peakSinceEmpty = 0;
    size_t highest = 0;
    int emptied = 0;
    for (int step = 0; step < 5000; ++step) {
        uint32_t h = handles[pick(rng)];
        // Phases that lean towards opening alternate with phases that close mostly open maps,
        // so the pool grows past one block and the table empties again and again.
        const bool growing = (step / 250) % 2 == 0;
        const bool open = action(rng) < (growing ? 70 : 15);
        if (!open && !growing && !model.empty() && action(rng) < 90) {
            auto it = model.begin();
            std::advance(it, static_cast<long>(std::uniform_int_distribution<size_t>(0, model.size() - 1)(rng)));
            h = it->first;
        }
        if (open) {
            CLemMap* record = Rec(static_cast<uintptr_t>(step) + 1);
            auto it = model.find(h);
            CLemMap* expectedOld = it == model.end() ? nullptr : it->second;
            ASSERT_EQ(table.Set(h, record), expectedOld) << "step " << step;
            model[h] = record;
        } else {
            auto it = model.find(h);
            CLemMap* expected = it == model.end() ? nullptr : it->second;
            ASSERT_EQ(table.Remove(h), expected) << "step " << step;
            if (it != model.end()) model.erase(it);
        }
        if (model.empty() && peakSinceEmpty > 0) ++emptied;
        peakSinceEmpty = model.empty() ? 0 : std::max(peakSinceEmpty, model.size());
        highest = std::max(highest, model.size());

        ASSERT_EQ(table.Count(), model.size()) << "step " << step;
        for (uint32_t probe : handles) {
            auto it = model.find(probe);
            ASSERT_EQ(table.Lookup(probe), it == model.end() ? nullptr : it->second) << "step " << step;
        }
        ASSERT_EQ(table.HasBuckets(), !model.empty());
        ASSERT_EQ(table.BlockCount(), (peakSinceEmpty + 9) / 10) << "step " << step;
        ASSERT_EQ(table.FreeList().size() + table.Count(), table.BlockCount() * 10);
    }
    // The walk must have grown the pool past one block and emptied the table several times.
    EXPECT_GT(highest, 20u);
    EXPECT_GE(emptied, 3);
}

}  // namespace
