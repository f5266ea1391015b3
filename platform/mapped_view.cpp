// What a view is, whatever maps it: ownership, moves and the switch that turns mapping off.
#include <atomic>
#include <utility>

#include "platform/mapped_view.h"

namespace platform {
namespace {
std::atomic<bool> g_mappingAllowed{true};
}  // namespace

void SetMappingAllowed(bool allowed) {
    g_mappingAllowed = allowed;
}

bool MappedView::MappingAllowed() {
    return g_mappingAllowed;
}

MappedView::~MappedView() {
    Reset();
}

MappedView::MappedView(MappedView&& other) noexcept
    : base_(std::exchange(other.base_, nullptr)),
      mappedLength_(std::exchange(other.mappedLength_, 0)),
      data_(std::exchange(other.data_, nullptr)),
      offset_(std::exchange(other.offset_, 0)),
      length_(std::exchange(other.length_, 0)) {}

MappedView& MappedView::operator=(MappedView&& other) noexcept {
    if (this != &other) {
        Reset();
        base_ = std::exchange(other.base_, nullptr);
        mappedLength_ = std::exchange(other.mappedLength_, 0);
        data_ = std::exchange(other.data_, nullptr);
        offset_ = std::exchange(other.offset_, 0);
        length_ = std::exchange(other.length_, 0);
    }
    return *this;
}

void MappedView::Adopt(void* base, size_t total, uint64_t delta, uint64_t offset, size_t length) {
    base_ = base;
    mappedLength_ = total;
    data_ = static_cast<const char*>(base) + delta;
    offset_ = offset;
    length_ = length;
}

void MappedView::Reset() {
    if (base_ != nullptr) Unmap(base_, mappedLength_);
    base_ = nullptr;
    mappedLength_ = 0;
    data_ = nullptr;
    offset_ = 0;
    length_ = 0;
}

}  // namespace platform
