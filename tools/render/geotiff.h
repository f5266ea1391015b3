// The composited heights as a GeoTIFF through GDAL: int16, tiled, DEFLATE-compressed, on the
// sheet's geographic datum, no data -9999. Rows arrive from the north, one band of them at a time.
#pragma once

#include <cstdint>
#include <string>

namespace render {

struct GeoFrame {
    int width = 0;
    int height = 0;
    double west = 0, north = 0;         // degrees, outer edges of the north-west pixel
    double pixelLon = 0, pixelLat = 0;  // degrees a pixel
    int epsg = 4301;
    std::string title;  // UTF-8, as TIFFTAG_DOCUMENTNAME
};

constexpr int16_t kGeoTiffNoData = -9999;

class GeoTiffWriter {
public:
    GeoTiffWriter() = default;
    ~GeoTiffWriter();
    GeoTiffWriter(const GeoTiffWriter&) = delete;
    GeoTiffWriter& operator=(const GeoTiffWriter&) = delete;

    // GDAL's block cache for a tiled file, plus the tile row being filled.
    [[nodiscard]] static int64_t MemoryFor(int width);
    [[nodiscard]] bool Create(const std::string& path, const GeoFrame& frame, std::string& error);
    // count rows of frame.width values from the next row on; kNoValue cells become no data.
    [[nodiscard]] bool PutRows(int16_t* rows, int count, std::string& error);
    // Flushes and closes the file.
    [[nodiscard]] bool Close(std::string& error);

private:
    void* dataset_ = nullptr;  // GDALDatasetH
    int width_ = 0;
    int next_ = 0;
};

}  // namespace render
