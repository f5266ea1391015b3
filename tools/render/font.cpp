#include "tools/render/font.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <sys/stat.h>

namespace render {

Canvas::Canvas(int w, int h, Rgb fill) : w_(w), h_(h), px_(static_cast<size_t>(w) * static_cast<size_t>(h) * 3, 0) {
    Fill(0, 0, w, h, fill);
}

void Canvas::Set(int x, int y, Rgb c) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_) return;
    uint8_t* p = &px_[(static_cast<size_t>(y) * static_cast<size_t>(w_) + static_cast<size_t>(x)) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
}

void Canvas::Blend(int x, int y, Rgb c, int a) {
    if (x < 0 || y < 0 || x >= w_ || y >= h_ || a <= 0) return;
    uint8_t* p = &px_[(static_cast<size_t>(y) * static_cast<size_t>(w_) + static_cast<size_t>(x)) * 3];
    auto mix = [a](uint8_t under, uint8_t over) {
        return static_cast<uint8_t>((under * (255 - a) + over * a + 127) / 255);
    };
    p[0] = mix(p[0], c.r);
    p[1] = mix(p[1], c.g);
    p[2] = mix(p[2], c.b);
}

void Canvas::Fill(int x0, int y0, int x1, int y1, Rgb c) {
    for (int y = std::max(0, y0); y < std::min(h_, y1); ++y)
        for (int x = std::max(0, x0); x < std::min(w_, x1); ++x) Set(x, y, c);
}

namespace {

// Decodes UTF-8; a malformed byte becomes U+FFFD.
char32_t NextCodePoint(const std::string& s, size_t& i) {
    const auto c = static_cast<unsigned char>(s[i++]);
    if (c < 0x80) return c;
    const int len = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : -1;
    if (len < 0 || i + static_cast<size_t>(len) > s.size()) return 0xFFFD;
    char32_t cp = c & (0x3F >> len);
    for (int k = 0; k < len; ++k) {
        const auto b = static_cast<unsigned char>(s[i]);
        if ((b & 0xC0) != 0x80) return 0xFFFD;
        cp = (cp << 6) | (b & 0x3F);
        ++i;
    }
    return cp;
}

}  // namespace

struct Font::Impl {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
};

Font::Font() : impl_(new Impl) {}

Font::~Font() {
    if (impl_->face) FT_Done_Face(impl_->face);
    if (impl_->library) FT_Done_FreeType(impl_->library);
    delete impl_;
}

bool Font::Load(std::string& error) {
    static const char* const kFiles[] = {
        "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf", "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
        "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf", "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"};
    if (FT_Init_FreeType(&impl_->library) != 0) {
        error = "FreeType could not start";
        return false;
    }
    for (const char* file : kFiles) {
        struct stat st {};
        if (::stat(file, &st) == 0 && S_ISREG(st.st_mode) && FT_New_Face(impl_->library, file, 0, &impl_->face) == 0)
            return true;
    }
    error = "no font found (install fonts-ipafont-gothic)";
    return false;
}

int Font::Measure(const std::string& utf8, int size) {
    if (!impl_->face || FT_Set_Pixel_Sizes(impl_->face, 0, static_cast<FT_UInt>(size)) != 0) return 0;
    long width = 0;
    for (size_t i = 0; i < utf8.size();) {
        if (FT_Load_Char(impl_->face, NextCodePoint(utf8, i), FT_LOAD_DEFAULT) == 0)
            width += impl_->face->glyph->advance.x;
    }
    return static_cast<int>(width >> 6);
}

int Font::Draw(Canvas& canvas, int x, int y, const std::string& utf8, int size, Rgb colour) {
    if (!impl_->face || FT_Set_Pixel_Sizes(impl_->face, 0, static_cast<FT_UInt>(size)) != 0) return 0;
    long pen = static_cast<long>(x) << 6;
    for (size_t i = 0; i < utf8.size();) {
        if (FT_Load_Char(impl_->face, NextCodePoint(utf8, i), FT_LOAD_RENDER) != 0) continue;
        const FT_GlyphSlot g = impl_->face->glyph;
        const FT_Bitmap& b = g->bitmap;
        const int left = static_cast<int>(pen >> 6) + g->bitmap_left;
        const int top = y - g->bitmap_top;
        for (unsigned row = 0; row < b.rows; ++row)
            for (unsigned col = 0; col < b.width; ++col)
                canvas.Blend(left + static_cast<int>(col), top + static_cast<int>(row), colour,
                             b.buffer[static_cast<long>(row) * b.pitch + col]);
        pen += g->advance.x;
    }
    return static_cast<int>((pen >> 6) - x);
}

}  // namespace render
