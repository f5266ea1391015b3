// The in-memory drives must behave as the folder root does for everything the module asks of
// files: the fuzz targets trust that what they find there holds on disk. Each step of one
// script runs against both, and every observation must agree.
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "hostsim/drive_root.h"
#include "platform/file.h"
#include "platform/find.h"
#include "platform/mapped_view.h"
#include "platform/posix/memory_files.h"

namespace {

struct Drives {
    std::function<void(const std::string&, const std::string&)> put;
    std::function<void(const std::string&)> remove;
};

std::string ReadAll(platform::File& file) {
    std::string bytes(64, '\0');
    const int64_t n = file.ReadAt(0, bytes.data(), bytes.size());
    return n < 0 ? "<error>" : bytes.substr(0, static_cast<size_t>(n));
}

std::string Stamp(const std::string& path) {
    const platform::FileStamp s = platform::StampOf(path);
    // A folder's size is the file system's business; nothing reads it.
    return std::string(s.exists ? "exists" : "none") + (s.isFile ? " file " + std::to_string(s.size) : "");
}

// Observations of one script: what is there, what open files read, which stamps change.
std::vector<std::string> RunScript(const Drives& d) {
    std::vector<std::string> seen;
    auto note = [&](const std::string& what) { seen.push_back(what); };
    d.put("C:\\F\\LEM\\A.LEM", "first");
    d.put("C:\\F\\LEM\\B.LEM", "bee");
    d.put("C:\\F\\HEADER\\A.CSV", "header");
    d.put("D:\\X\\\x83\x5C.LEM", "so");  // a trail byte 0x5C is no separator

    for (const char* p : {"C:\\F\\LEM\\A.LEM", "c:\\f\\lem\\a.lem", "C:\\F\\LEM", "C:\\F", "C:\\F\\NONE",
                          "C:\\F\\LEM\\..\\HEADER\\.\\A.CSV", "D:\\X\\\x83\x5C.LEM", "E:\\A.LEM"}) {
        note(std::string(p) + ": " + (platform::PathExists(p) ? "yes " : "no ") + Stamp(p));
    }
    std::vector<std::string> found = platform::FindFiles("C:\\F\\LEM\\*.lem");
    std::sort(found.begin(), found.end());
    for (const std::string& name : found) note("found " + name);
    note("folders " + std::to_string(platform::FindFiles("C:\\F\\*").size()));

    platform::File a;
    note(std::string("open folder ") + (platform::File().Open("C:\\F\\LEM") ? "yes" : "no"));
    note(std::string("open a ") + (a.Open("c:\\F\\lem\\A.lem") ? "yes" : "no"));
    note("a reads " + ReadAll(a));
    {
        platform::MappedView view;
        note(std::string("view ") + (view.Map(a, 1, 3) ? std::string(view.Data(), 3) : "refused"));
    }
    const platform::FileStamp before = platform::StampOf("C:\\F\\LEM\\A.LEM");

    // Rewritten in place: the open file reads the new bytes, the serial number stays.
    d.put("C:\\F\\LEM\\A.LEM", "second, longer");
    const platform::FileStamp after = platform::StampOf("C:\\F\\LEM\\A.LEM");
    note("a reads " + ReadAll(a) + " size " + std::to_string(a.Size()));
    note(std::string("stamp ") + (before == after ? "same" : "changed") +
         (before.fileId == after.fileId ? " same id" : " new id"));

    // Removed: gone by name, still readable through the open file.
    d.remove("C:\\F\\LEM\\A.LEM");
    note(std::string("after remove ") + (platform::PathExists("C:\\F\\LEM\\A.LEM") ? "exists" : "gone"));
    note("a reads " + ReadAll(a));
    char byte = 0;
    note("read past end " + std::to_string(a.ReadAt(100, &byte, 1)));
    a.Close();
    note("closed reads " + std::to_string(a.ReadAt(0, &byte, 1)));

    d.put("C:\\F\\LEM\\A.LEM", "third");
    note("recreated " + Stamp("C:\\F\\LEM\\A.LEM"));
    platform::File moved;
    {
        platform::File b;
        note(std::string("open b ") + (b.Open("C:\\F\\LEM\\B.LEM") ? "yes" : "no"));
        moved = std::move(b);
    }
    note("moved reads " + ReadAll(moved));
    return seen;
}

TEST(MemoryFiles, BehaveAsTheFolderRootDoes) {
    std::vector<std::string> onDisk;
    {
        hostsim::DriveRoot root;
        onDisk = RunScript({[&](const std::string& p, const std::string& b) { root.Write(p, b); },
                            [&](const std::string& p) { root.Remove(p); }});
    }
    platform::memory::Install();
    const std::vector<std::string> inMemory = RunScript({
        [](const std::string& p, const std::string& b) { platform::memory::Put(p, b); },
        [](const std::string& p) { platform::memory::Remove(p); },
    });
    platform::memory::Uninstall();
    EXPECT_EQ(inMemory, onDisk);
    // The script must show the differences it is about, or agreement proves little.
    EXPECT_NE(std::find(onDisk.begin(), onDisk.end(), "a reads second, longer size 14"), onDisk.end());
    EXPECT_NE(std::find(onDisk.begin(), onDisk.end(), "stamp changed same id"), onDisk.end());
    EXPECT_NE(std::find(onDisk.begin(), onDisk.end(), "found A.LEM"), onDisk.end());
}

TEST(MemoryFiles, UninstalledLeavesTheFolderLayer) {
    platform::memory::Install();
    platform::memory::Put("C:\\only\\in\\memory.LEM", "x");
    EXPECT_TRUE(platform::PathExists("C:\\only\\in\\memory.LEM"));
    platform::memory::Uninstall();
    hostsim::DriveRoot root;
    EXPECT_FALSE(platform::PathExists("C:\\only\\in\\memory.LEM"));
}

}  // namespace
