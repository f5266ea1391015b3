// An in-memory drive set for the POSIX file layer. While it is installed, every path the module
// stats, opens or searches is served from here instead of the folder root, with the semantics
// the folder gives: a file rewritten under its name changes in place (open files see the new
// bytes, the serial number stays), a removed file stays readable through the files already
// open on it. The fuzz targets change files between host calls thousands of times a second;
// here that costs no system call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace platform::memory {

// The POSIX file layer keeps a handle to an in-memory file in place of a descriptor, encoded
// below -1 (its "closed").
constexpr int kFirstDescriptor = -2;
[[nodiscard]] constexpr bool IsDescriptor(int fd) {
    return fd <= kFirstDescriptor;
}
[[nodiscard]] constexpr int HandleOf(int fd) {
    return kFirstDescriptor - fd;
}
[[nodiscard]] constexpr int DescriptorOf(int handle) {
    return kFirstDescriptor - handle;
}

// Installs an empty drive set (or empties the installed one); Uninstall returns the layer to
// the folder root. Files still open keep their bytes until closed.
void Install();
void Uninstall();
[[nodiscard]] bool Installed();

// Creates or rewrites the file at a Windows path (folders are implied by the files in them).
void Put(const std::string& windowsPath, std::string_view bytes);
// Removes the file; nothing when there is none.
void Remove(const std::string& windowsPath);

// ---- what the POSIX file layer asks while installed

struct Status {
    bool isFile = false;
    int64_t size = 0;
    int64_t writeTime = 0;
    uint64_t fileId = 0;
};
// False when nothing (file or folder) is at the path.
[[nodiscard]] bool Stat(const std::string& windowsPath, Status* status);
// A handle (>= 0) to the file's bytes, or -1 when the path names no file.
[[nodiscard]] int Open(const std::string& windowsPath);
void Close(int handle);
[[nodiscard]] int64_t ReadAt(int handle, uint64_t offset, void* buffer, size_t size);
[[nodiscard]] int64_t Size(int handle);
// The bytes [offset, offset + length) of an open file in place, or null when they lie beyond its
// end. They stay where they are until the file is written again (then, as a mapped page of a
// rewritten file on disk, they must not be read again).
[[nodiscard]] const char* Bytes(int handle, uint64_t offset, size_t length);
// Names of the entries (files and folders) directly in the folder of a Windows path.
[[nodiscard]] std::vector<std::string> List(const std::string& windowsFolder);

}  // namespace platform::memory
