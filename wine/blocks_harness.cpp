// Opens a generated sheet in the Windows build, through the file-open hook and through the
// host's own message sequence, and compares every block with the checksums the native build
// wrote for the same sheet (tephrix-render --checksums).
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "wine/harness/block_sums.h"
#include "wine/harness/box_watcher.h"
#include "wine/harness/check.h"
#include "wine/harness/host_api.h"
#include "wine/harness/runner.h"

namespace {

constexpr uint32_t kPluginId = 0x7E9A;

struct Setup {
    harness::HostApi* host = nullptr;
    std::string data;
    std::string sheet;
    std::string dcm;
};

// Without a 50 m source, opened through the file-open hook.
void HookWithoutComposite(const Setup& s) {
    harness::HostApi& host = *s.host;
    host.SetProfileInt(kPluginId, "DCMView", 1);
    host.SetProfileInt(kPluginId, "LinkDCM", 0);
    host.SetNextHandle(16);
    CHECK(host.FireFileOpenHook(s.sheet.c_str()) == 1, "the hook takes the sheet");
    tagMAPINFO info{};
    CHECK(host.GetMapInfo(16, &info) == 1 && info.width > 0, "the map was opened and described");
    harness::CompareBlocks(host, 16, s.data + "\\sums-none.txt", "hook, no composite");
    CHECK(host.CloseMap(16) == 1, "the map closes");
}

// With the DCM landscape, opened by the host's own message sequence.
void MessagesWithDcm(const Setup& s) {
    harness::HostApi& host = *s.host;
    host.SetProfileInt(kPluginId, "DCMView", 1);
    host.SetProfileInt(kPluginId, "LinkDCM", 1);
    host.SetProfileInt(kPluginId, "LinkType", 1);
    host.SetProfileString(kPluginId, "DCMFile", s.dcm.c_str());
    uint32_t handle = host.OpenMap(s.sheet.c_str());
    CHECK(handle != 0, "2003, 2004, 2011 open the sheet");
    harness::CompareBlocks(host, handle, s.data + "\\sums-dcm.txt", "messages, DCM composite");
    CHECK(host.CloseMap(handle) == 1, "the map closes");
}

// Another program shrinks the data file between two block requests. Windows refuses that while
// any view of the file is mapped (ERROR_USER_MAPPED_FILE): the module maps the rows a request
// needs and releases them before it returns.
void ShrinkBetweenRequests(const Setup& s) {
    harness::HostApi& host = *s.host;
    const std::string folder = s.data + "\\SHRINK";
    const std::string copy = folder + "\\LEM\\SAMPLE.LEM";
    CreateDirectoryA(folder.c_str(), nullptr);
    CreateDirectoryA((folder + "\\LEM").c_str(), nullptr);
    CreateDirectoryA((folder + "\\HEADER").c_str(), nullptr);
    CHECK(CopyFileA(s.sheet.c_str(), copy.c_str(), FALSE) &&
              CopyFileA((s.data + "\\HEADER\\SAMPLE.CSV").c_str(), (folder + "\\HEADER\\SAMPLE.CSV").c_str(), FALSE),
          "a copy of the sheet to shrink");
    host.SetProfileInt(kPluginId, "DCMView", 1);
    host.SetProfileInt(kPluginId, "LinkDCM", 0);
    host.SetNextHandle(17);
    CHECK(host.FireFileOpenHook(copy.c_str()) == 1, "the hook takes the copy");
    harness::CompareBlocks(host, 17, s.data + "\\sums-none.txt", "the copy before it shrinks");

    HANDLE writer = CreateFileA(copy.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    const bool shrunk = writer != INVALID_HANDLE_VALUE && SetFilePointer(writer, 4096, nullptr, FILE_BEGIN) == 4096 &&
                        SetEndOfFile(writer);
    const DWORD error = shrunk ? 0 : GetLastError();
    if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
    CHECK(shrunk, "another program shrinks the open sheet's data file between two requests (error " +
                      std::to_string(error) + ")");
    // The southern row of the sheet's blocks again: its rows now lie beyond the end of the file,
    // so every cell keeps what the host passed in.
    std::vector<int16_t> block(olx::kBlockCells);
    int written = 0;
    for (int32_t id = 101282900; id < 101282900 + 800; id += 100) {
        std::fill(block.begin(), block.end(), int16_t{0x7777});
        if (host.ReadBlock(17, id, block.data()) != 1) ++written;
        written += static_cast<int>(std::count_if(block.begin(), block.end(), [](int16_t v) { return v != 0x7777; }));
    }
    CHECK(written == 0,
          "after the shrink no block holds a row beyond the new end (" + std::to_string(written) + " cells written)");
    CHECK(host.CloseMap(17) == 1, "the copy's map closes");

    // The rule this rests on: a file with a mapped view cannot be shrunk. Where this Wine does not
    // enforce it, the check above shows nothing, and the log says so.
    HANDLE file =
        CreateFileA(copy.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    HANDLE section =
        file != INVALID_HANDLE_VALUE ? CreateFileMappingA(file, nullptr, PAGE_READONLY, 0, 0, nullptr) : nullptr;
    void* view = section ? MapViewOfFile(section, FILE_MAP_READ, 0, 0, 0) : nullptr;
    const bool refused = view && SetFilePointer(file, 100, nullptr, FILE_BEGIN) == 100 && !SetEndOfFile(file) &&
                         GetLastError() == ERROR_USER_MAPPED_FILE;
    std::printf("note: with a view mapped, this Wine %s\n",
                refused ? "refuses to shrink the file (ERROR_USER_MAPPED_FILE), as Windows does"
                        : "lets the file shrink: the shrink check above proves nothing here");
    if (view) UnmapViewOfFile(view);
    if (section) CloseHandle(section);
    if (file != INVALID_HANDLE_VALUE) CloseHandle(file);
    DeleteFileA(copy.c_str());
}

}  // namespace

int main() {
    return harness::Run(harness::Needs{}, [](harness::Session& session) {
        Setup s;
        s.host = &session.host;
        s.data = session.data;
        s.sheet = s.data + "\\LEM\\SAMPLE.LEM";
        s.dcm = s.data + "\\sample.dcm";
        harness::BoxWatcher watcher(IDOK);
        harness::RunScenarios<Setup>(session, kPluginId, s,
                                     {HookWithoutComposite, MessagesWithDcm, ShrinkBetweenRequests});
        CHECK(watcher.Boxes().empty(), "no message box while opening and drawing");
    });
}
