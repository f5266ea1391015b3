// Writes DCM elevation files ("BEVM") of the synthetic landscape: header, index and whole
// 320 x 320 tiles, sampled at the centres of the file's cells.
#pragma once

#include <cstdint>
#include <functional>
#include <set>
#include <string>
#include <vector>

namespace gen {

struct DcmLayout {
    int32_t originLatSeconds = 0;  // south-west corner, whole seconds of arc
    int32_t originLonSeconds = 0;
    int32_t cellsPerDegLat = 2400;  // about 46 m
    int32_t cellsPerDegLon = 1800;  // about 46 m at 35 degrees north
    int32_t rows = 320;             // extent covered by tiles, rounded up to whole tiles
    int32_t cols = 320;
    std::string datumName;  // empty: no "DATM" tag (the host's datum 1)
};

// A whole-second origin at or south-west of the box, and a grid that covers the box.
[[nodiscard]] DcmLayout LayoutForBox(double south, double west, double north, double east,
                                     int32_t cellsPerDegLat = 2400, int32_t cellsPerDegLon = 1800,
                                     const std::string& datumName = {});

// Elevation in metres at a position in the file's datum. The default samples the synthetic
// terrain, whose positions are in the Tokyo datum (datum 1).
using DcmElevation = std::function<double(double lat, double lon)>;

struct DcmFile {
    std::vector<uint8_t> bytes;
    std::vector<int32_t> tileIds;  // in file order
};

// Tiles whose identifier is in omit are left out of the file (they read as zeros).
[[nodiscard]] DcmFile BuildDcm(const DcmLayout& layout, const DcmElevation& elevation = {},
                               const std::set<int32_t>& omit = {});

// Writes the file at a host (POSIX) path; false when it cannot be written.
[[nodiscard]] bool WriteDcmFile(const std::string& hostPath, const DcmFile& file);

// Byte offsets of the format, for tests that build damaged files.
namespace dcm {
constexpr int kHeaderSize = 214;
constexpr int kIndexEntrySize = 16;
constexpr int kTileBytes = 320 * 320 * 2;
}  // namespace dcm

}  // namespace gen
