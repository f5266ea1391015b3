// The vector conversion of a data line's fields against the field-by-field conversion, on every
// path this processor runs. Input: the run of fields; its last bytes beyond a whole field, up
// to three, are what follows the run (a line end, usually).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <memory>

#include "fuzz/fuzz_support.h"
#include "lem/field_row.h"

namespace {

constexpr int kMaxFields = 400;  // wider than a block row
constexpr int32_t kUnwritten = 0x5A5A5A5A;
constexpr int16_t kBase = 0x3C3C;

// The C library's conversion of the five bytes taken as a terminated string: the reference the
// field readers must agree with, sharing no code with them.
int32_t Strtol(const char* field) {
    char text[6];
    std::memcpy(text, field, 5);
    text[5] = '\0';
    return static_cast<int32_t>(std::strtol(text, nullptr, 10));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const int count = static_cast<int>(std::min<size_t>(size / 5, kMaxFields));
    const size_t runBytes = static_cast<size_t>(count) * 5;
    // Exactly the bytes the contract promises, on the heap, so that a read past them is caught.
    const size_t bytes = runBytes + 3;
    const std::unique_ptr<char[]> text(new char[bytes]());
    std::memcpy(text.get(), data, std::min(size, bytes));

    for (const lem::FieldRowPath path :
         {lem::FieldRowPath::kBest, lem::FieldRowPath::kSsse3, lem::FieldRowPath::kSse2}) {
        int32_t values[kMaxFields + 1];
        std::fill(values, values + kMaxFields + 1, kUnwritten);
        lem::ParseFieldRow(text.get(), count, values, path);
        for (int k = 0; k < count; ++k) FUZZ_CHECK(values[k] == Strtol(text.get() + 5 * k));
        FUZZ_CHECK(values[count] == kUnwritten);

        int16_t metres[kMaxFields + 1];
        std::fill(metres, metres + kMaxFields + 1, kBase);
        lem::StoreMetres(values, count, metres);
        for (int k = 0; k < count; ++k) {
            const int32_t v = values[k];
            const int16_t want = v == -9999 || v == -1111 ? kBase : static_cast<int16_t>((v + 5) / 10);
            FUZZ_CHECK(metres[k] == want);
        }
        FUZZ_CHECK(metres[count] == kBase);

        // Straight from the text: the same metres and the same cells reported kept.
        int16_t direct[kMaxFields + 1];
        std::fill(direct, direct + kMaxFields + 1, kBase);
        const lem::KeptCells kept = lem::StoreFieldRow(text.get(), count, direct, nullptr, path);
        FUZZ_CHECK(std::equal(direct, direct + kMaxFields + 1, metres));
        int first = count, end = 0;
        for (int k = 0; k < count; ++k) {
            if (values[k] != -9999 && values[k] != -1111) continue;
            first = std::min(first, k);
            end = k + 1;
        }
        if (end == 0) first = 0;
        FUZZ_CHECK(kept.first == first && kept.end == end);
    }
    return 0;
}
