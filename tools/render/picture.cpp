#include "tools/render/picture.h"

#include <png.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

namespace render {
namespace {

struct Rgb {
    uint8_t r, g, b;
};

constexpr Rgb kNoData{236, 0, 140};

// Hypsometric tints from the lowland to the summit.
Rgb Tint(double t) {
    static const struct {
        double at;
        Rgb c;
    } stops[] = {{0.00, {46, 110, 62}},   {0.20, {120, 165, 90}},  {0.40, {215, 200, 125}},
                 {0.60, {180, 130, 80}},  {0.80, {130, 110, 100}}, {1.00, {248, 248, 248}}};
    t = std::clamp(t, 0.0, 1.0);
    for (size_t i = 1; i < std::size(stops); ++i) {
        if (t <= stops[i].at) {
            double f = (t - stops[i - 1].at) / (stops[i].at - stops[i - 1].at);
            const Rgb& a = stops[i - 1].c;
            const Rgb& b = stops[i].c;
            return {static_cast<uint8_t>(a.r + (b.r - a.r) * f), static_cast<uint8_t>(a.g + (b.g - a.g) * f),
                    static_cast<uint8_t>(a.b + (b.b - a.b) * f)};
        }
    }
    return stops[std::size(stops) - 1].c;
}

// A 5 x 7 pixel font for the scale's labels: digits, minus and 'm'.
const uint8_t* Glyph(char c) {
    static const uint8_t digits[10][7] = {
        {14, 17, 19, 21, 25, 17, 14}, {4, 12, 4, 4, 4, 4, 14},   {14, 17, 1, 2, 4, 8, 31},
        {31, 2, 4, 2, 1, 17, 14},     {2, 6, 10, 18, 31, 2, 2},  {31, 16, 30, 1, 1, 17, 14},
        {6, 8, 16, 30, 17, 17, 14},   {31, 1, 2, 4, 8, 8, 8},    {14, 17, 17, 14, 17, 17, 14},
        {14, 17, 17, 15, 1, 2, 12}};
    static const uint8_t minus[7] = {0, 0, 0, 31, 0, 0, 0};
    static const uint8_t metre[7] = {0, 0, 26, 21, 21, 21, 21};
    if (c >= '0' && c <= '9') return digits[c - '0'];
    if (c == '-') return minus;
    if (c == 'm') return metre;
    return nullptr;
}

class Canvas {
public:
    Canvas(int w, int h) : w_(w), h_(h), px_(size_t(w) * h * 3, 255) {}
    void Set(int x, int y, Rgb c) {
        if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
        uint8_t* p = &px_[(size_t(y) * w_ + x) * 3];
        p[0] = c.r;
        p[1] = c.g;
        p[2] = c.b;
    }
    void Text(int x, int y, const std::string& text, int zoom, Rgb c) {
        for (char ch : text) {
            if (const uint8_t* g = Glyph(ch)) {
                for (int row = 0; row < 7; ++row)
                    for (int col = 0; col < 5; ++col)
                        if (g[row] & (16 >> col))
                            for (int dy = 0; dy < zoom; ++dy)
                                for (int dx = 0; dx < zoom; ++dx) Set(x + col * zoom + dx, y + row * zoom + dy, c);
            }
            x += 6 * zoom;
        }
    }
    [[nodiscard]] int Width() const { return w_; }
    [[nodiscard]] int Height() const { return h_; }
    [[nodiscard]] const uint8_t* Row(int y) const { return &px_[size_t(y) * w_ * 3]; }

private:
    int w_, h_;
    std::vector<uint8_t> px_;
};

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

// libpng's error path longjmps back here: only plain data lives in this frame. Returns null on
// success, else what went wrong.
const char* WritePng(FILE* file, const Canvas& canvas, png_text* texts, int textCount) {
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop pinfo = png ? png_create_info_struct(png) : nullptr;
    if (!png || !pinfo) {
        png_destroy_write_struct(&png, &pinfo);
        return "libpng could not start writing";
    }
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &pinfo);
        return "libpng failed writing";
    }
    png_init_io(png, file);
    png_set_IHDR(png, pinfo, canvas.Width(), canvas.Height(), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_text(png, pinfo, texts, textCount);
    png_write_info(png, pinfo);
    for (int y = 0; y < canvas.Height(); ++y) png_write_row(png, const_cast<png_bytep>(canvas.Row(y)));
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &pinfo);
    return nullptr;
}

}  // namespace

void Grid::PutBlock(int x0, int y0, const int16_t* block) {
    for (int r = 0; r < 320; ++r) {
        if (y0 + r >= height_) break;
        int16_t* row = &cells_[size_t(y0 + r) * width_ + x0];
        std::memcpy(row, block + r * 320, sizeof(int16_t) * std::min(320, width_ - x0));
    }
}

bool WritePicture(const Grid& grid, const PictureInfo& info, const std::string& path, std::string& error) {
    const int s = std::max(1, info.scale);
    const int mapW = grid.Width() / s;
    const int mapH = grid.Height() / s;
    const int strip = 110;
    if (mapW <= 0 || mapH <= 0) {
        error = "nothing to draw";
        return false;
    }
    int lo = INT16_MAX, hi = INT16_MIN;
    for (int y = 0; y < grid.Height(); ++y)
        for (int x = 0; x < grid.Width(); ++x) {
            int16_t v = grid.At(x, y);
            if (v == info.noValue) continue;
            lo = std::min<int>(lo, v);
            hi = std::max<int>(hi, v);
        }
    if (lo > hi) lo = hi = 0;
    const double span = std::max(1, hi - lo);

    Canvas canvas(mapW + strip, std::max(mapH, 200));
    // Light from the north-west, 45 degrees up.
    const double lx = -std::sqrt(0.5) * std::sqrt(0.5), ly = std::sqrt(0.5) * std::sqrt(0.5), lz = std::sqrt(0.5);
    const double dxm = info.cellMetresX * s * 2, dym = info.cellMetresY * s * 2;
    for (int py = 0; py < mapH; ++py) {
        const int y = (mapH - 1 - py) * s;  // north at the top
        for (int px = 0; px < mapW; ++px) {
            const int x = px * s;
            int16_t v = grid.At(x, y);
            if (v == info.noValue) {
                canvas.Set(px, py, kNoData);
                continue;
            }
            auto at = [&](int xx, int yy) {
                xx = std::clamp(xx, 0, grid.Width() - 1);
                yy = std::clamp(yy, 0, grid.Height() - 1);
                int16_t w = grid.At(xx, yy);
                return w == info.noValue ? double(v) : double(w);
            };
            double gx = (at(x + s, y) - at(x - s, y)) / dxm;
            double gy = (at(x, y + s) - at(x, y - s)) / dym;
            double nx = -gx, ny = -gy, nz = 1.0;
            double len = std::sqrt(nx * nx + ny * ny + nz * nz);
            double shade = std::max(0.0, (nx * lx + ny * ly + nz * lz) / len);
            Rgb c = Tint((v - lo) / span);
            double k = 0.35 + 0.75 * shade;
            canvas.Set(px, py,
                       {static_cast<uint8_t>(std::min(255.0, c.r * k)), static_cast<uint8_t>(std::min(255.0, c.g * k)),
                        static_cast<uint8_t>(std::min(255.0, c.b * k))});
        }
    }
    // The colour scale: a bar from the lowest (bottom) to the highest value, with labels.
    const int barX = mapW + 12, barTop = 20, barBottom = canvas.Height() - 40;
    for (int y = barTop; y <= barBottom; ++y) {
        Rgb c = Tint(double(barBottom - y) / std::max(1, barBottom - barTop));
        for (int x = barX; x < barX + 18; ++x) canvas.Set(x, y, c);
    }
    for (int i = 0; i <= 4; ++i) {
        int value = lo + static_cast<int>(std::lround(span * i / 4.0));
        int y = barBottom - (barBottom - barTop) * i / 4;
        for (int x = barX + 18; x < barX + 24; ++x) canvas.Set(x, y, {0, 0, 0});
        canvas.Text(barX + 27, y - 7, std::to_string(value) + "m", 2, {0, 0, 0});
    }
    for (int y = barBottom + 14; y < barBottom + 30; ++y)
        for (int x = barX; x < barX + 18; ++x) canvas.Set(x, y, kNoData);

    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) {
        error = "cannot write " + path;
        return false;
    }
    // Everything with a destructor stays out here: a longjmp from libpng then skips none.
    const std::string title = info.title;
    const std::string software = "tephrix-render";
    png_text texts[2] = {};
    texts[0].compression = PNG_ITXT_COMPRESSION_NONE;
    texts[0].key = const_cast<char*>("Title");
    texts[0].text = const_cast<char*>(title.data());
    texts[0].itxt_length = title.size();
    texts[0].lang = const_cast<char*>("ja");
    texts[1].compression = PNG_TEXT_COMPRESSION_NONE;
    texts[1].key = const_cast<char*>("Software");
    texts[1].text = const_cast<char*>(software.data());
    texts[1].text_length = software.size();
    if (const char* failure = WritePng(file.get(), canvas, texts, 2)) {
        error = std::string(failure) + " " + path;
        return false;
    }
    return true;
}

}  // namespace render
