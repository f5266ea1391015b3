// Loads the module the way a host does and drives its entry points: the requirement marker is
// read from the file first, the exports are resolved by name and by ordinal, the version gate
// refuses 7729 with its message and passes 7730, then Load, About and the file-open hook.
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/win32/windows_gateway.h"
#include "tephrix/version.h"
#include "tools/marker/marker.h"
#include "tools/pe/pe_image.h"
#include "wine/harness/box_watcher.h"
#include "wine/harness/check.h"
#include "wine/harness/host_api.h"
#include "wine/harness/plugin_loader.h"
#include "wine/harness/runner.h"

namespace {

using CreateFn = int32_t(OLX_CALL*)(void*, uint32_t);
using VoidFn = int32_t(OLX_CALL*)();
using ReleaseFn = void(OLX_CALL*)();

std::vector<uint8_t> ReadAll(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
}

// Where the host reads the marker: at 0x2D0 in a 32-bit module (behind its table of five
// sections); the 64-bit build, which no host loads, carries it behind its own section table.
uint32_t MarkerOffset(const pe::Image& image) {
    return image.Is64() ? image.SectionTableEnd() : 0x2D0;
}

// The host reads the marker from the file's header before it loads a module.
bool HasRequirementMarker(const char* path) {
    pe::Image image(ReadAll(path));
    if (!image.Ok() || !image.Has(MarkerOffset(image), marker::kTotalSize)) return false;
    auto expected = marker::Expected();
    return std::memcmp(image.Bytes().data() + MarkerOffset(image), expected.data(), expected.size()) == 0;
}

// The interface version the marker in the file's header asks for, read as the host reads it
// ("&&OLX_REQUIRE_" and digits); -1 without a marker.
int RequiredVersion(const char* path) {
    pe::Image image(ReadAll(path));
    const char prefix[] = "&&OLX_REQUIRE_";
    const size_t at = image.Ok() ? MarkerOffset(image) : 0;
    if (!image.Ok() || !image.Has(at, 32) || std::memcmp(image.Bytes().data() + at, prefix, sizeof prefix - 1) != 0)
        return -1;
    int version = 0;
    for (size_t i = at + sizeof prefix - 1; image.Bytes()[i] >= '0' && image.Bytes()[i] <= '9' && version < 100000; ++i)
        version = version * 10 + (image.Bytes()[i] - '0');
    return version;
}

// A host of hostVersion loads a module only when the module's marker asks for no newer one.
HMODULE LoadPlugin(const char* path, int hostVersion) {
    const int required = RequiredVersion(path);
    if (required < 0 || hostVersion < required) return nullptr;
    return LoadLibraryA(path);
}

bool Untouched(const std::vector<uint8_t>& record, size_t from, size_t to) {
    for (size_t i = from; i < to; ++i)
        if (record[i] != 0xCC) return false;
    return true;
}

}  // namespace

int main() {
    harness::Needs needs;
    needs.data = false;
    needs.module = false;  // loaded here as a host of each version would load it
    return harness::Run(needs, [](harness::Session& session) {
        const char* path = harness::ModulePath();
        {
            pe::Image image(ReadAll(path));
            if (image.Ok() && !image.Is64())
                CHECK(image.SectionTableEnd() == 0x2D0, "the 32-bit module's section table ends at 0x2D0");
        }
        // The marker declares the version the gate of Create checks (7729 refused, 7730 accepted
        // below), so a host too old for the module does not even load it.
        CHECK(HasRequirementMarker(path), "the module carries the requirement marker");
        CHECK(RequiredVersion(path) == 7730, "its marker asks for interface version 7730");
        HMODULE refused = LoadPlugin(path, 7729);
        CHECK(refused == nullptr, "a host of version 7729 does not load the module");
        if (refused) FreeLibrary(refused);

        HMODULE module = LoadPlugin(path, 7730);
        if (!CHECK(module != nullptr, std::string(path) + " loads")) return;
        {
            // The file under test, not a copy found elsewhere on the search path.
            char loaded[MAX_PATH] = {};
            GetModuleFileNameA(module, loaded, MAX_PATH);
            char wanted[MAX_PATH] = {};
            GetFullPathNameA(path, MAX_PATH, wanted, nullptr);
            CHECK(lstrcmpiA(loaded, wanted) == 0, std::string("the module loaded is ") + wanted + " (" + loaded + ")");
        }
        harness::HostApi& host = session.host;

        const char* names[] = {"Create", "Load", "Close", "Release", "About"};
        FARPROC procs[5] = {};
        for (int i = 0; i < 5; ++i) {
            procs[i] = GetProcAddress(module, names[i]);
            FARPROC byOrdinal = GetProcAddress(module, MAKEINTRESOURCEA(i + 1));
            CHECK(procs[i] != nullptr && procs[i] == byOrdinal,
                  std::string(names[i]) + " is exported by name and as ordinal " + std::to_string(i + 1));
        }
        auto create = reinterpret_cast<CreateFn>(reinterpret_cast<void*>(procs[0]));
        auto load = reinterpret_cast<VoidFn>(reinterpret_cast<void*>(procs[1]));
        auto close = reinterpret_cast<VoidFn>(reinterpret_cast<void*>(procs[2]));
        auto release = reinterpret_cast<ReleaseFn>(reinterpret_cast<void*>(procs[3]));
        auto about = reinterpret_cast<VoidFn>(reinterpret_cast<void*>(procs[4]));
        if (!create || !load || !close || !release || !about) return;

        const uint32_t pluginId = 0x2A17;
        // Version 7729: the refusal box, result 0, the record untouched and nothing registered.
        {
            host.Reset();
            host.SetVersion(7729);
            std::vector<uint8_t> record(280, 0xCC);
            harness::BoxWatcher watcher(IDOK);
            int32_t result = create(record.data(), pluginId);
            auto boxes = watcher.Boxes();
            CHECK(result == 0, "Create refuses interface version 7729");
            CHECK(boxes.size() == 1, "one message box for the refusal");
            if (!boxes.empty()) {
                CHECK_EQ_BYTES(boxes[0].text,
                               std::string("Tephrix.olp\nOroluxのバージョンが古いためこのプラグインは使用できません."),
                               "refusal text");
                CHECK(boxes[0].icon != nullptr && boxes[0].icon == harness::StandardIcon(MB_ICONINFORMATION),
                      "refusal box shows the information icon");
                // This program has no title string: its file name without extension is the title.
                CHECK_EQ_BYTES(boxes[0].caption, std::string("entry_harness"), "refusal box carries the host's title");
            }
            CHECK(Untouched(record, 0, record.size()), "the information record is untouched");
            CHECK(host.MapTypeCount() == 0 && host.HookCount() == 0, "nothing is registered on refusal");
        }
        // Version 7730: the record, the map type and the hook.
        {
            host.Reset();
            host.SetVersion(7730);
            std::vector<uint8_t> record(280, 0xCC);
            harness::BoxWatcher watcher(IDOK);
            CHECK(create(record.data(), pluginId) == 1, "Create accepts interface version 7730");
            CHECK(watcher.Boxes().empty(), "no message box at a successful Create");
            int32_t size = 0;
            std::memcpy(&size, record.data(), 4);
            CHECK(size == 280, "record size 280");
            const std::string name = "火山標高プラグイン";
            CHECK(std::memcmp(record.data() + 4, name.c_str(), name.size() + 1) == 0, "display name at offset 4");
            CHECK(Untouched(record, 4 + name.size() + 1, 84), "bytes behind the display name untouched");
            CHECK(std::memcmp(record.data() + 84, TEPHRIX_VERSION_TEXT, sizeof TEPHRIX_VERSION_TEXT) == 0,
                  "version text at offset 84");
            CHECK(record[114] != 0xCC && record[114] != 0, "copyright line at offset 114");
            int32_t last = -1;
            std::memcpy(&last, record.data() + 276, 4);
            CHECK(last == 0, "offset 276 holds 0");
            CHECK(host.MapTypeCount() == 1 && host.HookCount() == 1, "map type and file-open hook registered");

            CHECK(load() == 1, "Load returns 1");
            CHECK(host.FindMenu("数値地図火山標高(&V)") != 0, "menu entry for the open dialog");
            CHECK(host.FindMenu("合成設定(&S)") != 0, "menu entry for the composite settings");
            int32_t state = 0;
            CHECK(host.FireMenu(host.FindMenu("合成設定(&S)"), 101, reinterpret_cast<intptr_t>(&state)) == 0 &&
                      state == 1,
                  "menu state query stores 1");
        }
        // About: the banner with the information icon; the box's result comes back.
        {
            harness::BoxWatcher watcher(IDOK);
            int32_t result = about();
            auto boxes = watcher.Boxes();
            CHECK(result == IDOK, "About returns the box's result");
            CHECK(boxes.size() == 1 && boxes[0].text.rfind("Tephrix Plugin [Ver " TEPHRIX_VERSION_TEXT "] ", 0) == 0,
                  "About banner");
            CHECK(!boxes.empty() && boxes[0].icon == harness::StandardIcon(MB_ICONINFORMATION),
                  "About shows the information icon");
            CHECK(!boxes.empty() && boxes[0].caption == "entry_harness", "About box carries the host's title");
        }
        // The file-open hook takes .LEM paths and asks the host to open them, unchanged.
        {
            host.ClearLog();
            harness::BoxWatcher watcher(IDOK);
            CHECK(host.FireFileOpenHook("C:\\MAPS\\fuji.lem") == 1, "the hook takes C:\\MAPS\\fuji.lem");
            CHECK(host.CountCalls("OLX_OpenMap") == 1, "the hook asks the host to open it");
            CHECK(host.LogText().find("\"C:\\MAPS\\fuji.lem\"") != std::string::npos, "with the path as received");
            CHECK(host.FireFileOpenHook("C:\\MAPS\\1FUJI.LEM") == 0,
                  "a name that begins with a digit is left to the host");
            CHECK(host.FireFileOpenHook("C:\\MAPS\\FUJI.CSV") == 0, "a .CSV is left to the host");
            CHECK(host.CountCalls("OLX_OpenMap") == 1, "no further open requests");
        }
        CHECK(close() == 1, "Close returns 1");
        release();
        FreeLibrary(module);
    });
}
