// Shared by the fuzz targets: a cursor over the fuzzer's bytes, in-memory drives that stand for
// the file system, and a check that aborts (so libFuzzer keeps the input) when a property fails.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace fuzz {

// Reads fields from the front of the input; past the end every field reads as zero.
class Input {
public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}

    uint8_t U8();
    uint16_t U16();
    int32_t I32();
    double F64();
    // Up to n bytes (fewer at the end of the input).
    std::string_view Bytes(size_t n);
    std::string_view Rest() { return Bytes(size_ - pos_); }
    [[nodiscard]] size_t Left() const { return size_ - pos_; }

private:
    const uint8_t* data_;
    size_t size_;
    size_t pos_ = 0;
};

// Called at the start of every input: a fresh host stand-in (its logs would otherwise grow
// for the whole run), the default margin, and the in-memory drives.
void BeginInput();

// Files on the in-memory drives, addressed by Windows path (C:\F\A.CSV).
void WriteFile(const std::string& windowsPath, std::string_view bytes);
void RemoveFile(const std::string& windowsPath);

[[noreturn]] void Fail(const char* what, const char* file, int line);

}  // namespace fuzz

#define FUZZ_CHECK(condition)                                           \
    do {                                                                \
        if (!(condition)) ::fuzz::Fail(#condition, __FILE__, __LINE__); \
    } while (0)
