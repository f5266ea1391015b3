// Text drawn with FreeType from a TrueType font of the system (IPA Gothic: Latin and Japanese).
#pragma once

#include <cstdint>
#include <string>

namespace render {

struct Rgb {
    uint8_t r, g, b;
};

// An RGB picture in memory; drawing outside it is clipped.
class Canvas {
public:
    Canvas(int w, int h, Rgb fill = {255, 255, 255});
    void Set(int x, int y, Rgb c);
    // c over the pixel with coverage a (0..255).
    void Blend(int x, int y, Rgb c, int a);
    void Fill(int x0, int y0, int x1, int y1, Rgb c);  // [x0, x1) x [y0, y1)
    [[nodiscard]] int Width() const { return w_; }
    [[nodiscard]] int Height() const { return h_; }
    [[nodiscard]] const uint8_t* Row(int y) const { return &px_[static_cast<size_t>(y) * static_cast<size_t>(w_) * 3]; }

private:
    int w_, h_;
    std::basic_string<uint8_t> px_;
};

class Font {
public:
    Font();
    ~Font();
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Loads the first of the known font files that exists; false with error set.
    [[nodiscard]] bool Load(std::string& error);
    // Width in pixels of UTF-8 text at a pixel size.
    [[nodiscard]] int Measure(const std::string& utf8, int size);
    // Draws UTF-8 text with its baseline at y; returns the advance.
    int Draw(Canvas& canvas, int x, int y, const std::string& utf8, int size, Rgb colour);

private:
    struct Impl;
    Impl* impl_;
};

}  // namespace render
