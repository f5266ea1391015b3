// The table of open maps: host map handle -> CLemMap. The module's own chained hash table with
// a pool of entries, so that its memory use follows the host's open maps exactly.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class CLemMap;

class COpenMapTable {
public:
    static constexpr uint32_t kBucketCount = 17;
    static constexpr int kEntriesPerBlock = 10;

    COpenMapTable() = default;
    // Frees the table's own storage, not the records still in it (that is Release's task).
    ~COpenMapTable();
    COpenMapTable(const COpenMapTable&) = delete;
    COpenMapTable& operator=(const COpenMapTable&) = delete;

    [[nodiscard]] static uint32_t BucketOf(uint32_t handle) { return (handle / 16) % kBucketCount; }

    // nullptr when the handle is not in the table.
    [[nodiscard]] CLemMap* Lookup(uint32_t handle) const;
    // Enters (handle, record). An existing entry for handle gets the new record and the one it
    // held is returned for the caller to destroy; otherwise nullptr. Throws std::bad_alloc with
    // the table unchanged when the bucket array or a block of entries cannot be allocated.
    [[nodiscard]] CLemMap* Set(uint32_t handle, CLemMap* record);
    // Takes the entry out; returns its record, or nullptr when the handle is not in the table.
    // At a count of 0 all storage is freed.
    [[nodiscard]] CLemMap* Remove(uint32_t handle);
    // Visits every record bucket by bucket (0 to 16), each chain from its head, then frees all
    // storage. The visitor destroys the records.
    void RemoveAll(const std::function<void(uint32_t handle, CLemMap* record)>& visit);
    // Visits every record in table order; the table stays as it is.
    void ForEach(const std::function<void(uint32_t handle, CLemMap* record)>& visit) const;

    [[nodiscard]] size_t Count() const { return count_; }
    [[nodiscard]] bool HasBuckets() const { return buckets_ != nullptr; }
    [[nodiscard]] size_t BlockCount() const { return blocks_.size(); }
    // Handles in table order: bucket 0 to 16, each chain from its head.
    [[nodiscard]] std::vector<uint32_t> HandlesInOrder() const;
    struct PoolPosition {
        size_t block;
        int slot;
        bool operator==(const PoolPosition&) const = default;
    };
    // The free list from its front, as positions in the pool's blocks.
    [[nodiscard]] std::vector<PoolPosition> FreeList() const;

private:
    struct Entry {
        Entry* next = nullptr;
        uint32_t bucket = 0;
        uint32_t handle = 0;
        CLemMap* record = nullptr;
    };

    [[nodiscard]] Entry* Find(uint32_t handle) const;
    void FreeStorage();

    std::unique_ptr<Entry*[]> buckets_;
    std::vector<std::unique_ptr<Entry[]>> blocks_;
    Entry* free_ = nullptr;
    size_t count_ = 0;
};
