#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <utility>

#include "platform/mapped_view.h"
#include "platform/posix/memory_files.h"

namespace platform {
namespace {
std::atomic<bool> g_mappingAllowed{true};

uint64_t PageSize() {
    static const uint64_t size = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    return size;
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
    if (!g_mappingAllowed || length == 0) return false;
    if (memory::IsDescriptor(file.fd_)) {
        // A file on the in-memory drives is viewed in place.
        data_ = memory::Bytes(memory::HandleOf(file.fd_), offset, length);
        if (data_ == nullptr) return false;
        offset_ = offset;
        length_ = length;
        return true;
    }
    if (file.fd_ < 0) return false;
    const uint64_t start = offset - offset % PageSize();
    const uint64_t delta = offset - start;
    if (length > SIZE_MAX - delta || start > static_cast<uint64_t>(INT64_MAX)) return false;
    const size_t total = static_cast<size_t>(delta) + length;
    void* base = ::mmap(nullptr, total, PROT_READ, MAP_SHARED, file.fd_, static_cast<off_t>(start));
    if (base == MAP_FAILED) return false;
    base_ = base;
    mappedLength_ = total;
    data_ = static_cast<const char*>(base) + delta;
    offset_ = offset;
    length_ = length;
    return true;
}

void MappedView::Reset() {
    if (base_ != nullptr) ::munmap(base_, mappedLength_);
    base_ = nullptr;
    mappedLength_ = 0;
    data_ = nullptr;
    offset_ = 0;
    length_ = 0;
}

}  // namespace platform
