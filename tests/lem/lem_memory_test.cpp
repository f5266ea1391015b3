// The two memory messages: allocations above a threshold fail in this test program, so that the
// row table and the line buffer cannot be had while everything smaller still can.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>

#include "hostsim/drive_root.h"
#include "lem/lem_map.h"
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
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

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

}  // namespace
