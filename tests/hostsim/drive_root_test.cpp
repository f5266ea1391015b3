#include "hostsim/drive_root.h"

#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <optional>
#include <string>
#include <system_error>

#include "platform/file.h"
#include "platform/path_root.h"

namespace {
namespace fs = std::filesystem;

// Sets TMPDIR for one test and puts the old value back.
class TmpDir {
public:
    explicit TmpDir(const std::string& value) {
        if (const char* old = std::getenv("TMPDIR")) old_ = old;
        ::setenv("TMPDIR", value.c_str(), 1);
    }
    ~TmpDir() {
        if (old_) {
            ::setenv("TMPDIR", old_->c_str(), 1);
        } else {
            ::unsetenv("TMPDIR");
        }
    }

private:
    std::optional<std::string> old_;
};

TEST(DriveRoot, RootsTheFileLayerAndTakesEverythingAwayWhenItGoes) {
    std::string dir;
    {
        const hostsim::DriveRoot root("tephrix-root-test");
        dir = root.Dir();
        EXPECT_EQ(fs::path(dir).filename().string().rfind("tephrix-root-test-", 0), 0u) << dir;
        EXPECT_EQ(platform::PosixRoot(), dir);
        root.Write("C:\\MAPS\\A.LEM", std::string("12345"));
        root.MakeFolder("D:\\EMPTY");
        EXPECT_TRUE(platform::PathExists("C:\\MAPS\\A.LEM"));
        EXPECT_TRUE(fs::is_regular_file(dir + "/C/MAPS/A.LEM"));
        EXPECT_TRUE(fs::is_directory(dir + "/D/EMPTY"));
        root.Remove("C:\\MAPS\\A.LEM");
        EXPECT_FALSE(platform::PathExists("C:\\MAPS\\A.LEM"));
        root.Write("C:\\MAPS\\B.LEM", std::string("6"));
    }
    EXPECT_FALSE(fs::exists(dir));
    EXPECT_EQ(platform::PosixRoot(), "");
}

TEST(DriveRoot, AFolderThatCannotBeMadeThrowsNamingIt) {
    // /proc is a folder in which no one, root included, can make one.
    const TmpDir tmp("/proc");
    try {
        const hostsim::DriveRoot root("tephrix-root-test");
        ADD_FAILURE() << "made " << root.Dir();
    } catch (const std::system_error& e) {
        EXPECT_NE(std::string(e.what()).find("/proc/tephrix-root-test"), std::string::npos) << e.what();
    }
    EXPECT_EQ(platform::PosixRoot(), "");
}

}  // namespace
