// Files as the module sees them: Windows paths in code page 932, read-only access.
// One header for both platforms; file_posix.cpp maps Windows path syntax onto a folder,
// file_win32.cpp calls the Win32 API.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>

namespace platform {

// True when a file or folder exists at path; the file is not opened.
[[nodiscard]] bool PathExists(const std::string& path);

// A read-only file that allows other readers and writers. Move-only; closes on destruction.
class File {
public:
    File() = default;
    ~File();
    File(const File&) = delete;
    File& operator=(const File&) = delete;
    File(File&& other) noexcept;
    File& operator=(File&& other) noexcept;

    [[nodiscard]] bool Open(const std::string& path);
    void Close();
    [[nodiscard]] bool IsOpen() const;

    // Reads up to size bytes at offset; returns the bytes read (0 at end of file), or -1 on error.
    [[nodiscard]] int64_t ReadAt(uint64_t offset, void* buffer, size_t size);
    // Sequential read from the current position; same results as ReadAt.
    [[nodiscard]] int64_t Read(void* buffer, size_t size);
    // Size in bytes, or -1 when it cannot be had.
    [[nodiscard]] int64_t Size();

private:
#if defined(_WIN32)
    void* handle_ = nullptr;  // HANDLE; nullptr when closed
#else
    int fd_ = -1;
#endif
    uint64_t position_ = 0;
};

static_assert(!std::is_copy_constructible_v<File>);

}  // namespace platform
