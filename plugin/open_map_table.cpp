#include "plugin/open_map_table.h"

#include <functional>

#include "platform/guard.h"

COpenMapTable::~COpenMapTable() {
    FreeStorage();
}

COpenMapTable::Entry* COpenMapTable::Find(uint32_t handle) const {
    if (!buckets_) return nullptr;
    for (Entry* e = buckets_[BucketOf(handle)]; e; e = e->next) {
        if (e->handle == handle) return e;
    }
    return nullptr;
}

CLemMap* COpenMapTable::Lookup(uint32_t handle) const {
    Entry* e = Find(handle);
    return e ? e->record : nullptr;
}

CLemMap* COpenMapTable::Set(uint32_t handle, CLemMap* record) {
    if (Entry* e = Find(handle)) {
        CLemMap* old = e->record;
        e->record = record;
        return old;
    }
    // Allocate first, so that a failure leaves the table as it was.
    std::unique_ptr<Entry*[]> newBuckets;
    if (!buckets_) newBuckets.reset(new Entry* [kBucketCount] {});
    if (!free_) {
        std::unique_ptr<Entry[]> block(new Entry[kEntriesPerBlock]);
        blocks_.reserve(blocks_.size() + 1);
        // Chained so that the entries are handed out in the order they lie in the block.
        for (int i = 0; i < kEntriesPerBlock - 1; ++i) block[i].next = &block[i + 1];
        block[kEntriesPerBlock - 1].next = nullptr;
        free_ = &block[0];
        blocks_.push_back(std::move(block));
    }
    if (newBuckets) buckets_ = std::move(newBuckets);

    Entry* e = free_;
    free_ = e->next;
    const uint32_t bucket = BucketOf(handle);
    e->bucket = bucket;
    e->handle = handle;
    e->record = record;
    e->next = buckets_[bucket];
    buckets_[bucket] = e;
    ++count_;
    return nullptr;
}

CLemMap* COpenMapTable::Remove(uint32_t handle) {
    if (!buckets_) return nullptr;
    Entry** link = &buckets_[BucketOf(handle)];
    while (*link && (*link)->handle != handle) link = &(*link)->next;
    Entry* e = *link;
    if (!e) return nullptr;
    // An entry in a chain is counted.
    TEPHRIX_CHECK(count_ > 0);
    *link = e->next;
    CLemMap* record = e->record;
    e->record = nullptr;
    e->next = free_;
    free_ = e;
    if (--count_ == 0) FreeStorage();
    return record;
}

void COpenMapTable::RemoveAll(const std::function<void(uint32_t, CLemMap*)>& visit) {
    if (buckets_) {
        for (uint32_t b = 0; b < kBucketCount; ++b) {
            for (Entry* e = buckets_[b]; e; e = e->next) visit(e->handle, e->record);
        }
    }
    FreeStorage();
}

void COpenMapTable::FreeStorage() {
    buckets_.reset();
    blocks_.clear();
    free_ = nullptr;
    count_ = 0;
}

void COpenMapTable::ForEach(const std::function<void(uint32_t handle, CLemMap* record)>& visit) const {
    if (!buckets_) return;
    for (uint32_t b = 0; b < kBucketCount; ++b) {
        for (Entry* e = buckets_[b]; e; e = e->next) visit(e->handle, e->record);
    }
}

std::vector<uint32_t> COpenMapTable::HandlesInOrder() const {
    std::vector<uint32_t> out;
    if (!buckets_) return out;
    for (uint32_t b = 0; b < kBucketCount; ++b) {
        for (Entry* e = buckets_[b]; e; e = e->next) out.push_back(e->handle);
    }
    return out;
}

std::vector<COpenMapTable::PoolPosition> COpenMapTable::FreeList() const {
    std::vector<PoolPosition> out;
    for (const Entry* e = free_; e; e = e->next) {
        for (size_t b = 0; b < blocks_.size(); ++b) {
            const Entry* first = blocks_[b].get();
            if (!std::less<const Entry*>()(e, first) && std::less<const Entry*>()(e, first + kEntriesPerBlock)) {
                out.push_back({b, static_cast<int>(e - first)});
                break;
            }
        }
    }
    return out;
}
