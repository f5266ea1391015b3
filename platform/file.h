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

// What tells a changed file from the one read before, taken from the path without opening the
// file: its size and last write time (in the platform's own units), and on POSIX the file's
// serial number, so that a file renamed over it differs even within one clock tick. `exists`
// says whether the path names anything at all (as PathExists); two stamps are equal only when
// both name files.
struct FileStamp {
    bool exists = false;
    bool isFile = false;
    int64_t size = 0;
    int64_t writeTime = 0;
    uint64_t fileId = 0;
    friend bool operator==(const FileStamp& a, const FileStamp& b) {
        return a.isFile && b.isFile && a.size == b.size && a.writeTime == b.writeTime && a.fileId == b.fileId;
    }
};
[[nodiscard]] FileStamp StampOf(const std::string& path);

// A read-only file that lets other programs read, write, rename and delete it while it is open
// (a map may hold its files open between calls). Move-only; closes on destruction.
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
    friend class MappedView;
#if defined(_WIN32)
    void* handle_ = nullptr;  // HANDLE; nullptr when closed
#else
    int fd_ = -1;
#endif
    uint64_t position_ = 0;
};

static_assert(!std::is_copy_constructible_v<File>);

}  // namespace platform
