#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/file.h"
#include "platform/path_root.h"
#include "platform/posix/memory_files.h"

namespace platform {
namespace {
bool IsMemory(int fd) {
    return memory::IsDescriptor(fd);
}
int MemoryHandle(int fd) {
    return memory::HandleOf(fd);
}
}  // namespace

bool PathExists(const std::string& path) {
    if (path.empty()) return false;
    if (memory::Installed()) {
        memory::Status status;
        return memory::Stat(path, &status);
    }
    struct stat st {};
    return StatWindowsPath(path, &st);
}

FileStamp StampOf(const std::string& path) {
    FileStamp stamp;
    struct stat st {};
    if (path.empty()) return stamp;
    if (memory::Installed()) {
        memory::Status status;
        if (!memory::Stat(path, &status)) return stamp;
        stamp.exists = true;
        stamp.isFile = status.isFile;
        stamp.size = status.size;
        stamp.writeTime = status.writeTime;
        stamp.fileId = status.fileId;
        return stamp;
    }
    if (!StatWindowsPath(path, &st)) return stamp;
    stamp.exists = true;
    stamp.isFile = !S_ISDIR(st.st_mode);
    stamp.size = static_cast<int64_t>(st.st_size);
    stamp.writeTime = static_cast<int64_t>(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
    stamp.fileId = (static_cast<uint64_t>(st.st_dev) << 40) ^ static_cast<uint64_t>(st.st_ino);
    return stamp;
}

File::~File() {
    Close();
}

File::File(File&& other) noexcept : fd_(std::exchange(other.fd_, -1)), position_(other.position_) {}

File& File::operator=(File&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        position_ = other.position_;
    }
    return *this;
}

bool File::Open(const std::string& path) {
    Close();
    if (path.empty()) return false;
    if (memory::Installed()) {
        const int handle = memory::Open(path);
        if (handle < 0) return false;
        fd_ = memory::DescriptorOf(handle);
        position_ = 0;
        return true;
    }
    // O_NONBLOCK: opening a FIFO for reading must not wait for a writer. Only regular files are
    // datasets; a FIFO, a device (/dev/zero never ends) or a folder is refused like a missing file.
    int fd = ::open(ResolvePosixPath(path).c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return false;
    }
    // Reads of a regular file never block; clear the flag so none sees EAGAIN.
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) != 0) {
        ::close(fd);
        return false;
    }
    fd_ = fd;
    position_ = 0;
    return true;
}

void File::Close() {
    if (fd_ >= 0) ::close(fd_);
    if (IsMemory(fd_)) memory::Close(MemoryHandle(fd_));
    fd_ = -1;
    position_ = 0;
}

bool File::IsOpen() const {
    return fd_ != -1;
}

int64_t File::ReadAt(uint64_t offset, void* buffer, size_t size) {
    if (IsMemory(fd_)) return memory::ReadAt(MemoryHandle(fd_), offset, buffer, size);
    if (fd_ < 0) return -1;
    if (offset > static_cast<uint64_t>(INT64_MAX)) return -1;
    auto* out = static_cast<char*>(buffer);
    size_t done = 0;
    while (done < size) {
        ssize_t n = ::pread(fd_, out + done, size - done, static_cast<off_t>(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return done > 0 ? static_cast<int64_t>(done) : -1;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    return static_cast<int64_t>(done);
}

int64_t File::Read(void* buffer, size_t size) {
    int64_t n = ReadAt(position_, buffer, size);
    if (n > 0) position_ += static_cast<uint64_t>(n);
    return n;
}

int64_t File::Size() {
    if (IsMemory(fd_)) return memory::Size(MemoryHandle(fd_));
    if (fd_ < 0) return -1;
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return -1;
    return static_cast<int64_t>(st.st_size);
}

}  // namespace platform
