#include "fuzz/fuzz_support.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "hostsim/host.h"
#include "lem/lem_map.h"
#include "platform/path_root.h"
#include "platform/posix/memory_files.h"
#include "plugin/module_state.h"

namespace fuzz {
namespace {

double F64Bits(uint64_t bits) {
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

}  // namespace

uint8_t Input::U8() {
    return pos_ < size_ ? data_[pos_++] : 0;
}

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
    // The drives are in memory for the whole process: files change between host calls
    // without a system call, and no input can touch the user's files.
    if (!platform::memory::Installed()) platform::memory::Install();
    platform::SetCurrentDrive('C');
}

void WriteFile(const std::string& windowsPath, std::string_view bytes) {
    platform::memory::Put(windowsPath, bytes);
}

void RemoveFile(const std::string& windowsPath) {
    platform::memory::Remove(windowsPath);
}

void Fail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: check failed: %s\n", file, line, what);
    std::abort();
}

}  // namespace fuzz
