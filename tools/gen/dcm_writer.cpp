#include "tools/gen/dcm_writer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>

#include "base/block_id.h"
#include "tools/gen/terrain.h"

namespace gen {
namespace {

void StoreI32(uint8_t* p, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
    p[2] = static_cast<uint8_t>(v >> 16);
    p[3] = static_cast<uint8_t>(v >> 24);
}

int16_t Metres(double z) {
    const double r = std::round(z);
    return static_cast<int16_t>(r < -32768.0 ? -32768.0 : (r > 32767.0 ? 32767.0 : r));
}

}  // namespace

DcmLayout LayoutForBox(double south, double west, double north, double east, int32_t cellsPerDegLat,
                       int32_t cellsPerDegLon, const std::string& datumName) {
    DcmLayout layout;
    layout.originLatSeconds = static_cast<int32_t>(std::floor(south * 3600.0));
    layout.originLonSeconds = static_cast<int32_t>(std::floor(west * 3600.0));
    layout.cellsPerDegLat = cellsPerDegLat;
    layout.cellsPerDegLon = cellsPerDegLon;
    const double rows = std::ceil((north - layout.originLatSeconds / 3600.0) * cellsPerDegLat);
    const double cols = std::ceil((east - layout.originLonSeconds / 3600.0) * cellsPerDegLon);
    layout.rows = static_cast<int32_t>((rows + 319) / 320) * 320;
    layout.cols = static_cast<int32_t>((cols + 319) / 320) * 320;
    layout.datumName = datumName;
    return layout;
}

DcmFile BuildDcm(const DcmLayout& layout, const DcmElevation& elevation, const std::set<int32_t>& omit) {
    const DcmElevation& z = elevation ? elevation : DcmElevation(&TerrainElevation);
    const int32_t tileRows = (layout.rows + 319) / 320;
    const int32_t tileCols = (layout.cols + 319) / 320;

    DcmFile file;
    for (int32_t ty = 0; ty < tileRows; ++ty) {
        for (int32_t tx = 0; tx < tileCols; ++tx) {
            const int32_t id = base::CellToTileId(tx * 320, ty * 320);
            if (omit.count(id) == 0) file.tileIds.push_back(id);
        }
    }
    const size_t count = file.tileIds.size();
    const size_t tilesAt = dcm::kHeaderSize + count * dcm::kIndexEntrySize;
    file.bytes.assign(tilesAt + count * dcm::kTileBytes, 0);
    uint8_t* h = file.bytes.data();
    std::memcpy(h, "\x42\x45\x56\x4D", 4);  // BEVM
    StoreI32(h + 6, static_cast<int32_t>(count));
    StoreI32(h + 10, dcm::kHeaderSize);
    StoreI32(h + 14, layout.originLatSeconds);
    StoreI32(h + 18, layout.originLonSeconds);
    StoreI32(h + 22, layout.cellsPerDegLon);
    StoreI32(h + 26, layout.cellsPerDegLat);
    if (!layout.datumName.empty()) {
        std::memcpy(h + 30, "\x44\x41\x54\x4D", 4);  // DATM
        std::memcpy(h + 34, layout.datumName.data(), std::min<size_t>(layout.datumName.size(), 179));
    }

    const double lat0 = layout.originLatSeconds / 3600.0;
    const double lon0 = layout.originLonSeconds / 3600.0;
    for (size_t i = 0; i < count; ++i) {
        const int32_t id = file.tileIds[i];
        const size_t at = tilesAt + i * dcm::kTileBytes;
        uint8_t* entry = h + dcm::kHeaderSize + i * dcm::kIndexEntrySize;
        StoreI32(entry, id);
        StoreI32(entry + 4, static_cast<int32_t>(at));
        const base::CellPos first = base::BlockIdToCell(id);
        uint8_t* tile = h + at;
        for (int32_t r = 0; r < 320; ++r) {
            const double lat = lat0 + (first.firstRow + r + 0.5) / layout.cellsPerDegLat;
            for (int32_t c = 0; c < 320; ++c) {
                const double lon = lon0 + (first.firstColumn + c + 0.5) / layout.cellsPerDegLon;
                const auto v = static_cast<uint16_t>(Metres(z(lat, lon)));
                tile[2 * (r * 320 + c)] = static_cast<uint8_t>(v);
                tile[2 * (r * 320 + c) + 1] = static_cast<uint8_t>(v >> 8);
            }
        }
    }
    return file;
}

bool WriteDcmFile(const std::string& hostPath, const DcmFile& file) {
    std::ofstream out(hostPath, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(file.bytes.data()), static_cast<std::streamsize>(file.bytes.size()));
    return static_cast<bool>(out);
}

}  // namespace gen
