// Opens a generated sheet in the Windows build, through the file-open hook and through the
// host's own message sequence, and compares every block with the checksums the native build
// wrote for the same sheet (tephrix-render --checksums).
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "wine/harness/box_watcher.h"
#include "wine/harness/check.h"
#include "wine/harness/host_api.h"
#include "wine/harness/plugin_loader.h"

namespace {

constexpr uint32_t kPluginId = 0x7E9A;

uint64_t Fnv1a(const std::vector<int16_t>& values) {
    uint64_t h = 1469598103934665603ull;
    const auto* bytes = reinterpret_cast<const unsigned char*>(values.data());
    for (size_t i = 0; i < values.size() * sizeof(int16_t); ++i) {
        h ^= bytes[i];
        h *= 1099511628211ull;
    }
    return h;
}

std::vector<std::pair<int32_t, uint64_t>> ReadSums(const std::string& path) {
    std::vector<std::pair<int32_t, uint64_t>> sums;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        int32_t id = 0;
        std::string hex;
        if (fields >> id >> hex) sums.emplace_back(id, std::strtoull(hex.c_str(), nullptr, 16));
    }
    return sums;
}

void CompareBlocks(harness::HostApi& host, uint32_t handle, const std::string& sumsPath, const std::string& what) {
    auto sums = ReadSums(sumsPath);
    if (!CHECK(!sums.empty(), what + ": native checksums at " + sumsPath)) return;
    std::vector<int16_t> block(olx::kBlockCells);
    int mismatches = 0;
    for (const auto& [id, want] : sums) {
        std::fill(block.begin(), block.end(), INT16_MIN);
        host.ReadBlock(handle, id, block.data());
        if (Fnv1a(block) != want) {
            if (mismatches++ == 0) std::printf("  first mismatch: block %d\n", id);
        }
    }
    CHECK(mismatches == 0, what + ": " + std::to_string(sums.size()) + " blocks identical to the native build (" +
                               std::to_string(mismatches) + " differ)");
}

}  // namespace

int main() {
    const char* dataEnv = std::getenv("TEPHRIX_WINE_DATA");
    if (!CHECK(dataEnv != nullptr, "TEPHRIX_WINE_DATA names the generated data")) return harness::Finish();
    const std::string data = dataEnv;
    const std::string sheet = data + "\\LEM\\SAMPLE.LEM";
    const std::string dcm = data + "\\sample.dcm";

    harness::Plugin plugin;
    if (!CHECK(plugin.Load("Tephrix.olp"), "Tephrix.olp loads with its five exports")) return harness::Finish();
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
        CompareBlocks(host, 16, data + "\\sums-none.txt", "hook, no composite");
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
        CompareBlocks(host, handle, data + "\\sums-dcm.txt", "messages, DCM composite");
        CHECK(host.CloseMap(handle) == 1, "the map closes");
        plugin.release();
    }
    CHECK(watcher.Boxes().empty(), "no message box while opening and drawing");
    FreeLibrary(plugin.module);
    return harness::Finish();
}
