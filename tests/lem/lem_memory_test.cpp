// The two memory messages: allocations above a threshold fail in this test program, so that the
// row table and the line buffer cannot be had while everything smaller still can.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "hostsim/drive_root.h"
#include "lem/lem_map.h"
#include "platform/path_root.h"
#include "tools/gen/dcm_writer.h"
#include "platform/message_box.h"
#include "tests/lem/lem_fixtures.h"
#include "tests/support/result_printer.h"
#include "ui/messages.h"

namespace {
size_t g_failFrom = SIZE_MAX;

struct FailLargeAllocations {
    explicit FailLargeAllocations(size_t bytes) { g_failFrom = bytes; }
    ~FailLargeAllocations() { g_failFrom = SIZE_MAX; }
};

// "メモリーが足りません.\n" in code page 932.
const std::string kMemory = "\x83\x81\x83\x82\x83\x8A\x81\x5B\x82\xAA\x91\xAB\x82\xE8\x82\xDC\x82\xB9\x82\xF1.\n";
}  // namespace

void* operator new(std::size_t size) {
    if (size >= g_failFrom) throw std::bad_alloc();
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
// The library asks for its temporary buffers (std::stable_sort) without exceptions; they come
// back through the delete below, so they must come from malloc too.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    if (size >= g_failFrom) return nullptr;
    return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

TEST(LemMemory, RowTableThatCannotBeAllocated) {
    hostsim::DriveRoot root;
    (void)lemtest::TakeMessageBoxes();
    lemtest::HeaderFields sheetHeader;
    sheetHeader.flags.assign(100000, "1");  // flags take ~100 KB, the table 800 KB
    root.Write("C:\\H\\A.CSV", lemtest::HeaderText(sheetHeader));
    CLemMap map;
    platform::Result read;
    {
        FailLargeAllocations fail(400000);
        read = CLemMap::ReadHeader("C:\\H\\A.CSV", map, 0);
    }
    EXPECT_EQ(read.status, platform::Status::kNoMemory);
    EXPECT_TRUE(lemtest::TakeMessageBoxes().empty());
    ui::ReportReadFailure(read);
    const auto boxes = lemtest::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kMemory + "CLemMap::ReadHeader()");
    EXPECT_EQ(boxes[0].style, platform::kMbOk | platform::kMbIconExclamation);
    // With memory to spare the same header reads.
    EXPECT_EQ((CLemMap::ReadHeader("C:\\H\\A.CSV", map, 0)).status, platform::Status::kOk);
    EXPECT_EQ(map.RecordCount, 100000);
}

TEST(LemMemory, LineBufferThatCannotBeAllocated) {
    hostsim::DriveRoot root;
    (void)lemtest::TakeMessageBoxes();
    lemtest::HeaderFields sheetHeader;
    sheetHeader.cols = "200000";  // a line buffer of 1,000,013 bytes
    root.Write("C:\\F\\S.CSV", lemtest::HeaderText(sheetHeader));
    root.Write("C:\\F\\S.LEM", "x");
    CLemMap map;
    ASSERT_EQ((map.Open("C:\\F\\S.LEM")).status, platform::Status::kOk);
    platform::Result indexed;
    {
        FailLargeAllocations fail(900000);
        indexed = map.GetHeader();
    }
    EXPECT_EQ(indexed.status, platform::Status::kNoMemory);
    EXPECT_TRUE(map.LineBuffer.empty());
    EXPECT_TRUE(lemtest::TakeMessageBoxes().empty());
    ui::ReportReadFailure(indexed);
    const auto boxes = lemtest::TakeMessageBoxes();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, kMemory + "CLemMap::GetHeader");
    EXPECT_EQ(boxes[0].style, platform::kMbOk | platform::kMbIconExclamation);
    EXPECT_EQ((map.GetHeader()).status, platform::Status::kOk);
    EXPECT_EQ(map.LineBuffer.size(), 200000u * 5 + 13);
}

// Without memory for the sheet's layer kept aside, a composite block is filled with the base
// first and each row blended as it is placed: the blocks are the same, byte for byte.
TEST(LemMemory, CompositeBlocksWithoutMemoryForTheSeam) {
    hostsim::DriveRoot root;
    gen::LemSheetOptions options;  // with the lake of -9999 and the -1111 corner
    options.cols = 700;
    options.rows = 500;
    options.absentRows = {3, 200};
    (void)lemtest::WriteSheet(options, "C:\\S");
    ASSERT_TRUE(gen::WriteDcmFile(platform::ToPosixPath("C:\\L.DCM"),
                                  gen::BuildDcm(gen::LayoutForBox(35.2, 138.55, 35.5, 138.9))));
    CLemMap plenty, starved;
    for (CLemMap* map : {&plenty, &starved}) {
        ASSERT_EQ(map->Margin, lem::kDefaultMargin);
        ASSERT_EQ(map->Open("C:\\S\\LEM\\SAMPLE.LEM").status, platform::Status::kOk);
        ASSERT_EQ(map->GetHeader().status, platform::Status::kOk);
        ASSERT_EQ(map->LinkDcm("C:\\L.DCM").status, platform::Status::kOk);
    }
    const int64_t origin = 320 * (lem::kDefaultMargin / 2);
    int blended = 0;
    for (int64_t y = origin - 320; y <= origin + 520; y += 280) {
        for (int64_t x = origin - 320; x <= origin + 760; x += 200) {
            const int32_t id = lemtest::BlockIdFor(x, y);
            std::vector<int16_t> a(320 * 320, 0x7777), b(320 * 320, 0x7777);
            ASSERT_EQ(plenty.ReadBlock(id, a.data()), 1);
            {
                // The seam buffer (200 KiB) and the block cache's entries cannot be had.
                FailLargeAllocations fail(150000);
                ASSERT_EQ(starved.ReadBlock(id, b.data()), 1);
            }
            ASSERT_EQ(a, b) << "block at " << x << ", " << y;
            blended += a[0] != 0x7777;
        }
    }
    EXPECT_GT(blended, 0);
}

}  // namespace
