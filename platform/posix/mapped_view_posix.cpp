#include <sys/mman.h>
#include <unistd.h>

#include "platform/mapped_view.h"
#include "platform/posix/memory_files.h"

namespace platform {
namespace {

uint64_t PageSize() {
    static const uint64_t size = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    return size;
}
}  // namespace

bool MappedView::Map(File& file, uint64_t offset, size_t length) {
    Reset();
    if (!MappingAllowed() || length == 0) return false;
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
    Adopt(base, total, delta, offset, length);
    return true;
}

void MappedView::Unmap(void* base, size_t length) {
    ::munmap(base, length);
}

}  // namespace platform
