// The rendered picture: a grid of elevations assembled from blocks, coloured hypsometrically
// with hill shading, a colour scale in metres beside it, written as PNG through libpng.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace render {

// Elevations in metres, row 0 at the south like the blocks.
class Grid {
public:
    Grid(int width, int height, int16_t fill) : width_(width), height_(height), cells_(size_t(width) * height, fill) {}
    void PutBlock(int x0, int y0, const int16_t* block);
    [[nodiscard]] int Width() const { return width_; }
    [[nodiscard]] int Height() const { return height_; }
    [[nodiscard]] int16_t At(int x, int y) const { return cells_[size_t(y) * width_ + x]; }

private:
    int width_;
    int height_;
    std::vector<int16_t> cells_;
};

struct PictureInfo {
    std::string title;  // UTF-8
    double cellMetresX = 5;
    double cellMetresY = 5;
    int16_t noValue = INT16_MIN;
    int scale = 1;
};

[[nodiscard]] bool WritePicture(const Grid& grid, const PictureInfo& info, const std::string& path, std::string& error);

}  // namespace render
