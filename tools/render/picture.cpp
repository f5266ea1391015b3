#include "tools/render/picture.h"

#include <algorithm>
#include <cmath>
#include <csetjmp>
#include <cstring>

namespace render {
namespace {

constexpr Rgb kNoData{236, 0, 140};
constexpr Rgb kInk{20, 20, 20};
constexpr Rgb kPaper{255, 255, 255};
constexpr int kMargin = 20;
constexpr int kTopBand = 64;
constexpr int kBottomBand = 92;
constexpr int kPanelWidth = 210;
constexpr int kPanelHeight = 430;
constexpr int kMinWidth = 600;

const char* U8(const char8_t* text) {
    return reinterpret_cast<const char*>(text);
}

// Hypsometric tints from the lowland (t = 0) to the summit (t = 1).
Rgb Tint(double t) {
    static const struct {
        double at;
        Rgb c;
    } stops[] = {{0.00, {52, 112, 66}},  {0.08, {104, 150, 84}}, {0.18, {168, 190, 112}}, {0.30, {222, 208, 140}},
                 {0.45, {200, 156, 98}}, {0.62, {160, 108, 78}}, {0.80, {138, 124, 118}}, {1.00, {250, 250, 250}}};
    t = std::clamp(t, 0.0, 1.0);
    for (size_t i = 1; i < std::size(stops); ++i) {
        if (t <= stops[i].at) {
            const double f = (t - stops[i - 1].at) / (stops[i].at - stops[i - 1].at);
            const Rgb& a = stops[i - 1].c;
            const Rgb& b = stops[i].c;
            auto mix = [f](uint8_t x, uint8_t y) { return static_cast<uint8_t>(std::lround(x + (y - x) * f)); };
            return {mix(a.r, b.r), mix(a.g, b.g), mix(a.b, b.b)};
        }
    }
    return stops[std::size(stops) - 1].c;
}

void ErrorFn(png_structp png, png_const_charp message) {
    auto* buffer = static_cast<char*>(png_get_error_ptr(png));
    std::snprintf(buffer, 160, "%s", message);
    png_longjmp(png, 1);
}
void WarningFn(png_structp, png_const_charp) {}

char g_pngError[160];

// libpng reports errors by longjmp to the frame that called setjmp: these frames hold only
// plain data, so nothing with a destructor is skipped.
bool PngWriteRow(png_structp png, png_bytep row) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_write_row(png, row);
    return true;
}

bool PngStart(png_structp png, png_infop info, FILE* file, int w, int h, png_text* texts, int count) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_init_io(png, file);
    png_set_IHDR(png, info, static_cast<png_uint_32>(w), static_cast<png_uint_32>(h), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_text(png, info, texts, count);
    png_set_compression_level(png, 4);  // a few per cent larger than 6, half the time
    png_write_info(png, info);
    return true;
}

bool PngEnd(png_structp png) {
    if (setjmp(png_jmpbuf(png))) return false;
    png_write_end(png, nullptr);
    return true;
}

// A round step for labels: about count steps over span.
int NiceStep(double span, int count) {
    for (int step : {1, 2, 5, 10, 20, 25, 50, 100, 200, 250, 500, 1000, 2000, 2500, 5000})
        if (span / step <= count) return step;
    return 10000;
}

std::string Thousands(long v) {
    std::string digits = std::to_string(std::labs(v));
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(static_cast<size_t>(i), ",");
    return (v < 0 ? "-" : "") + digits;
}

void Triangle(Canvas& c, double ax, double ay, double bx, double by, double cx, double cy, Rgb colour) {
    const int y0 = static_cast<int>(std::floor(std::min({ay, by, cy})));
    const int y1 = static_cast<int>(std::ceil(std::max({ay, by, cy})));
    const int x0 = static_cast<int>(std::floor(std::min({ax, bx, cx})));
    const int x1 = static_cast<int>(std::ceil(std::max({ax, bx, cx})));
    auto edge = [](double px, double py, double qx, double qy, double x, double y) {
        return (qx - px) * (y - py) - (qy - py) * (x - px);
    };
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            // 4 x 4 samples a pixel for smooth edges.
            int inside = 0;
            for (int s = 0; s < 16; ++s) {
                const double sx = x + (s % 4 + 0.5) / 4, sy = y + (s / 4 + 0.5) / 4;
                const double e1 = edge(ax, ay, bx, by, sx, sy), e2 = edge(bx, by, cx, cy, sx, sy),
                             e3 = edge(cx, cy, ax, ay, sx, sy);
                if ((e1 >= 0 && e2 >= 0 && e3 >= 0) || (e1 <= 0 && e2 <= 0 && e3 <= 0)) ++inside;
            }
            c.Blend(x, y, colour, inside * 255 / 16);
        }
}

}  // namespace

std::string Dms(double degrees, char positive, char negative) {
    const char hemisphere = degrees < 0 ? negative : positive;
    // Tenths of a second, rounded once, so that 59.96" never prints as 60.0".
    const long tenths = std::lround(std::fabs(degrees) * 36000.0);
    char text[64];
    std::snprintf(text, sizeof text, U8(u8"%ld°%02ld′%02ld.%ld″%c"), tenths / 36000, tenths / 600 % 60,
                  tenths / 10 % 60, tenths % 10, hemisphere);
    return text;
}

PngMapWriter::~PngMapWriter() {
    if (png_) png_destroy_write_struct(&png_, &info_);
}

int64_t PngMapWriter::MemoryFor(int mapWidth) {
    const int64_t width = std::max<int64_t>(mapWidth + kMargin * 2 + 24 + kPanelWidth, kMinWidth);
    return 65536 * 3 + 3 * int64_t{mapWidth} * 2 + width * 3 * (1 + kTopBand + kBottomBand) +
           kPanelWidth * kPanelHeight * 3;
}

bool PngMapWriter::Begin(FILE* file, const MapFrame& frame, std::string& error) {
    frame_ = frame;
    if (!font_.Load(error)) return false;
    mapLeft_ = kMargin;
    panelLeft_ = kMargin + frame.width + 24;
    totalWidth_ = std::max(panelLeft_ + kPanelWidth + kMargin, kMinWidth);
    middleHeight_ = std::max(frame.height, kPanelHeight);
    const int64_t totalHeight = int64_t{kTopBand} + middleHeight_ + kBottomBand;
    if (totalHeight > INT32_MAX || totalWidth_ <= 0) {
        error = "the picture is too large for PNG";
        return false;
    }
    for (auto& row : rows_) row.assign(static_cast<size_t>(frame.width), kNoValue);
    tints_.resize(65536);
    for (int v = INT16_MIN; v <= INT16_MAX; ++v)
        tints_[static_cast<size_t>(v - INT16_MIN)] =
            Tint(double(v - frame.rangeMin) / (frame.rangeMax - frame.rangeMin));
    line_.assign(static_cast<size_t>(totalWidth_) * 3, 255);

    png_ = png_create_write_struct(PNG_LIBPNG_VER_STRING, g_pngError, ErrorFn, WarningFn);
    info_ = png_ ? png_create_info_struct(png_) : nullptr;
    if (!png_ || !info_) {
        error = "libpng could not start";
        return false;
    }
    title_ = frame.title;
    software_ = "tephrix-render";
    png_text texts[2] = {};
    texts[0].compression = PNG_ITXT_COMPRESSION_NONE;
    texts[0].key = const_cast<char*>("Title");
    texts[0].text = title_.data();
    texts[0].itxt_length = title_.size();
    texts[0].lang = const_cast<char*>("ja");
    texts[1].compression = PNG_TEXT_COMPRESSION_NONE;
    texts[1].key = const_cast<char*>("Software");
    texts[1].text = software_.data();
    texts[1].text_length = software_.size();
    if (!PngStart(png_, info_, file, totalWidth_, static_cast<int>(totalHeight), texts, 2)) {
        error = std::string("PNG: ") + g_pngError;
        return false;
    }

    // Above the map: the title, and the northern corners' coordinates.
    Canvas top(totalWidth_, kTopBand);
    font_.Draw(top, kMargin, 34, frame.title.empty() ? "(untitled)" : frame.title, 28, kInk);
    const std::string nw = Dms(frame.north, 'N', 'S') + "  " + Dms(frame.west, 'E', 'W');
    const std::string ne = Dms(frame.north, 'N', 'S') + "  " + Dms(frame.east, 'E', 'W');
    font_.Draw(top, mapLeft_, kTopBand - 8, nw, 14, kInk);
    const int neWidth = font_.Measure(ne, 14);
    if (mapLeft_ + frame.width - neWidth > mapLeft_ + font_.Measure(nw, 14) + 16)
        font_.Draw(top, mapLeft_ + frame.width - neWidth, kTopBand - 8, ne, 14, kInk);
    top.Fill(mapLeft_ - 1, kTopBand - 4, mapLeft_, kTopBand, kInk);  // corner ticks
    top.Fill(mapLeft_ + frame.width, kTopBand - 4, mapLeft_ + frame.width + 1, kTopBand, kInk);

    // Beside the map: the legend, the no-data swatch and the north arrow.
    panel_ = std::make_unique<Canvas>(kPanelWidth, kPanelHeight);
    Canvas& p = *panel_;
    font_.Draw(p, 0, 16, U8(u8"Height (m)"), 17, kInk);
    const int barTop = 30, barBottom = 290, barWidth = 22;
    const double span = frame.rangeMax - frame.rangeMin;
    for (int y = barTop; y <= barBottom; ++y)
        p.Fill(0, y, barWidth, y + 1, Tint(static_cast<double>(barBottom - y) / (barBottom - barTop)));
    const int step = NiceStep(span, 8);
    for (long v = static_cast<long>(std::ceil(frame.rangeMin / double(step))) * step; v <= frame.rangeMax; v += step) {
        const int y = barBottom - static_cast<int>(std::lround((v - frame.rangeMin) / span * (barBottom - barTop)));
        p.Fill(barWidth, y, barWidth + 5, y + 1, kInk);
        font_.Draw(p, barWidth + 9, y + 5, Thousands(v), 15, kInk);
    }
    p.Fill(0, 306, barWidth, 324, kNoData);
    font_.Draw(p, barWidth + 9, 320, U8(u8"no data"), 15, kInk);
    font_.Draw(p, 0, 346, frame.stretched ? "stretched over this map" : "fixed: maps compare", 12, {90, 90, 90});
    const double ax = 30;
    font_.Draw(p, static_cast<int>(ax) - font_.Measure("N", 18) / 2, 378, "N", 18, kInk);
    Triangle(p, ax, 384, ax - 13, 424, ax, 412, kInk);
    Triangle(p, ax, 384, ax + 13, 424, ax, 412, {150, 150, 150});

    for (int y = 0; y < kTopBand; ++y) {
        std::memcpy(line_.data(), top.Row(y), line_.size());
        if (!WriteRow(error)) return false;
    }
    return true;
}

bool PngMapWriter::WriteRow(std::string& error) {
    if (PngWriteRow(png_, line_.data())) return true;
    error = std::string("PNG: ") + g_pngError;
    return false;
}

bool PngMapWriter::PutRow(const int16_t* heights, std::string& error) {
    const size_t n = static_cast<size_t>(frame_.width);
    if (received_++ == 0) {
        std::copy(heights, heights + n, rows_[1].begin());
        rows_[0] = rows_[1];
        return true;
    }
    std::copy(heights, heights + n, rows_[2].begin());
    if (!EmitMapRow(error)) return false;
    std::swap(rows_[0], rows_[1]);
    std::swap(rows_[1], rows_[2]);
    return true;
}

bool PngMapWriter::EmitMapRow(std::string& error) {
    const int y = emitted_++;
    std::fill(line_.begin(), line_.end(), 255);
    // Light from the north-west, 45 degrees up; gradients over two pixels of ground.
    const double lx = -0.5, ly = 0.5, lz = std::sqrt(0.5);
    const double d = frame_.pixelMetres * 2;
    const int w = frame_.width;
    for (int x = 0; x < w; ++x) {
        const int16_t v = rows_[1][static_cast<size_t>(x)];
        uint8_t* px = &line_[static_cast<size_t>(mapLeft_ + x) * 3];
        if (v == kNoValue) {
            px[0] = kNoData.r, px[1] = kNoData.g, px[2] = kNoData.b;
            continue;
        }
        auto at = [&](int row, int xx) {
            const int16_t h = rows_[row][static_cast<size_t>(std::clamp(xx, 0, w - 1))];
            return h == kNoValue ? double(v) : double(h);
        };
        const double gx = (at(1, x + 1) - at(1, x - 1)) / d;
        const double gy = (at(0, x) - at(2, x)) / d;  // row 0 lies north
        const double len = std::sqrt(gx * gx + gy * gy + 1.0);
        const double shade = std::max(0.0, (-gx * lx - gy * ly + lz) / len);
        const Rgb c = tints_[static_cast<size_t>(v - INT16_MIN)];
        const double k = 0.35 + 0.75 * shade;
        px[0] = static_cast<uint8_t>(std::min(255.0, c.r * k));
        px[1] = static_cast<uint8_t>(std::min(255.0, c.g * k));
        px[2] = static_cast<uint8_t>(std::min(255.0, c.b * k));
    }
    if (y < panel_->Height())
        std::memcpy(&line_[static_cast<size_t>(panelLeft_) * 3], panel_->Row(y), static_cast<size_t>(kPanelWidth) * 3);
    return WriteRow(error);
}

bool PngMapWriter::Finish(std::string& error) {
    if (received_ > 0) {
        rows_[2] = rows_[1];
        if (!EmitMapRow(error)) return false;
    }
    for (int y = emitted_; y < middleHeight_; ++y) {
        std::fill(line_.begin(), line_.end(), 255);
        if (y < panel_->Height())
            std::memcpy(&line_[static_cast<size_t>(panelLeft_) * 3], panel_->Row(y),
                        static_cast<size_t>(kPanelWidth) * 3);
        if (!WriteRow(error)) return false;
    }
    // Below the map: the southern corners, the scale bar, the datum and the source.
    Canvas bottom(totalWidth_, kBottomBand);
    const int right = mapLeft_ + frame_.width;
    bottom.Fill(mapLeft_ - 1, 0, mapLeft_, 4, kInk);
    bottom.Fill(right, 0, right + 1, 4, kInk);
    const std::string sw = Dms(frame_.south, 'N', 'S') + "  " + Dms(frame_.west, 'E', 'W');
    const std::string se = Dms(frame_.south, 'N', 'S') + "  " + Dms(frame_.east, 'E', 'W');
    font_.Draw(bottom, mapLeft_, 18, sw, 14, kInk);
    const int seWidth = font_.Measure(se, 14);
    if (right - seWidth > mapLeft_ + font_.Measure(sw, 14) + 16) font_.Draw(bottom, right - seWidth, 18, se, 14, kInk);

    // The longest round length within a quarter of the map's width (at least 60 pixels' worth).
    const double ground = std::max(frame_.width / 4, 60) * frame_.pixelMetres;
    double length = 1;
    for (double l : {1.0, 2.0, 5.0, 10.0, 20.0, 50.0, 100.0, 200.0, 500.0, 1000.0, 2000.0, 5000.0, 10000.0, 20000.0,
                     50000.0, 100000.0, 200000.0, 500000.0, 1000000.0})
        if (l <= ground) length = l;
    const int barPixels = std::max(4, static_cast<int>(std::lround(length / frame_.pixelMetres)));
    const int barY = 36;
    for (int s = 0; s < 4; ++s) {
        const int x0 = mapLeft_ + barPixels * s / 4, x1 = mapLeft_ + barPixels * (s + 1) / 4;
        bottom.Fill(x0, barY, x1, barY + 7, s % 2 ? kPaper : kInk);
    }
    bottom.Fill(mapLeft_, barY, mapLeft_ + barPixels, barY + 1, kInk);
    bottom.Fill(mapLeft_, barY + 6, mapLeft_ + barPixels, barY + 7, kInk);
    bottom.Fill(mapLeft_ + barPixels - 1, barY, mapLeft_ + barPixels, barY + 7, kInk);
    const std::string label = length >= 1000 ? Thousands(static_cast<long>(length / 1000)) + " km"
                                             : Thousands(static_cast<long>(length)) + " m";
    font_.Draw(bottom, mapLeft_ + barPixels + 8, barY + 8, label, 15, kInk);
    std::string foot = frame_.datum;
    if (!frame_.note.empty()) foot += U8(u8"  ·  ") + frame_.note;
    font_.Draw(bottom, mapLeft_, 72, foot, 14, {70, 70, 70});
    for (int y = 0; y < kBottomBand; ++y) {
        std::memcpy(line_.data(), bottom.Row(y), line_.size());
        if (!WriteRow(error)) return false;
    }
    if (!PngEnd(png_)) {
        error = std::string("PNG: ") + g_pngError;
        return false;
    }
    return true;
}

}  // namespace render
