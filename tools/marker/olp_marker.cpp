// Writes the requirement marker into a linked module: five copies of "&&OLX_REQUIRE_7730&"
// with its NUL, directly behind the section table. The header area from there up to the first
// section must be zero; anything else, or too little room, fails the build.
//
// With --table-end OFFSET it first lays the header area out as the host reads it: sections of
// the same protection that follow each other become one, and the NT headers move so that the
// section table ends at OFFSET, where the marker then begins. The checksum is recomputed.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "tools/marker/layout.h"
#include "tools/marker/marker.h"
#include "tools/pe/pe_image.h"

int main(int argc, char** argv) {
    long tableEnd = -1;
    const char* path = nullptr;
    if (argc == 4 && std::strcmp(argv[1], "--table-end") == 0) {
        char* end = nullptr;
        tableEnd = std::strtol(argv[2], &end, 0);
        if (!end || *end || tableEnd <= 0) tableEnd = -1;
        path = argv[3];
    } else if (argc == 2) {
        path = argv[1];
    }
    if (!path || (argc == 4 && tableEnd < 0)) {
        std::fprintf(stderr, "usage: olp-marker [--table-end OFFSET] MODULE\n");
        return 2;
    }
    std::vector<uint8_t> bytes;
    {
        std::ifstream in(path, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "olp-marker: cannot read %s\n", path);
            return 1;
        }
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    const std::vector<uint8_t> original = bytes;
    if (tableEnd > 0) {
        std::string error;
        if (!marker::MergeSections(bytes, error) ||
            !marker::PlaceSectionTable(bytes, static_cast<uint32_t>(tableEnd), error)) {
            std::fprintf(stderr, "olp-marker: %s: cannot place the section table at 0x%lX: %s\n", path, tableEnd,
                         error.c_str());
            return 1;
        }
    }
    pe::Image image(bytes);
    if (!image.Ok()) {
        std::fprintf(stderr, "olp-marker: %s: %s\n", path, image.Error().c_str());
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
    if (tableEnd > 0 && start != static_cast<uint32_t>(tableEnd)) {
        std::fprintf(stderr, "olp-marker: the section table ends at 0x%X, not 0x%lX\n", start, tableEnd);
        return 1;
    }
    if (!marked) std::memcpy(&bytes[start], marker::Expected().data(), marker::kTotalSize);
    // The header checksum covers the whole file, the marker included.
    std::string error;
    if (!marker::UpdateChecksum(bytes, error)) {
        std::fprintf(stderr, "olp-marker: %s: %s\n", path, error.c_str());
        return 1;
    }
    if (bytes != original) {
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!out) {
            std::fprintf(stderr, "olp-marker: cannot write %s\n", path);
            return 1;
        }
    }
    std::printf("olp-marker: %zu sections, marker at 0x%X-0x%X, zero up to 0x%X\n", image.Sections().size(), start,
                end - 1, limit);
    return 0;
}
