#include <atomic>
#include <utility>

#include "platform/mapped_view.h"
#include "platform/win32/windows_gateway.h"

namespace platform {
namespace {
std::atomic<bool> g_mappingAllowed{true};

uint64_t AllocationGranularity() {
    static const uint64_t granularity = [] {
        SYSTEM_INFO info{};
        GetSystemInfo(&info);
        return static_cast<uint64_t>(info.dwAllocationGranularity);
    }();
    return granularity;
}
}  // namespace

void SetMappingAllowed(bool allowed) {
    g_mappingAllowed = allowed;
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

bool MappedView::Map(File& file, uint64_t offset, size_t length) {
    Reset();
    if (!g_mappingAllowed || file.handle_ == nullptr || length == 0) return false;
    const uint64_t start = offset - offset % AllocationGranularity();
    const uint64_t delta = offset - start;
    if (length > SIZE_MAX - delta) return false;
    const size_t total = static_cast<size_t>(delta) + length;
    // The section covers the file as it is now; the view keeps it alive, so its handle closes
    // at once.
    HANDLE section = CreateFileMappingA(static_cast<HANDLE>(file.handle_), nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (section == nullptr) return false;
    void* base = MapViewOfFile(section, FILE_MAP_READ, static_cast<DWORD>(start >> 32),
                               static_cast<DWORD>(start & 0xFFFFFFFFu), total);
    CloseHandle(section);
    if (base == nullptr) return false;
    base_ = base;
    mappedLength_ = total;
    data_ = static_cast<const char*>(base) + delta;
    offset_ = offset;
    length_ = length;
    return true;
}

void MappedView::Reset() {
    if (base_ != nullptr) UnmapViewOfFile(base_);
    base_ = nullptr;
    mappedLength_ = 0;
    data_ = nullptr;
    offset_ = 0;
    length_ = 0;
}

}  // namespace platform
