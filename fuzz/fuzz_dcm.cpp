// The DCM reader: Open (directly, or through CLemMap::LinkDcm with its datum conversion), then
// FillBlock with a placement taken from the input. Input layout:
//   byte 0      bit 0 through LinkDcm; bit 1 raw placement (doubles from the input) instead of
//               one near the file's own origin; bits 2-3 number of fills - 1
//   per fill    raw: 4-byte identifier and four 8-byte doubles (lat0, lon0, cells per degree
//               of latitude and of longitude); near: 4 bytes (see below)
//   the rest    the DCM file
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "base/dcm_elevation.h"
#include "base/le_bytes.h"
#include "fuzz/fuzz_support.h"
#include "hostsim/host.h"
#include "lem/lem_map.h"

namespace {

constexpr int kCells = 320 * 320;
constexpr double kMapCellsPerDeg[] = {18000.0, 9000.0, 3600.0, 2400.0, 1800.0, 600.0, 7.5, 1.0e7};

struct Fill {
    int32_t id;
    double lat0;
    double lon0;
    double cellsPerDegLat;
    double cellsPerDegLon;
};

// A block of a 5 m map whose corner lies near the file's origin, so that the samples meet the
// file's tiles (and the cells around them).
Fill NearFill(fuzz::Input& in, const uint8_t* header) {
    const uint8_t b0 = in.U8();
    const uint8_t b1 = in.U8();
    const uint8_t b2 = in.U8();
    const uint8_t b3 = in.U8();
    Fill f{};
    const double srcLat = base::LoadI32(header + CDcmElevation::kLatSecondsOffset) * (1.0 / 3600.0);
    const double srcLon = base::LoadI32(header + CDcmElevation::kLonSecondsOffset) * (1.0 / 3600.0);
    f.lat0 = srcLat + static_cast<int8_t>(b0) * 0.0005;
    f.lon0 = srcLon + static_cast<int8_t>(b1) * 0.0005;
    f.cellsPerDegLat = kMapCellsPerDeg[b2 & 7];
    f.cellsPerDegLon = kMapCellsPerDeg[(b2 >> 3) & 7];
    const int64_t columnBlock = 1 + (b3 & 7);
    const int64_t rowBlock = (b3 >> 3) & 7;
    const int64_t fine = (b2 >> 6) * 11;
    f.id = static_cast<int32_t>(fine + 100 * columnBlock + 10000 * rowBlock);
    return f;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::BeginInput();
    fuzz::Input in(data, size);
    const uint8_t control = in.U8();
    const bool viaLink = (control & 1) != 0;
    const bool raw = (control & 2) != 0;
    const int fillCount = 1 + ((control >> 2) & 3);
    Fill rawFills[4]{};
    uint8_t nearBytes[4][4]{};
    for (int i = 0; i < fillCount; ++i) {
        if (raw) {
            rawFills[i] = Fill{in.I32(), in.F64(), in.F64(), in.F64(), in.F64()};
        } else {
            for (uint8_t& b : nearBytes[i]) b = in.U8();
        }
    }
    const std::string_view file = in.Rest();
    const char* path = "C:\\F\\BASE.DCM";
    fuzz::WriteFile(path, file);

    CLemMap map;
    CDcmElevation* dcm = nullptr;
    std::unique_ptr<CDcmElevation> own;
    platform::Result opened;
    if (viaLink) {
        map.OriginLat = 35.0;
        map.OriginLon = 138.0;
        opened = map.LinkDcm(path);
        dcm = map.SourceAs<CDcmElevation>();
        FUZZ_CHECK(dcm != nullptr);  // stays attached also when the open fails
    } else {
        own = std::make_unique<CDcmElevation>();
        dcm = own.get();
        opened = dcm->Open(path);
    }
    // The only open that can fail with enough memory and an openable file is a refusal.
    FUZZ_CHECK(opened.status != platform::Status::kIoError && opened.status != platform::Status::kNoMemory);
    FUZZ_CHECK(opened.ok() == dcm->Ready());
    if (opened) {
        // Bytes past the end of the file read as zeros, so a file may stop inside the zero word.
        FUZZ_CHECK(file.size() >= 4 && file.substr(0, 4) == "BEVM");
        FUZZ_CHECK((file.size() < 5 || file[4] == 0) && (file.size() < 6 || file[5] == 0));
        FUZZ_CHECK(static_cast<size_t>(dcm->IndexCount()) * CDcmElevation::kIndexEntrySize <= file.size());
    }

    static int16_t block[kCells];
    for (int i = 0; i < fillCount; ++i) {
        Fill f = rawFills[i];
        if (!raw) {
            fuzz::Input near(nearBytes[i], 4);
            f = NearFill(near, dcm->Header());
        }
        std::memset(block, 0x5A, sizeof block);
        const int result = dcm->FillBlock(f.id, block, f.lat0, f.lon0, f.cellsPerDegLat, f.cellsPerDegLon);
        FUZZ_CHECK(result == (opened ? 1 : 0));
        // Not usable: zeros. An empty index: every tile reads as zeros, and so does the block.
        if (!opened || dcm->IndexCount() == 0) {
            static const int16_t zeros[kCells] = {};
            FUZZ_CHECK(std::memcmp(block, zeros, sizeof block) == 0);
        }
    }
    return 0;
}
