// The marker tool's header layout: which sections it joins, where it places the headers, and
// the checksum, on small hand-made images.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <ostream>
#include <string>
#include <vector>

#include "tools/marker/layout.h"
#include "tools/pe/pe_image.h"

namespace {

constexpr uint32_t kCode = 0x60000020;         // code, execute, read
constexpr uint32_t kReadOnly = 0x40000040;     // initialized data, read
constexpr uint32_t kWritable = 0xC0000040;     // initialized data, read, write
constexpr uint32_t kBss = 0xC0000080;          // uninitialized data, read, write
constexpr uint32_t kDiscardable = 0x42000040;  // initialized data, read, discardable

struct SectionSpec {
    const char* name;
    uint32_t va;
    uint32_t virtualSize;
    uint32_t rawSize;  // the file data lies at the same offset as the address (alignment 0x1000)
    uint32_t flags;
};

void Put32(std::vector<uint8_t>& b, size_t o, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[o + i] = static_cast<uint8_t>(v >> (8 * i));
}

// A PE32 image as the linker writes it: NT headers at 0x80 behind a DOS stub, file and section
// alignment 0x1000, headers up to 0x1000.
std::vector<uint8_t> MakeImage(const std::vector<SectionSpec>& sections) {
    uint32_t size = 0x1000;
    for (const auto& s : sections)
        if (s.rawSize) size = std::max(size, s.va + s.rawSize);
    std::vector<uint8_t> b(size, 0);
    b[0] = 'M';
    b[1] = 'Z';
    Put32(b, 0x3C, 0x80);
    for (uint32_t i = 0x40; i < 0x80; ++i) b[i] = 0xD5;  // the stub
    std::memcpy(&b[0x80], "PE\0\0", 4);
    b[0x84] = 0x4C;
    b[0x85] = 0x01;
    b[0x86] = static_cast<uint8_t>(sections.size());
    b[0x94] = 224;  // optional header size
    const size_t opt = 0x98;
    b[opt] = 0x0B;
    b[opt + 1] = 0x01;
    Put32(b, opt + 32, 0x1000);
    Put32(b, opt + 36, 0x1000);
    Put32(b, opt + 60, 0x1000);
    Put32(b, opt + 92, 16);
    size_t at = opt + 224;
    for (const auto& s : sections) {
        std::memcpy(&b[at], s.name, std::strlen(s.name));
        Put32(b, at + 8, s.virtualSize);
        Put32(b, at + 12, s.va);
        Put32(b, at + 16, s.rawSize);
        Put32(b, at + 20, s.rawSize ? s.va : 0);
        Put32(b, at + 36, s.flags);
        for (uint32_t i = 0; i < s.rawSize; ++i) b[s.va + i] = static_cast<uint8_t>(s.va >> 12);
        at += 40;
    }
    return b;
}

struct Expected {
    std::string name;
    uint32_t va, virtualSize, rawSize, flags;
};

std::vector<Expected> Describe(const std::vector<uint8_t>& bytes) {
    pe::Image image(bytes);
    EXPECT_TRUE(image.Ok()) << image.Error();
    std::vector<Expected> out;
    const auto& sections = image.Sections();
    const uint32_t table = image.SectionTableEnd() - 40 * static_cast<uint32_t>(sections.size());
    for (uint32_t i = 0; i < sections.size(); ++i) {
        const auto& s = sections[i];
        out.push_back({s.name, s.virtualAddress, s.virtualSize, s.rawSize, image.U32(table + 40 * i + 36)});
    }
    return out;
}

bool operator==(const Expected& a, const Expected& b) {
    return a.name == b.name && a.va == b.va && a.virtualSize == b.virtualSize && a.rawSize == b.rawSize &&
           a.flags == b.flags;
}
std::ostream& operator<<(std::ostream& os, const Expected& e) {
    return os << e.name << " va " << std::hex << e.va << " vsize " << e.virtualSize << " raw " << e.rawSize << " flags "
              << e.flags;
}

struct MergeCase {
    const char* what;
    std::vector<SectionSpec> in;
    std::vector<Expected> out;
};

TEST(MarkerLayout, JoinsNeighboursOfOneProtectionOnly) {
    const std::vector<MergeCase> cases = {
        {"the product's order gives five sections",
         {{".text", 0x1000, 0x1800, 0x2000, kCode},
          {".rdata", 0x3000, 0x1100, 0x2000, kReadOnly},
          {".edata", 0x5000, 0x86, 0x1000, kReadOnly},
          {".data", 0x6000, 0x164, 0x1000, kWritable},
          {".idata", 0x7000, 0x16E0, 0x2000, kWritable},
          {".bss", 0x9000, 0x2DC0, 0, kBss},
          {".rsrc", 0xC000, 0x960, 0x1000, kWritable},
          {".reloc", 0xD000, 0x1D34, 0x2000, kDiscardable}},
         {{".text", 0x1000, 0x1800, 0x2000, kCode},
          {".rdata", 0x3000, 0x2086, 0x3000, kReadOnly},
          {".data", 0x6000, 0x5DC0, 0x3000, kWritable},
          {".rsrc", 0xC000, 0x960, 0x1000, kWritable},
          {".reloc", 0xD000, 0x1D34, 0x2000, kDiscardable}}},
        {"a gap in memory keeps them apart",
         {{".rdata", 0x1000, 0x100, 0x1000, kReadOnly}, {".edata", 0x3000, 0x100, 0x1000, kReadOnly}},
         {{".rdata", 0x1000, 0x100, 0x1000, kReadOnly}, {".edata", 0x3000, 0x100, 0x1000, kReadOnly}}},
        {"code is never joined",
         {{".text", 0x1000, 0x100, 0x1000, kCode}, {".text2", 0x2000, 0x100, 0x1000, kCode}},
         {{".text", 0x1000, 0x100, 0x1000, kCode}, {".text2", 0x2000, 0x100, 0x1000, kCode}}},
        {"zeros without file data cannot come first",
         {{".bss", 0x1000, 0x100, 0, kBss}, {".data", 0x2000, 0x100, 0x1000, kWritable}},
         {{".bss", 0x1000, 0x100, 0, kBss}, {".data", 0x2000, 0x100, 0x1000, kWritable}}},
        {"nothing follows a section that ends in zeros",
         {{".data", 0x1000, 0x100, 0x1000, kWritable},
          {".bss", 0x2000, 0x100, 0, kBss},
          {".CRT", 0x3000, 0x30, 0x1000, kWritable}},
         {{".data", 0x1000, 0x1100, 0x1000, kWritable}, {".CRT", 0x3000, 0x30, 0x1000, kWritable}}},
        {"resources keep their own section",
         {{".data", 0x1000, 0x100, 0x1000, kWritable}, {".rsrc", 0x2000, 0x100, 0x1000, kWritable}},
         {{".data", 0x1000, 0x100, 0x1000, kWritable}, {".rsrc", 0x2000, 0x100, 0x1000, kWritable}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto bytes = MakeImage(c.in);
        const auto before = bytes;
        std::string error;
        ASSERT_TRUE(marker::MergeSections(bytes, error)) << error;
        EXPECT_EQ(Describe(bytes), c.out);
        // Only the headers change; every section's bytes stay where they were.
        EXPECT_TRUE(std::equal(before.begin() + 0x1000, before.end(), bytes.begin() + 0x1000));
        // The freed table entries are zero, as the marker's zero fill needs.
        pe::Image image(bytes);
        for (size_t i = image.SectionTableEnd(); i < 0x98 + 224 + 40 * c.in.size(); ++i) ASSERT_EQ(bytes[i], 0) << i;
        // A second pass changes nothing.
        auto again = bytes;
        ASSERT_TRUE(marker::MergeSections(again, error));
        EXPECT_EQ(again, bytes);
    }
}

std::vector<SectionSpec> FiveSections() {
    return {{".text", 0x1000, 0x100, 0x1000, kCode},
            {".rdata", 0x2000, 0x100, 0x1000, kReadOnly},
            {".data", 0x3000, 0x100, 0x1000, kWritable},
            {".rsrc", 0x4000, 0x100, 0x1000, kWritable},
            {".reloc", 0x5000, 0x100, 0x1000, kDiscardable}};
}

TEST(MarkerLayout, PlacesTheSectionTableToEndAtTheGivenOffset) {
    auto bytes = MakeImage(FiveSections());
    const std::vector<uint8_t> headers(bytes.begin() + 0x80, bytes.begin() + 0x240);
    std::string error;
    ASSERT_TRUE(marker::PlaceSectionTable(bytes, 0x2D0, error)) << error;
    pe::Image image(bytes);
    ASSERT_TRUE(image.Ok()) << image.Error();
    EXPECT_EQ(image.NtHeadersOffset(), 0x110u);
    EXPECT_EQ(image.SectionTableEnd(), 0x2D0u);
    EXPECT_EQ(image.Sections().size(), 5u);
    EXPECT_TRUE(std::equal(headers.begin(), headers.end(), bytes.begin() + 0x110));
    for (uint32_t i = 0x40; i < 0x80; ++i) ASSERT_EQ(bytes[i], 0xD5) << "the stub stays";
    for (uint32_t i = 0x80; i < 0x110; ++i) ASSERT_EQ(bytes[i], 0) << "left behind at " << i;
    for (uint32_t i = 0x2D0; i < 0x1000; ++i) ASSERT_EQ(bytes[i], 0) << i;
    // Placing it there again is no change.
    auto again = bytes;
    ASSERT_TRUE(marker::PlaceSectionTable(again, 0x2D0, error));
    EXPECT_EQ(again, bytes);
}

TEST(MarkerLayout, RefusesToPlaceTheTableOverDataOrOffAlignment) {
    struct Case {
        const char* what;
        uint32_t tableEnd;
        uint32_t dirtyAt;  // 0: none
    };
    const Case cases[] = {
        {"a byte in the way", 0x2D0, 0x2C0},
        {"over the DOS stub", 0x48 + 0x1C0, 0},
        {"not 8-byte aligned", 0x2D4, 0},
        {"before the DOS header ends", 0x100, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        auto bytes = MakeImage(FiveSections());
        if (c.dirtyAt) bytes[c.dirtyAt] = 1;
        const auto before = bytes;
        std::string error;
        EXPECT_FALSE(marker::PlaceSectionTable(bytes, c.tableEnd, error));
        EXPECT_FALSE(error.empty());
        EXPECT_EQ(bytes, before) << "a refused move leaves the file as it was";
    }
}

TEST(MarkerLayout, ChecksumFoldsTheCarryAndSkipsItsOwnField) {
    // 0xFFFF + 0x0002 carries into 0x0002; the field at 4 is skipped; the odd last byte counts
    // as a word; then the length 9 is added.
    const std::vector<uint8_t> bytes{0xFF, 0xFF, 0x02, 0x00, 0x11, 0x22, 0x33, 0x44, 0x01};
    EXPECT_EQ(marker::PeChecksum(bytes, 4), 0x0003u + 9u);
}

}  // namespace
