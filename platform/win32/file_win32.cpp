#include <algorithm>
#include <utility>

#include "platform/file.h"
#include "platform/win32/windows_gateway.h"

namespace platform {

bool PathExists(const std::string& path) {
    if (path.empty()) return false;
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    WIN32_FILE_ATTRIBUTE_DATA data{};
    if (path.empty() || !GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data)) return stamp;
    stamp.exists = true;
    stamp.isFile = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    stamp.size = static_cast<int64_t>((static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow);
    stamp.writeTime = static_cast<int64_t>((static_cast<uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                                           data.ftLastWriteTime.dwLowDateTime);
    return stamp;
}

File::~File() {
    Close();
}

File::File(File&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)), position_(other.position_) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        handle_ = std::exchange(other.handle_, nullptr);
        position_ = other.position_;
    }
    return *this;
}

bool File::Open(const std::string& path) {
    Close();
    if (path.empty()) return false;
    HANDLE h = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    handle_ = h;
    position_ = 0;
    return true;
}

void File::Close() {
    if (handle_) CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
    position_ = 0;
}

bool File::IsOpen() const {
    return handle_ != nullptr;
}

int64_t File::ReadAt(uint64_t offset, void* buffer, size_t size) {
    if (!handle_) return -1;
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < size) {
        OVERLAPPED ov{};
        uint64_t at = offset + done;
        ov.Offset = static_cast<DWORD>(at & 0xFFFFFFFFu);
        ov.OffsetHigh = static_cast<DWORD>(at >> 32);
        DWORD chunk = static_cast<DWORD>(std::min<size_t>(size - done, 1u << 30));
        DWORD got = 0;
        if (!ReadFile(static_cast<HANDLE>(handle_), out + done, chunk, &got, &ov)) {
            if (GetLastError() == ERROR_HANDLE_EOF) break;
            return done > 0 ? static_cast<int64_t>(done) : -1;
        }
        if (got == 0) break;
        done += got;
    }
    return static_cast<int64_t>(done);
}

int64_t File::Read(void* buffer, size_t size) {
    int64_t n = ReadAt(position_, buffer, size);
    if (n > 0) position_ += static_cast<uint64_t>(n);
    return n;
}

int64_t File::Size() {
    if (!handle_) return -1;
    LARGE_INTEGER size{};
    if (!GetFileSizeEx(static_cast<HANDLE>(handle_), &size)) return -1;
    return size.QuadPart;
}

}  // namespace platform
