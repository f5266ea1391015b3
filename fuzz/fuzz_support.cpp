#include "fuzz/fuzz_support.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <algorithm>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "hostsim/host.h"
#include "lem/lem_map.h"
#include "platform/path_root.h"
#include "plugin/module_state.h"

namespace fuzz {
namespace {

std::string g_root;

void RemoveRoot() {
    std::error_code ignored;
    if (!g_root.empty()) std::filesystem::remove_all(g_root, ignored);
}

// A folder of our own for the whole process, in memory when /dev/shm exists; never the user's
// files. TEPHRIX_FUZZ_TMP chooses the parent (the scripts give each run its own).
const std::string& Root() {
    if (g_root.empty()) {
        const char* parent = std::getenv("TEPHRIX_FUZZ_TMP");
        std::string base = parent && *parent ? parent : (access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        std::string pattern = base + "/tephrix-fuzz-XXXXXX";
        if (!mkdtemp(pattern.data())) {
            std::perror("mkdtemp");
            std::abort();
        }
        g_root = pattern;
        std::atexit(RemoveRoot);
    }
    return g_root;
}

double F64Bits(uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

}  // namespace

uint8_t Input::U8() { return pos_ < size_ ? data_[pos_++] : 0; }

uint16_t Input::U16() {
    const uint16_t lo = U8();
    return static_cast<uint16_t>(lo | (U8() << 8));
}

int32_t Input::I32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<uint32_t>(U8()) << (8 * i);
    return static_cast<int32_t>(v);
}

double Input::F64() {
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v |= static_cast<uint64_t>(U8()) << (8 * i);
    return F64Bits(v);
}

std::string_view Input::Bytes(size_t n) {
    n = std::min(n, size_ - pos_);
    std::string_view out(reinterpret_cast<const char*>(data_ + pos_), n);
    pos_ += n;
    return out;
}

void BeginInput() {
    hostsim::Reset();
    plugin::State().margin = lem::kDefaultMargin;
    platform::SetPosixRoot(Root());
    platform::SetCurrentDrive('C');
}

void WriteFile(const std::string& windowsPath, std::string_view bytes) {
    const std::filesystem::path host = platform::ToPosixPath(windowsPath);
    std::error_code ignored;
    std::filesystem::create_directories(host.parent_path(), ignored);
    const int fd = ::open(host.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    if (fd < 0) {
        std::perror(host.c_str());
        std::abort();
    }
    size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n <= 0) {
            std::perror("write");
            std::abort();
        }
        done += static_cast<size_t>(n);
    }
    ::close(fd);
}

void RemoveFile(const std::string& windowsPath) {
    ::unlink(platform::ToPosixPath(windowsPath).c_str());
}

void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

}  // namespace fuzz
