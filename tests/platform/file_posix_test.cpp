// The POSIX file layer opens regular files only, and never waits on what it is handed.
#include <fcntl.h>
#include <sys/stat.h>
#include <time.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "hostsim/drive_root.h"
#include "platform/file.h"
#include "platform/path_root.h"

namespace {
namespace fs = std::filesystem;

double Seconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

TEST(FilePosix, OpensARegularFileAndReadsIt) {
    hostsim::DriveRoot root;
    root.Write("C:\\d\\a.LEM", std::string("12345"));
    platform::File file;
    ASSERT_TRUE(file.Open("C:\\d\\a.LEM"));
    char buffer[8] = {};
    EXPECT_EQ(file.ReadAt(1, buffer, sizeof buffer), 4);
    EXPECT_EQ(std::string(buffer, 4), "2345");
    EXPECT_EQ(file.Size(), 5);
}

// A FIFO with no writer would block a plain open for ever; a device such as /dev/zero would
// read for ever; a folder is no file. Each is refused at once.
TEST(FilePosix, RefusesWhatIsNotARegularFile) {
    hostsim::DriveRoot root;
    root.MakeFolder("C:\\d\\folder");
    const fs::path d = fs::path(root.Dir()) / "C" / "d";
    ASSERT_EQ(::mkfifo((d / "fifo.LEM").c_str(), 0600), 0);
    fs::create_symlink("/dev/zero", d / "zero.LEM");
    fs::create_symlink("/dev/null", d / "null.LEM");
    for (const char* name : {"C:\\d\\fifo.LEM", "C:\\d\\zero.LEM", "C:\\d\\null.LEM", "C:\\d\\folder"}) {
        SCOPED_TRACE(name);
        const double start = Seconds();
        platform::File file;
        EXPECT_FALSE(file.Open(name));
        EXPECT_FALSE(file.IsOpen());
        EXPECT_LT(Seconds() - start, 2.0);
    }
}

// The same Windows path is asked about at every block request: a component in another case,
// a file that appears in the exact case later, and another root each give what Windows would.
TEST(FilePosix, PathsResolveWithoutRegardToCaseAndFollowTheRoot) {
    hostsim::DriveRoot root;
    root.Write("C:\\Data\\Lem\\Sample.lem", std::string("12345"));
    struct Case {
        const char* path;
        int64_t size;  // -1: nothing there
    };
    const Case cases[] = {
        {"C:\\Data\\Lem\\Sample.lem", 5},
        {"C:\\DATA\\LEM\\SAMPLE.LEM", 5},
        {"c:\\data\\lem\\sample.lem", 5},
        {"C:\\DATA\\LEM\\OTHER.LEM", -1},
    };
    for (int round = 0; round < 2; ++round) {  // the second round is answered from remembered paths
        for (const Case& c : cases) {
            SCOPED_TRACE(c.path);
            const platform::FileStamp stamp = platform::StampOf(c.path);
            EXPECT_EQ(stamp.exists, c.size >= 0);
            EXPECT_EQ(platform::PathExists(c.path), c.size >= 0);
            if (c.size >= 0) {
                EXPECT_EQ(stamp.size, c.size);
            }
            platform::File file;
            EXPECT_EQ(file.Open(c.path), c.size >= 0);
        }
    }
    // An exact-case file that appears later is the one found, as on a case-sensitive search.
    root.Write("C:\\DATA\\LEM\\SAMPLE.LEM", std::string("1234567"));
    EXPECT_EQ(platform::StampOf("C:\\Data\\Lem\\Sample.lem").size, 5);
    EXPECT_EQ(platform::StampOf("C:\\DATA\\LEM\\SAMPLE.LEM").size, 7);

    // Another root: the same Windows path names that root's file.
    hostsim::DriveRoot other;
    EXPECT_FALSE(platform::StampOf("C:\\Data\\Lem\\Sample.lem").exists);
    other.Write("C:\\Data\\Lem\\Sample.lem", std::string("123"));
    EXPECT_EQ(platform::StampOf("C:\\Data\\Lem\\Sample.lem").size, 3);
}

}  // namespace
