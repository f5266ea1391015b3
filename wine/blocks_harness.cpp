// Opens a generated sheet in the Windows build, through the file-open hook and through the
// host's own message sequence, and compares every block with the checksums the native build
// wrote for the same sheet (tephrix-render --checksums).
#include <string>

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

}  // namespace

int main() {
    return harness::Run(harness::Needs{}, [](harness::Session& session) {
        Setup s;
        s.host = &session.host;
        s.data = session.data;
        s.sheet = s.data + "\\LEM\\SAMPLE.LEM";
        s.dcm = s.data + "\\sample.dcm";
        harness::BoxWatcher watcher(IDOK);
        harness::RunScenarios<Setup>(session, kPluginId, s, {HookWithoutComposite, MessagesWithDcm});
        CHECK(watcher.Boxes().empty(), "no message box while opening and drawing");
    });
}
