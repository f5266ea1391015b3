// The map as a PNG, written row by row as the heights arrive: hypsometric colours over a fixed
// height range, hill shading, a title, a legend with the no-data swatch, a scale bar, a north
// arrow and the corner coordinates. Memory follows the picture's width, not its height.
#pragma once

#include <png.h>

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "tools/render/font.h"

namespace render {

constexpr int16_t kNoValue = INT16_MIN;  // a cell no source filled

struct MapFrame {
    int width = 0;  // map pixels
    int height = 0;
    double west = 0, east = 0, south = 0, north = 0;  // degrees, edges of the drawn area
    double pixelMetres = 5;                           // ground size of one (square) pixel
    std::string title;                                // UTF-8
    std::string datum;                                // e.g. "Tokyo datum (EPSG:4301)"
    std::string note;                                 // e.g. the 50 m background; UTF-8
    int rangeMin = 0, rangeMax = 3800;                // metres the colour ramp spans
    bool stretched = false;                           // the range is this map's own (--auto-range)
};

// "35°20'04.0"N" style text of an angle in degrees.
[[nodiscard]] std::string Dms(double degrees, char positive, char negative);

class PngMapWriter {
public:
    PngMapWriter() = default;
    ~PngMapWriter();
    PngMapWriter(const PngMapWriter&) = delete;
    PngMapWriter& operator=(const PngMapWriter&) = delete;

    // Bytes the writer holds for a map of this width, besides libpng's own few kilobytes.
    [[nodiscard]] static int64_t MemoryFor(int mapWidth);
    // Writes the PNG's header and everything above the map; false with error set.
    [[nodiscard]] bool Begin(FILE* file, const MapFrame& frame, std::string& error);
    // The next map row from the north: frame.width heights in metres, kNoValue for no data.
    [[nodiscard]] bool PutRow(const int16_t* heights, std::string& error);
    // After the last row: the rest of the picture and the PNG's end.
    [[nodiscard]] bool Finish(std::string& error);

private:
    bool EmitMapRow(std::string& error);  // shades and writes rows_[1] with its neighbours
    bool WriteCanvasRows(const Canvas& canvas, std::string& error);
    bool WriteRow(std::string& error);

    MapFrame frame_;
    Font font_;
    png_structp png_ = nullptr;
    png_infop info_ = nullptr;
    int totalWidth_ = 0;
    int middleHeight_ = 0;
    int mapLeft_ = 0;
    int panelLeft_ = 0;
    std::unique_ptr<Canvas> panel_;
    std::vector<int16_t> rows_[3];  // the rows north of, at and south of the one to shade
    int received_ = 0;
    int emitted_ = 0;
    std::vector<uint8_t> line_;
    std::vector<Rgb> tints_;  // the ramp's colour of every height
    std::string title_, software_;
};

}  // namespace render
