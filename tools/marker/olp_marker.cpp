// Writes the requirement marker into a linked module: five copies of "&&OLX_REQUIRE_7730&"
// with its NUL, directly behind the section table. The header area from there up to the first
// section must be zero; anything else, or too little room, fails the build.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

#include "tools/marker/marker.h"
#include "tools/pe/pe_image.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: olp-marker MODULE\n");
        return 2;
    }
    std::vector<uint8_t> bytes;
    {
        std::ifstream in(argv[1], std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "olp-marker: cannot read %s\n", argv[1]);
            return 1;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    pe::Image image(bytes);
    if (!image.Ok()) {
        std::fprintf(stderr, "olp-marker: %s: %s\n", argv[1], image.Error().c_str());
        return 1;
    }
    const uint32_t start = image.SectionTableEnd();
    const uint32_t limit = image.FirstSectionOffset();
    const uint32_t end = start + marker::kTotalSize;
    if (limit == 0 || end > limit || end > image.SizeOfHeaders()) {
        std::fprintf(stderr, "olp-marker: no room for the marker: section table ends at 0x%X, first section at 0x%X\n",
                     start, limit);
        return 1;
    }
    // An already marked file is accepted as it is (the build may run the step twice).
    bool marked = std::memcmp(&bytes[start], marker::Expected().data(), marker::kTotalSize) == 0;
    for (uint32_t i = marked ? end : start; i < limit; ++i) {
        if (bytes[i] != 0) {
            std::fprintf(stderr, "olp-marker: header area not zero at 0x%X\n", i);
            return 1;
        }
    }
    if (!marked) {
        std::memcpy(&bytes[start], marker::Expected().data(), marker::kTotalSize);
        std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "olp-marker: cannot write %s\n", argv[1]);
            return 1;
        }
    }
    std::printf("olp-marker: marker at 0x%X-0x%X, zero up to 0x%X\n", start, end - 1, limit);
    return 0;
}
