// The CSV header reader in both modes. Input: one mode byte (bit 0 set: title mode), then the
// header file's bytes.
#include <cstddef>
#include <cstdint>

#include "fuzz/fuzz_support.h"
#include "hostsim/host.h"
#include "lem/lem_map.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::BeginInput();
    fuzz::Input in(data, size);
    const int headerOnly = in.U8() & 1;
    const char* path = "C:\\F\\HEADER\\S.CSV";
    fuzz::WriteFile(path, in.Rest());

    CLemMap map;
    // Title mode must leave the row table as it was.
    map.RowTable = {7, 7};
    const platform::Result accepted = CLemMap::ReadHeader(path, map, headerOnly);

    // The file opens and every count is bounded: whatever it holds is accepted or refused, never
    // an I/O or memory failure, and the reader shows nothing.
    FUZZ_CHECK(accepted.status != platform::Status::kIoError && accepted.status != platform::Status::kNoMemory);
    FUZZ_CHECK(hostsim::Get().Desktop().MessageBoxes().empty());
    FUZZ_CHECK(map.Title.size() <= 256);
    if (headerOnly) {
        FUZZ_CHECK(map.RowTable.size() == 2 && map.RowTable[0] == 7 && map.RowTable[1] == 7);
        FUZZ_CHECK(map.RecordCount == 0);
    } else if (accepted) {
        FUZZ_CHECK(map.RecordCount > 0 && map.RecordCount <= CLemMap::kMaxRowFlags);
        FUZZ_CHECK(static_cast<size_t>(map.RecordCount) == map.RowTable.size());
        for (int64_t v : map.RowTable) FUZZ_CHECK(v == 1 || v == -1);
    }
    if (accepted) {
        FUZZ_CHECK(map.Cols > 0 && map.Cols <= CLemMap::kMaxCols);
        FUZZ_CHECK(map.Rows > 0 && map.Rows <= CLemMap::kMaxRows);
    }
    return 0;
}
