// Opens a generated sheet in the Windows build, through the file-open hook and through the
// host's own message sequence, and compares every block with the checksums the native build
// wrote for the same sheet (tephrix-render --checksums).
#include <cstdlib>
#include <string>
#include <vector>

#include "wine/harness/block_sums.h"
#include "wine/harness/box_watcher.h"
#include "wine/harness/check.h"
#include "wine/harness/host_api.h"
#include "wine/harness/plugin_loader.h"

namespace {

constexpr uint32_t kPluginId = 0x7E9A;

}  // namespace

int main() {
    const char* dataEnv = std::getenv("TEPHRIX_WINE_DATA");
    if (!CHECK(dataEnv != nullptr, "TEPHRIX_WINE_DATA names the generated data")) return harness::Finish();
    const std::string data = dataEnv;
    const std::string sheet = data + "\\LEM\\SAMPLE.LEM";
    const std::string dcm = data + "\\sample.dcm";

    harness::Plugin plugin;
    if (!CHECK(plugin.Load(harness::ModulePath()), "Tephrix.olp loads with its five exports")) return harness::Finish();
    harness::HostApi host;
    if (!CHECK(host.Load(), "PluginIf.dll offers the stand-in's controls")) return harness::Finish();
    harness::BoxWatcher watcher(IDOK);

    // Without a 50 m source, opened through the file-open hook.
    {
        host.Reset();
        std::vector<uint8_t> record(280, 0);
        CHECK(plugin.create(record.data(), kPluginId) == 1 && plugin.load() == 1, "Create and Load");
        host.SetProfileInt(kPluginId, "DCMView", 1);
        host.SetProfileInt(kPluginId, "LinkDCM", 0);
        host.SetNextHandle(16);
        CHECK(host.FireFileOpenHook(sheet.c_str()) == 1, "the hook takes the sheet");
        tagMAPINFO info{};
        CHECK(host.GetMapInfo(16, &info) == 1 && info.width > 0, "the map was opened and described");
        harness::CompareBlocks(host, 16, data + "\\sums-none.txt", "hook, no composite");
        CHECK(host.CloseMap(16) == 1, "the map closes");
        plugin.release();
    }
    // With the DCM landscape, opened by the host's own message sequence.
    {
        host.Reset();
        std::vector<uint8_t> record(280, 0);
        CHECK(plugin.create(record.data(), kPluginId) == 1 && plugin.load() == 1, "Create and Load again");
        host.SetProfileInt(kPluginId, "DCMView", 1);
        host.SetProfileInt(kPluginId, "LinkDCM", 1);
        host.SetProfileInt(kPluginId, "LinkType", 1);
        host.SetProfileString(kPluginId, "DCMFile", dcm.c_str());
        uint32_t handle = host.OpenMap(sheet.c_str());
        CHECK(handle != 0, "2003, 2004, 2011 open the sheet");
        harness::CompareBlocks(host, handle, data + "\\sums-dcm.txt", "messages, DCM composite");
        CHECK(host.CloseMap(handle) == 1, "the map closes");
        plugin.release();
    }
    CHECK(watcher.Boxes().empty(), "no message box while opening and drawing");
    FreeLibrary(plugin.module);
    return harness::Finish();
}
