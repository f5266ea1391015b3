// A fixed set of slots that hold tiles by identifier, for the 50 m sources. A lookup takes the
// first slot that holds the identifier; a miss takes the first free slot, and only when none is
// free does the eviction policy name the slot that goes. A free slot never matches, whatever
// identifier is asked for.
#pragma once

#include <cstdint>
#include <utility>

namespace base {

// Eviction policies. Each keeps what it needs per slot; Victim() is asked only when every slot
// is occupied, and answers the lowest-numbered slot among equals.

// Slot 0 goes, again and again: slots that start empty at every fill and rarely fill up.
template <int Slots>
class ReplaceFirstSlot {
public:
    void Loaded(int) {}
    void Hit(int) {}
    void Clear() {}
    [[nodiscard]] int Victim() const { return 0; }
};

// The slot used least recently goes; a hit counts as a use.
template <int Slots>
class LeastRecentlyUsed {
public:
    void Loaded(int slot) { use_[slot] = ++clock_; }
    void Hit(int slot) { use_[slot] = ++clock_; }
    void Clear() {
        for (uint64_t& u : use_) u = 0;
    }
    [[nodiscard]] int Victim() const {
        int victim = 0;
        for (int i = 1; i < Slots; ++i) {
            if (use_[i] < use_[victim]) victim = i;
        }
        return victim;
    }

private:
    uint64_t use_[Slots] = {};
    uint64_t clock_ = 0;
};

// The slot loaded earliest by the clock goes; loads within one tick give way in the order they
// came. Hits change nothing.
template <int Slots>
class EarliestLoad {
public:
    using Clock = int64_t (*)();
    explicit EarliestLoad(Clock clock) : clock_(clock) {}

    void Loaded(int slot) {
        stamp_[slot] = clock_();
        load_[slot] = ++loads_;
    }
    void Hit(int) {}
    void Clear() {
        for (int i = 0; i < Slots; ++i) {
            stamp_[i] = 0;
            load_[i] = 0;
        }
    }
    [[nodiscard]] int Victim() const {
        int victim = 0;
        for (int i = 1; i < Slots; ++i) {
            if (stamp_[i] < stamp_[victim] || (stamp_[i] == stamp_[victim] && load_[i] < load_[victim])) victim = i;
        }
        return victim;
    }
    [[nodiscard]] int64_t Stamp(int slot) const { return stamp_[slot]; }

private:
    Clock clock_;
    int64_t stamp_[Slots] = {};
    uint64_t load_[Slots] = {};
    uint64_t loads_ = 0;
};

template <typename Tile, int Slots, template <int> class Policy>
class TileCache {
public:
    static constexpr int32_t kFree = -1;
    static constexpr int kSlots = Slots;

    template <typename... PolicyArgs>
    explicit TileCache(PolicyArgs&&... args) : policy_(std::forward<PolicyArgs>(args)...) {
        for (int32_t& id : ids_) id = kFree;
    }
    TileCache(const TileCache&) = delete;
    TileCache& operator=(const TileCache&) = delete;

    // The tile with identifier id; on a miss load(tile) fills the slot it is given.
    template <typename Load>
    Tile& Get(int32_t id, Load&& load) {
        for (int i = 0; i < Slots; ++i) {
            if (ids_[i] == id && id != kFree) {
                policy_.Hit(i);
                return tiles_[i];
            }
        }
        int slot = -1;
        for (int i = 0; i < Slots && slot < 0; ++i) {
            if (ids_[i] == kFree) slot = i;
        }
        if (slot < 0) slot = policy_.Victim();
        ids_[slot] = id;
        policy_.Loaded(slot);
        load(tiles_[slot]);
        return tiles_[slot];
    }

    // Every slot free; the tiles' storage is kept.
    void Clear() {
        for (int32_t& id : ids_) id = kFree;
        policy_.Clear();
    }

    [[nodiscard]] int32_t Id(int slot) const { return ids_[slot]; }
    [[nodiscard]] const Policy<Slots>& Eviction() const { return policy_; }

private:
    int32_t ids_[Slots];
    Policy<Slots> policy_;
    Tile tiles_[Slots];
};

}  // namespace base
