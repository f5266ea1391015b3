// Views of byte ranges of an open file: any offset, the exact bytes, and a clean refusal.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "hostsim/drive_root.h"
#include "platform/file.h"
#include "platform/mapped_view.h"

namespace {

std::string Bytes(size_t size) {
    std::string s(size, '\0');
    for (size_t i = 0; i < size; ++i) s[i] = static_cast<char>('a' + (i * 7 + i / 4096) % 26);
    return s;
}

TEST(MappedView, MapsAnyRangeWithinTheFile) {
    hostsim::DriveRoot root;
    const std::string bytes = Bytes(3 * 65536 + 123);
    root.Write("C:\\d\\a.LEM", bytes);
    platform::File file;
    ASSERT_TRUE(file.Open("C:\\d\\a.LEM"));
    struct Case {
        uint64_t offset;
        size_t length;
    } const cases[] = {{0, 1}, {1, 4095}, {4095, 2}, {65535, 65537}, {70000, bytes.size() - 70000}, {0, bytes.size()}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.offset);
        platform::MappedView view;
        ASSERT_TRUE(view.Map(file, c.offset, c.length));
        EXPECT_EQ(view.Offset(), c.offset);
        EXPECT_EQ(view.Length(), c.length);
        EXPECT_EQ(std::string(view.Data(), c.length), bytes.substr(c.offset, c.length));
        EXPECT_TRUE(view.Holds(c.offset, c.length));
        EXPECT_FALSE(view.Holds(c.offset, c.length + 1));
        EXPECT_FALSE(c.offset > 0 && view.Holds(c.offset - 1, 1));
    }
}

TEST(MappedView, RefusesWhatItCannotMap) {
    hostsim::DriveRoot root;
    root.Write("C:\\d\\a.LEM", Bytes(100));
    platform::File file;
    platform::MappedView view;
    EXPECT_FALSE(view.Map(file, 0, 10));  // not open
    ASSERT_TRUE(file.Open("C:\\d\\a.LEM"));
    EXPECT_FALSE(view.Map(file, 0, 0));
    platform::SetMappingAllowed(false);
    EXPECT_FALSE(view.Map(file, 0, 10));
    platform::SetMappingAllowed(true);
    EXPECT_FALSE(view.IsMapped());
    EXPECT_FALSE(view.Holds(0, 0));
    ASSERT_TRUE(view.Map(file, 0, 10));
}

TEST(MappedView, MovesAndOutlivesItsFile) {
    hostsim::DriveRoot root;
    const std::string bytes = Bytes(5000);
    root.Write("C:\\d\\a.LEM", bytes);
    platform::MappedView moved;
    {
        platform::File file;
        ASSERT_TRUE(file.Open("C:\\d\\a.LEM"));
        platform::MappedView view;
        ASSERT_TRUE(view.Map(file, 4000, 1000));
        moved = std::move(view);
        EXPECT_FALSE(view.IsMapped());  // NOLINT(bugprone-use-after-move): a moved-from view is empty
    }
    // The file is closed and gone from its folder; the view still reads its bytes.
    root.Remove("C:\\d\\a.LEM");
    ASSERT_TRUE(moved.IsMapped());
    EXPECT_EQ(std::string(moved.Data(), 1000), bytes.substr(4000));
}

}  // namespace
