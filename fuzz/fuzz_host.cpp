// The fuzzer plays the host: each input is a script of host actions (fuzz/host_script.h) over
// two small sheets and a DCM file that the script may change between calls. The module is
// driven through its exports, LemMapProc and its menu procedures against the host stand-in.
// Checked after every action:
//   - every text address the module handed out (titles, file-type texts) still reads as such;
//   - block writes stay inside the host's buffer (guard bytes on both sides);
//   - a handle the module does not hold gets 0 and an untouched buffer, 2021 included;
//   - a map that is located but not indexed places nothing;
//   - a block equals what a fresh open of the same files gives while they have not changed.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "base/xem_elevation.h"
#include "fuzz/fuzz_support.h"
#include "fuzz/host_script.h"
#include "hostsim/host.h"
#include "lem/lem_map.h"
#include "plugin/entry.h"
#include "plugin/map_proc.h"
#include "plugin/module_state.h"

namespace {

using namespace fuzz::host;

constexpr uint32_t kPluginId = 0x2A17;
constexpr int kSide = 320;
constexpr size_t kBlockBytes = kSide * kSide * sizeof(int16_t);
constexpr size_t kGuard = 64;
constexpr uint8_t kGuardByte = 0xA7;
constexpr uint8_t kFillByte = 0x5A;
constexpr int kMaxActions = 64;
constexpr int kMaxBlockReads = 12;  // a block costs two fills and two extractions

// ---- the files

constexpr char kScaleMark[] = "\x8F\x6B\x8E\xDA";                   // 縮尺
constexpr char kRecordMark[] = "\x83\x8C\x83\x52\x81\x5B\x83\x68";  // レコード
constexpr char kDcmPath[] = "C:\\D\\BASE.DCM";
constexpr char kMissingDcmPath[] = "C:\\D\\NONE.DCM";

struct SheetPaths {
    const char* data;
    const char* header;
};
constexpr SheetPaths kSheets[2] = {
    {"C:\\F\\LEM\\A.LEM", "C:\\F\\HEADER\\A.CSV"},
    {"C:\\F\\LEM\\B.LEM", "C:\\F\\HEADER\\B.CSV"},
};

// Path slots of 2004 and of the open command: data and header paths of both sheets, a file
// that does not exist, a path of 260 bytes.
std::string OpenPathSlot(uint8_t slot) {
    switch (slot % 6) {
        case 0: return kSheets[0].data;
        case 1: return kSheets[1].data;
        case 2: return kSheets[0].header;
        case 3: return kSheets[1].header;
        case 4: return "C:\\F\\LEM\\NONE.LEM";
        default: return "C:\\F\\LEM\\" + std::string(247, 'X') + ".LEM";
    }
}

// Which sheet a path names (the two paths of each); -1 for any other.
int SheetOf(const std::string& path) {
    for (int s = 0; s < 2; ++s) {
        if (path == kSheets[s].data || path == kSheets[s].header) return s;
    }
    return -1;
}

const std::string& TitleText(int index) {
    static const std::string titles[4] = {
        "T",
        "\x8E\x52",  // 山
        std::string(36, 'M') + "\x8E\x52\x8E\x52",
        std::string(180, 'L') + "\x95\x78\x8E\x6D\x8E\x52\x8E\x52\x8E\x52\x8E\x52\x8E\x52\x8E\x52\x8E\x52\x8E\x52",
    };
    return titles[index & 3];
}

struct Size {
    int cols;
    int rows;
};
constexpr Size kSizes[4] = {{3, 2}, {7, 5}, {12, 9}, {330, 3}};

struct HeaderVariant {
    int title;
    Size size;
    int flags;   // 0 all present, 1 odd rows absent, 2 first row absent, 3 flag value 2
    int damage;  // 0 none, 1 no scale mark, 2 Cols 0, 3 cut after line 10
};

HeaderVariant DecodeHeader(uint8_t v) {
    return {v & 3, kSizes[(v >> 2) & 3], (v >> 4) & 3, (v >> 6) & 3};
}

bool RowPresent(const HeaderVariant& h, int r) {
    switch (h.flags) {
        case 1: return r % 2 == 0;
        case 2: return r != 0;
        default: return true;
    }
}

std::string HeaderText(int sheet, uint8_t variant) {
    const HeaderVariant h = DecodeHeader(variant);
    std::string text;
    int lineNo = 0;
    auto line = [&](const std::string& key, const std::string& value) {
        if (h.damage == 3 && lineNo > 10) return;
        text += key + "," + value + "\r\n";
        ++lineNo;
    };
    const std::string minutes = std::to_string(sheet * 10);
    line(h.damage == 1 ? "SCALE" : kScaleMark, "5000");
    line("NAME", "LEM");
    line("DATUM", "TOKYO");
    line("SPACING", "5");
    line("COLS", h.damage == 2 ? "0" : std::to_string(h.size.cols));
    line("ROWS", std::to_string(h.size.rows));
    line("S", "35"), line("S", minutes), line("S", "0");
    line("W", "138"), line("W", minutes), line("W", "0");
    line("N", "35"), line("N", minutes), line("N", std::to_string(h.size.rows));
    line("E", "138"), line("E", minutes), line("E", std::to_string(h.size.cols));
    line("TITLE", TitleText(h.title));
    for (int i = 19; i < 27; ++i) line("R" + std::to_string(i), "");
    for (int r = 0; r < h.size.rows; ++r) line(kRecordMark, RowPresent(h, r) ? (h.flags == 3 ? "2" : "1") : "0");
    return text;
}

enum DataKind : uint8_t { kProper, kReplaced, kLonger, kTruncated, kMissing };

// Data lines for the present rows; values in tenths of a metre with a no-data cell now and then.
std::string DataText(int sheet, uint8_t headerVariant, DataKind kind, uint8_t keptQuarters) {
    const HeaderVariant h = DecodeHeader(headerVariant);
    const int seed = kind == kReplaced ? 7 : 0;
    const int extraRows = kind == kLonger ? 4 : 0;
    const int cols = h.size.cols + (kind == kLonger ? 3 : 0);
    std::string text;
    char field[16];
    for (int r = 0; r < h.size.rows + extraRows; ++r) {
        if (r < h.size.rows && !RowPresent(h, r)) continue;
        std::snprintf(field, sizeof field, "5338%06d", r);
        text += field;
        for (int c = 0; c < cols; ++c) {
            int v = ((r * 131 + c * 71 + seed * 977 + sheet * 13) % 4000) * 7 - 3000;
            if ((r * 7 + c + seed) % 23 == 0) v = -9999;
            std::snprintf(field, sizeof field, "%5d", v);
            text.append(field, 5);
        }
        text += "\r\n";
    }
    if (kind == kTruncated) text.resize(std::min<size_t>(text.size(), size_t{keptQuarters} * 4));
    return text;
}

// One tile of 320 x 320 cells at one cell a degree from 0 N 0 E: it lies under both sheets.
const std::string& DcmText(int variant) {
    static std::string files[4];
    std::string& file = files[variant & 3];
    if (file.empty() && (variant & 3) != 0) {
        const int offset = (variant & 3) == 2 ? 500 : 0;
        file.assign(214 + 16, '\0');
        auto put = [&](size_t at, uint32_t v) {
            for (int i = 0; i < 4; ++i) file[at + i] = static_cast<char>(v >> (8 * i));
        };
        file.replace(0, 4, "BEVM");
        put(6, 1);
        put(10, 214);
        put(22, 1);
        put(26, 1);
        put(214, 100);
        put(218, 230);
        // Steep slopes: a sheet placed a little off reads other heights.
        for (int i = 0; i < kSide * kSide; ++i) {
            const int height = offset + ((i % kSide) * 97 + (i / kSide) * 211) % 3000;
            file += static_cast<char>(height & 0xFF);
            file += static_cast<char>(height >> 8);
        }
        if ((variant & 3) == 3) file.resize(230 + 1000);
    }
    return file;
}

// Writes only what differs from what this process wrote there last: most inputs start from the
// same files, and the DCM file is 200 KiB.
void Put(const std::string& path, const std::string* bytes) {
    static std::map<std::string, std::optional<std::string>> written;
    auto it = written.find(path);
    if (it != written.end()) {
        if (!bytes && !it->second) return;
        if (bytes && it->second && *it->second == *bytes) return;
    }
    if (bytes) {
        fuzz::WriteFile(path, *bytes);
        written[path] = *bytes;
    } else {
        fuzz::RemoveFile(path);
        written[path] = std::nullopt;
    }
}

struct Sheet {
    uint8_t header = 0;
    bool headerPresent = true;
    DataKind data = kProper;
    uint8_t kept = 0;
    uint32_t version = 0;  // bumped at every change of either file
};

struct World {
    Sheet sheets[2];
    int dcm = 1;
    uint32_t dcmVersion = 0;

    bool DataExists(int s) const { return sheets[s].data != kMissing; }
    bool HeaderValid(int s) const { return sheets[s].headerPresent && DecodeHeader(sheets[s].header).damage == 0; }
    bool HeaderHasMark(int s) const { return sheets[s].headerPresent && DecodeHeader(sheets[s].header).damage != 1; }

    void Write(int s) const {
        const Sheet& sh = sheets[s];
        const std::string header = HeaderText(s, sh.header);
        Put(kSheets[s].header, sh.headerPresent ? &header : nullptr);
        const std::string data = DataText(s, sh.header, sh.data, sh.kept);
        Put(kSheets[s].data, sh.data == kMissing ? nullptr : &data);
    }
    void WriteDcm() const { Put(kDcmPath, dcm ? &DcmText(dcm) : nullptr); }
};

// ---- what the host knows about each handle

struct Snapshot {
    int sheet = -1;
    uint32_t sheetVersion = 0;
    uint32_t dcmVersion = 0;
    int32_t linkDcm = 0;
    int32_t linkType = 0;
    std::string dcmFile;
    int32_t region = 0;
};

enum class MapState { kEntered, kDescribed };
struct MapModel {
    MapState state = MapState::kEntered;
    int sheet = -1;
    Snapshot described;
};

int32_t ProfileInt(const char* key, int32_t def) {
    const std::optional<std::string> v = hostsim::Get().Profiles().Get(kPluginId, key);
    return v ? std::atoi(v->c_str()) : def;
}

// A text the module handed out and the bytes it must begin with.
struct KeptText {
    const char* address;
    std::string expectedPrefix;
    bool exact;
};

struct Session {
    World world;
    std::map<uint32_t, MapModel> maps;
    std::vector<KeptText> kept;
    bool loaded = false;
    int blockReads = 0;
};

Snapshot SnapshotNow(const Session& s, int sheet) {
    Snapshot snap;
    snap.sheet = sheet;
    snap.sheetVersion = s.world.sheets[sheet].version;
    snap.dcmVersion = s.world.dcmVersion;
    snap.linkDcm = ProfileInt("LinkDCM", 0);
    snap.linkType = ProfileInt("LinkType", 0);
    const std::optional<std::string> file = hostsim::Get().Profiles().Get(kPluginId, "DCMFile");
    snap.dcmFile = file ? *file : "";
    snap.region = plugin::State().margin;
    return snap;
}

void CheckKeptTexts(const Session& s) {
    for (const KeptText& k : s.kept) {
        // Every byte is read, up to a bound no text of the module reaches.
        const size_t length = ::strnlen(k.address, 1024);
        FUZZ_CHECK(length < 1024);
        FUZZ_CHECK(length >= k.expectedPrefix.size());
        FUZZ_CHECK(std::memcmp(k.address, k.expectedPrefix.data(), k.expectedPrefix.size()) == 0);
        if (k.exact) FUZZ_CHECK(length == k.expectedPrefix.size());
    }
}

std::string ExpectedTitle(const Session& s, int sheet) {
    return std::string(plugin::kTitlePrefix) + TitleText(DecodeHeader(s.world.sheets[sheet].header).title);
}

// ---- the host's block buffer

struct GuardedBlock {
    uint8_t bytes[kGuard + kBlockBytes + kGuard];
    int16_t* Values() { return reinterpret_cast<int16_t*>(bytes + kGuard); }
    void Prepare() {
        std::memset(bytes, kGuardByte, kGuard);
        std::memset(bytes + kGuard, kFillByte, kBlockBytes);
        std::memset(bytes + kGuard + kBlockBytes, kGuardByte, kGuard);
    }
    bool GuardsIntact() const {
        for (size_t i = 0; i < kGuard; ++i) {
            if (bytes[i] != kGuardByte || bytes[kGuard + kBlockBytes + i] != kGuardByte) return false;
        }
        return true;
    }
    bool ValuesAre(uint8_t b) const {
        const uint8_t* v = bytes + kGuard;
        return v[0] == b && std::memcmp(v, v + 1, kBlockBytes - 1) == 0;
    }
};

GuardedBlock& HostBlock() {
    static GuardedBlock block;
    return block;
}

// A fresh record on the snapshot's files, placed and linked as the handler places and links a
// described map; its block for blockId with the same starting bytes.
int FreshBlock(const Snapshot& snap, int32_t blockId, int16_t* values) {
    CLemMap map;
    if (!map.Open(kSheets[snap.sheet].data)) return -1;
    if (!map.GetHeader()) return -1;
    // The margin is the module's: every map-info message sets it on all open maps, so a map
    // described before places its blocks with the latest one (its origin stays its own).
    map.Margin = plugin::State().margin;
    map.CellsPerDegLon = map.Cols / (map.EastLon - map.WestLon);
    map.CellsPerDegLat = map.Rows / (map.NorthLat - map.SouthLat);
    const double m = static_cast<double>(320 * static_cast<int64_t>(snap.region / 2));
    map.OriginLat = map.SouthLat - m / map.CellsPerDegLat;
    map.OriginLon = map.WestLon - m / map.CellsPerDegLon;
    if (snap.linkDcm != 0) {
        if (snap.linkType == 0) {
            uint8_t setId[kGuidebookSetIdSize];
            MakeGuidebookSetId(setId, 1);
            (void)map.LinkXem(setId, plugin::kGuidebookSetName);
        } else {
            (void)map.LinkDcm(snap.dcmFile.c_str());
        }
    }
    std::memset(values, kFillByte, kBlockBytes);
    return map.ReadBlock(blockId, values);
}

int32_t BlockIdFor(uint8_t a, uint8_t b) {
    if (b & 0x80) return static_cast<int32_t>((uint32_t{a} << 24) ^ (uint32_t{b} * 2654435761u) ^ a);
    // Near the sheet's first cell, which lies 320 x (margin div 2) cells in from the south-west.
    const int64_t r2 = plugin::State().margin / 2;
    const int64_t x = 320 * r2 + 320 * ((b & 3) - 1) + 40 * (a & 7);
    const int64_t y = 320 * r2 + 320 * (((b >> 2) & 3) - 1) + 40 * ((a >> 3) & 7);
    const int64_t cb = x / 320 + 1;
    const int64_t rb = y / 320;
    const int64_t id = (x % 320) / 40 + 10 * ((y % 320) / 40) + 100 * (cb % 100) + 10000 * (rb % 100) +
                       1000000 * (cb / 100) + 100000000 * (rb / 100);
    return static_cast<int32_t>(id);
}

uint32_t HandleFor(uint8_t slot) {
    switch (slot & 7) {
        case 4: return kFirstHostHandle;
        case 5: return kFirstHostHandle + kHostHandleStep;
        case 6: return 7;
        case 7: return 0xFFFFFFFFu;
        default: return kScriptHandles[slot & 3];
    }
}

// ---- the actions

void ReadBlockAction(Session& s, uint32_t handle, int32_t blockId) {
    GuardedBlock& block = HostBlock();
    block.Prepare();
    tagBLOCKREQUEST request{};
    request.blockId = blockId;
    request.values = block.Values();
    const int32_t result = LemMapProc(olx::kMsgReadBlock, handle, olx::ToParam(&request));
    FUZZ_CHECK(block.GuardsIntact());

    auto it = s.maps.find(handle);
    if (it == s.maps.end()) {
        FUZZ_CHECK(result == 0);
        FUZZ_CHECK(block.ValuesAre(kFillByte));
        return;
    }
    const MapModel& map = it->second;
    if (!s.world.DataExists(map.sheet)) {
        FUZZ_CHECK(result == 0);
        FUZZ_CHECK(block.ValuesAre(0));
        return;
    }
    FUZZ_CHECK(result == 1);
    if (map.state == MapState::kEntered) {
        // Located, not indexed: no source and no row offsets, so nothing is written.
        FUZZ_CHECK(block.ValuesAre(kFillByte));
        return;
    }
    const Snapshot& snap = map.described;
    if (snap.sheetVersion != s.world.sheets[snap.sheet].version || snap.dcmVersion != s.world.dcmVersion) return;
    static int16_t fresh[kSide * kSide];
    FUZZ_CHECK(FreshBlock(snap, blockId, fresh) == result);
    FUZZ_CHECK(std::memcmp(fresh, block.Values(), kBlockBytes) == 0);
}

bool ExpectOpen(const Session& s, const std::string& path) {
    const int sheet = SheetOf(path);
    return sheet >= 0 && s.world.DataExists(sheet) && s.world.sheets[sheet].headerPresent &&
           s.world.HeaderHasMark(sheet);
}

void OpenAction(Session& s, uint32_t handle, const std::string& path) {
    const int32_t result = LemMapProc(olx::kMsgOpen, handle, olx::ToParam(path.c_str()));
    FUZZ_CHECK(result == (ExpectOpen(s, path) ? 1 : 0));
    if (result == 1) s.maps[handle] = MapModel{MapState::kEntered, SheetOf(path), {}};
}

void DescribeAction(Session& s, uint32_t handle, bool cancel) {
    hostsim::Host& host = hostsim::Get();
    host.Desktop().ClearDialogScripts();
    host.Desktop().ScriptDialog(cancel ? hostsim::PressCancel() : hostsim::PressOk());
    tagMAPINFO info;
    std::memset(&info, 0xEE, sizeof info);
    const tagMAPINFO untouched = info;
    const int32_t result = LemMapProc(olx::kMsgDescribe, handle, olx::ToParam(&info));

    auto it = s.maps.find(handle);
    if (it == s.maps.end()) {
        // Opened from the path the host gives for the handle.
        const char* file = OLX_GetMapFile(handle);
        const std::string path = file ? file : "";
        if (ExpectOpen(s, path)) {
            it = s.maps.emplace(handle, MapModel{MapState::kEntered, SheetOf(path), {}}).first;
        }
    }
    if (it == s.maps.end()) {
        FUZZ_CHECK(result == 0);
        FUZZ_CHECK(std::memcmp(&info, &untouched, sizeof info) == 0);
        return;
    }
    MapModel& map = it->second;
    const bool indexed = s.world.HeaderValid(map.sheet) && s.world.DataExists(map.sheet);
    FUZZ_CHECK(result == (indexed ? 1 : 0));
    if (!indexed) {
        map.state = MapState::kEntered;
        FUZZ_CHECK(std::memcmp(&info, &untouched, sizeof info) == 0);
        return;
    }
    map.state = MapState::kDescribed;
    map.described = SnapshotNow(s, map.sheet);
    FUZZ_CHECK(info.size == 72);
    const Size size = DecodeHeader(s.world.sheets[map.sheet].header).size;
    FUZZ_CHECK(info.width == static_cast<int32_t>(size.cols + 320 * int64_t{map.described.region}));
    FUZZ_CHECK(info.title != nullptr);
    const std::string title = ExpectedTitle(s, map.sheet);
    FUZZ_CHECK(title == info.title);
    s.kept.push_back({info.title, plugin::kTitlePrefix, false});
}

void CloseMapAction(Session& s, uint32_t handle) {
    const int32_t result = LemMapProc(olx::kMsgClose, handle, 0);
    FUZZ_CHECK(result == (s.maps.count(handle) ? 1 : 0));
    s.maps.erase(handle);
}

void RecogniseAction(uint8_t slot) {
    struct Case {
        const char* path;
        int32_t expected;
    };
    static const std::string longPath = "C:\\" + std::string(252, 'Y') + ".LEM";  // 259 characters
    static const std::string tooLong = "C:\\" + std::string(253, 'Y') + ".LEM";   // 260
    const Case cases[] = {
        {"C:\\F\\LEM\\A.LEM", 1}, {"C:\\F\\LEM\\1A.LEM", 0},  {"C:\\F\\HEADER\\A.CSV", 0}, {"c:\\f\\lem\\a.lem", 1},
        {"C:\\F.LEM\\1A.CSV", 0}, {"C:\\F\\\x83\x5C.LEM", 1}, {longPath.c_str(), 1},       {tooLong.c_str(), 0},
    };
    const Case& c = cases[slot % (sizeof cases / sizeof cases[0])];
    FUZZ_CHECK(LemMapProc(olx::kMsgRecognise, 0, olx::ToParam(c.path)) == c.expected);
}

void FileTypeAction(Session& s) {
    tagFILETYPEINFO info;
    std::memset(&info, 0xEE, sizeof info);
    FUZZ_CHECK(LemMapProc(olx::kMsgFileType, 0, olx::ToParam(&info)) == 0);
    FUZZ_CHECK(info.filterName != nullptr && info.pattern != nullptr);
    s.kept.push_back({info.filterName, plugin::kFilterName, true});
    s.kept.push_back({info.pattern, plugin::kFilePattern, true});
}

// After a menu command: what the host's own messages did to each handle, in the order the host
// sent them (a reopen closes the map of its path first; a handle the host hands out may be one
// the script used already), and the titles of the maps it described.
void FollowHostMessages(Session& s, size_t logBefore, size_t mapsBefore) {
    hostsim::Host& host = hostsim::Get();
    const std::vector<hostsim::Call>& log = host.Log().Entries();
    for (size_t i = logBefore; i < log.size(); ++i) {
        const hostsim::Call& call = log[i];
        if (call.kind != hostsim::Call::Kind::Send) continue;
        const auto handle = static_cast<uint32_t>(std::strtoul(call.args.c_str(), nullptr, 10));
        if (call.name == "map 2004") {
            // Arguments: handle, then the path in double quotes.
            const size_t open = call.args.find('"');
            const std::string path = call.args.substr(open + 1, call.args.size() - open - 2);
            FUZZ_CHECK((call.result == "1") == ExpectOpen(s, path));
            if (call.result == "1") s.maps[handle] = MapModel{MapState::kEntered, SheetOf(path), {}};
        } else if (call.name == "map 2011") {
            auto it = s.maps.find(handle);
            if (it == s.maps.end()) continue;
            if (call.result == "1") {
                it->second.state = MapState::kDescribed;
                it->second.described = SnapshotNow(s, it->second.sheet);
            } else {
                it->second.state = MapState::kEntered;
            }
        } else if (call.name == "map 2021") {
            s.maps.erase(handle);
        }
    }
    for (size_t i = mapsBefore; i < host.Maps().Records().size(); ++i) {
        const hostsim::OpenMap& m = host.Maps().Records()[i];
        if (!m.open || m.described != 1) continue;
        const int sheet = SheetOf(m.path);
        FUZZ_CHECK(sheet >= 0);
        FUZZ_CHECK(m.title == ExpectedTitle(s, sheet));
        s.kept.push_back({m.info.title, plugin::kTitlePrefix, false});
    }
}

void MenuAction(Session& s, bool openCommand, uint8_t a) {
    hostsim::Host& host = hostsim::Get();
    host.Desktop().ClearDialogScripts();
    host.Desktop().ClearOpenDialogAnswers();
    const size_t logBefore = host.Log().Entries().size();
    const size_t mapsBefore = host.Maps().Records().size();
    if (openCommand) {
        if (a == 0) {
            host.Desktop().AnswerOpenDialog({2, ""});
        } else {
            host.Desktop().AnswerOpenDialog({1, OpenPathSlot(static_cast<uint8_t>(a - 1))});
        }
        // The open dialog's OK leads to the map's own composite dialog.
        host.Desktop().ScriptDialog((a & 0x40) ? hostsim::PressCancel() : hostsim::PressOk());
        FUZZ_CHECK(host.Registry().FireMenu(host.Registry().FindMenu(plugin::kMapMenuText), olx::kMenuCommand) == 0);
    } else {
        host.Desktop().ScriptDialog((a & 1) ? hostsim::PressCancel() : hostsim::PressOk());
        const int32_t menu = host.Registry().FindMenu(plugin::kCompositeMenuText);
        FUZZ_CHECK(host.Registry().FireMenu(menu, olx::kMenuCommand) == 0);
    }
    FollowHostMessages(s, logBefore, mapsBefore);
}

void SettingsAction(uint8_t a, uint8_t b) {
    static constexpr int32_t kRegions[8] = {256, 0, 1, 2, 3, 4, 5, 7};
    hostsim::Host& host = hostsim::Get();
    host.Profiles().SetInt(kPluginId, "LinkDCM", a & 1);
    host.Profiles().SetInt(kPluginId, "LinkType", (a >> 1) & 1);
    host.Profiles().Set(kPluginId, "DCMFile", (a & 4) ? kMissingDcmPath : kDcmPath);
    host.Profiles().SetInt(kPluginId, "DCMView", (a >> 3) & 1);
    host.Profiles().SetInt(kPluginId, "Region", kRegions[b & 7]);
}

void ChangeFileAction(Session& s, uint8_t a, uint8_t b) {
    const int sheet = a & 1;
    Sheet& sh = s.world.sheets[sheet];
    switch ((a >> 1) % kChangeKindCount) {
        case kDeleteData: sh.data = kMissing; break;
        case kTruncateData:
            sh.data = kTruncated;
            sh.kept = b;
            break;
        case kLongerData: sh.data = kLonger; break;
        case kReplaceData: sh.data = kReplaced; break;
        case kRestoreData: sh.data = kProper; break;
        case kRewriteHeader:
            sh.header = b;
            sh.headerPresent = true;
            break;
        case kDeleteHeader: sh.headerPresent = false; break;
        case kReplaceDcm:
            s.world.dcm = b & 3;
            ++s.world.dcmVersion;
            s.world.WriteDcm();
            return;
    }
    ++sh.version;
    s.world.Write(sheet);
}

void Start(Session& s) {
    std::vector<uint8_t> record(plugin::kInfoRecordSize, 0xCC);
    FUZZ_CHECK(Create(record.data(), kPluginId) == 1);
    FUZZ_CHECK(Load() == 1);
    s.loaded = true;
}

void Run(Session& s, uint8_t op, uint8_t a, uint8_t b) {
    switch (op % kActionCount) {
        case kOpen: OpenAction(s, HandleFor(a), OpenPathSlot(b)); break;
        case kDescribe: DescribeAction(s, HandleFor(a), (b & 1) != 0); break;
        case kReadBlock:
            if (s.blockReads++ < kMaxBlockReads) ReadBlockAction(s, HandleFor(a), BlockIdFor(a, b));
            break;
        case kCloseMap: CloseMapAction(s, HandleFor(a)); break;
        case kRecognise: RecogniseAction(a); break;
        case kFileType: FileTypeAction(s); break;
        case kOpenCommand: MenuAction(s, true, a); break;
        case kCompositeMenu: MenuAction(s, false, a); break;
        case kSettings: SettingsAction(a, b); break;
        case kChangeFile: ChangeFileAction(s, a, b); break;
        case kClose: FUZZ_CHECK(Close() == 1); break;
        case kRelease:
            Release();
            s.maps.clear();
            s.loaded = false;
            break;
        case kCreate:
            if (s.loaded) break;
            // The module is unloaded and loaded again: texts and maps of the old instance are gone.
            plugin::ResetModuleState();
            s.kept.clear();
            s.maps.clear();
            Start(s);
            break;
        default: break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::BeginInput();
    plugin::ResetModuleState();
    hostsim::Host& host = hostsim::Get();
    host.Maps().SetNextHandle(kFirstHostHandle);
    host.Maps().SetHandleStep(kHostHandleStep);
    for (size_t i = 0; i < sizeof kScriptHandles / sizeof kScriptHandles[0]; ++i) {
        host.Maps().SetMapFile(kScriptHandles[i], OpenPathSlot(static_cast<uint8_t>(i == 3 ? 4 : i)));
    }
    host.Guidebook().SetSource(hostsim::MakeSetInfo(0, 0, 1, 1, hostsim::kDatumTokyo), [](int32_t, int16_t* out) {
        static const std::vector<int16_t> tile = [] {
            std::vector<int16_t> t(kSide * kSide);
            for (int i = 0; i < kSide * kSide; ++i)
                t[i] = static_cast<int16_t>(200 + ((i % kSide) * 211 + (i / kSide) * 97) % 2500);
            return t;
        }();
        std::memcpy(out, tile.data(), kBlockBytes);
        return true;
    });

    Session s;
    s.world.sheets[0].header = 0x05;  // 山, 7 x 5
    s.world.sheets[1].header = 0x02;  // a 40-byte title, 3 x 2
    s.world.Write(0);
    s.world.Write(1);
    s.world.WriteDcm();
    Start(s);

    fuzz::Input in(data, size);
    for (int n = 0; n < kMaxActions && in.Left() >= 1; ++n) {
        const uint8_t op = in.U8();
        const uint8_t a = in.U8();
        const uint8_t b = in.U8();
        // TEPHRIX_FUZZ_TRACE=1 lists the actions, to read a crasher.
        static const bool trace = std::getenv("TEPHRIX_FUZZ_TRACE") != nullptr;
        if (trace) std::fprintf(stderr, "action %d: %d %d %d\n", n, op % kActionCount, a, b);
        Run(s, op, a, b);
        CheckKeptTexts(s);
    }
    if (s.loaded) Release();
    CheckKeptTexts(s);
    plugin::ResetModuleState();
    return 0;
}
