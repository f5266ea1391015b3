// A read-only view of a byte range of an open File, for readers that use a few bytes here and
// there of a large file: they touch the page cache in place instead of copying whole spans.
// One header for both platforms; mapped_view_posix.cpp uses mmap, mapped_view_win32.cpp
// CreateFileMapping and MapViewOfFile.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "platform/file.h"

namespace platform {

class MappedView {
public:
    // Windows refuses to shrink a file while any view of it exists (ERROR_USER_MAPPED_FILE), so
    // there a view must not outlive the call that made it: other programs may shrink the file
    // between two calls. POSIX lets them, and then touching a page beyond the new end raises
    // SIGBUS: a view kept between calls must be dropped before any byte is touched once the
    // file's size may have changed.
#if defined(_WIN32)
    static constexpr bool kPinsFileSize = true;
#else
    static constexpr bool kPinsFileSize = false;
#endif

    MappedView() = default;
    ~MappedView();
    MappedView(const MappedView&) = delete;
    MappedView& operator=(const MappedView&) = delete;
    MappedView(MappedView&& other) noexcept;
    MappedView& operator=(MappedView&& other) noexcept;

    // Maps bytes [offset, offset + length) of file, which must lie within the file's current
    // size. False, and nothing mapped, when the system cannot (no address space left, a file
    // system that cannot map, mapping turned off with SetMappingAllowed); the caller then reads.
    [[nodiscard]] bool Map(File& file, uint64_t offset, size_t length);
    void Reset();

    [[nodiscard]] bool IsMapped() const {
        return data_ != nullptr;
    }
    // The byte at Offset(); Length() bytes are readable from it.
    [[nodiscard]] const char* Data() const {
        return data_;
    }
    [[nodiscard]] uint64_t Offset() const {
        return offset_;
    }
    [[nodiscard]] size_t Length() const {
        return length_;
    }
    // True when bytes [offset, offset + length) of the file lie in the view.
    [[nodiscard]] bool Holds(uint64_t offset, uint64_t length) const {
        return data_ != nullptr && offset >= offset_ && length <= length_ && offset - offset_ <= length_ - length;
    }

private:
    // Takes a mapping of total bytes at base whose byte delta is the file's byte offset.
    void Adopt(void* base, size_t total, uint64_t delta, uint64_t offset, size_t length);
    // The platform's half: undoes a mapping Map made.
    static void Unmap(void* base, size_t length);
    [[nodiscard]] static bool MappingAllowed();

    void* base_ = nullptr;  // start of the mapping, aligned as the system requires
    size_t mappedLength_ = 0;
    const char* data_ = nullptr;
    uint64_t offset_ = 0;
    size_t length_ = 0;
};

static_assert(!std::is_copy_constructible_v<MappedView>);

// Turns mapping off (every Map fails) or on again, process-wide: the tests and benchmarks
// compare the read path readers fall back to with the mapped one.
void SetMappingAllowed(bool allowed);

}  // namespace platform
