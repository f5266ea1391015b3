#include "platform/mapped_view.h"
#include "platform/win32/windows_gateway.h"

namespace platform {
namespace {

uint64_t AllocationGranularity() {
    static const uint64_t granularity = [] {
        SYSTEM_INFO info{};
        GetSystemInfo(&info);
        return static_cast<uint64_t>(info.dwAllocationGranularity);
    }();
    return granularity;
}
}  // namespace

bool MappedView::Map(File& file, uint64_t offset, size_t length) {
    Reset();
    if (!MappingAllowed() || file.handle_ == nullptr || length == 0) return false;
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
    Adopt(base, total, delta, offset, length);
    return true;
}

void MappedView::Unmap(void* base, size_t length) {
    (void)length;
    UnmapViewOfFile(base);
}

}  // namespace platform
