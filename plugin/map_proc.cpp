#include "plugin/map_proc.h"

#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "base/xem_elevation.h"
#include "lem/lem_map.h"
#include "platform/cp932.h"
#include "platform/guard.h"
#include "platform/result.h"
#include "plugin/entry.h"
#include "plugin/module_state.h"
#include "plugin/open_command.h"
#include "ui/composite_dlg.h"
#include "ui/composite_settings.h"
#include "ui/messages.h"

namespace plugin {
namespace {

// Enters a new record for handle; a record it replaces is destroyed. false when the table
// cannot grow (the new record is then destroyed by its owner, the caller).
[[nodiscard]] bool Enter(uint32_t handle, std::unique_ptr<CLemMap>& record) {
    CLemMap* replaced = nullptr;
    if (!platform::TryAllocate([&] { replaced = State().openMaps.Set(handle, record.get()); })) return false;
    (void)record.release();
    delete replaced;
    return true;
}

// path nullptr: the host is asked for the map's file once the record exists. No record, no
// dataset and no room in the table are all answered 0 without a box.
int32_t OpenMap(uint32_t handle, const char* path, bool askHost) {
    std::unique_ptr<CLemMap> record;
    if (!platform::TryAllocate([&] { record = std::make_unique<CLemMap>(); })) return 0;
    record->Margin = State().margin;
    if (askHost) path = OLX_GetMapFile(handle);
    if (!path || !record->Open(path)) return 0;
    return Enter(handle, record) ? 1 : 0;
}

int32_t ReadInt(const char* key, int32_t def) {
    return OLX_GetProfileInt(State().pluginId, key, def);
}
void WriteInt(const char* key, int32_t value) {
    (void)OLX_WriteProfileInt(State().pluginId, key, value);
}

// Composite step A: read the settings into the dialog and, unless the user asked not to be
// asked, let the user confirm them.
void ReadAndConfirmComposite(CCompositeDlg& dlg) {
    const uint32_t id = State().pluginId;
    const ui::CompositeSettings stored = ui::CompositeSettings::Read(id);
    stored.PutInto(dlg);

    if (dlg.DCMView != 0) return;
    // Cancelled, or without its window: the stored settings stand.
    if (const std::optional<ui::CompositeSettings> chosen = stored.Confirm(dlg, id)) {
        ui::CompositeSettings::WriteDcmView(id, chosen->dcmView);
    }
}

// Composite step B: attach the 50 m source the dialog's fields choose. A source that cannot be
// attached, for whatever reason (its result says which), is reported with the one stop box of
// its kind and leaves the map without background.
void AttachComposite(const CCompositeDlg& dlg, CLemMap& map) {
    if (dlg.LinkDCM == 0) return;
    if (dlg.LinkType == 0) {
        uint8_t(&setId)[kGuidebookSetIdSize] = State().guidebookSetId;
        MakeGuidebookSetId(setId, 1);
        if (!map.LinkXem(setId, kGuidebookSetName)) ui::ReportGuidebookUnusable();
        return;
    }
    if (!map.LinkDcm(dlg.DCMFile.c_str())) ui::ReportDcmUnusable(dlg.DCMFile.c_str());
}

// Prefix and title into the module's title buffer; a title longer than the header reader keeps
// is cut at a character boundary.
void SetTitle(const std::string& title) {
    char* const out = State().title;
    const size_t prefix = sizeof kTitlePrefix - 1;
    std::memcpy(out, kTitlePrefix, prefix);
    size_t n = 0;
    while (n < title.size()) {
        const size_t step = cp932::IsLeadByte(static_cast<unsigned char>(title[n])) && n + 1 < title.size() ? 2 : 1;
        if (n + step > kMaxTitleBytes || title[n] == '\0') break;
        n += step;
    }
    std::memcpy(out + prefix, title.data(), n);
    out[prefix + n] = '\0';
}

void FillMapInfo(tagMAPINFO& info, const CLemMap& map, int32_t region) {
    info.size = 72;
    info.title = State().title;
    info.flag8 = 1;
    info.one12 = 1;
    info.cellsPerDegLon = map.Cols / (map.EastLon - map.WestLon);
    info.cellsPerDegLat = map.Rows / (map.NorthLat - map.SouthLat);
    const double m = static_cast<double>(olx::kBlockSide * static_cast<int64_t>(region / 2));
    info.south = map.SouthLat - m / info.cellsPerDegLat;
    info.west = map.WestLon - m / info.cellsPerDegLon;
    info.north = map.NorthLat + m / info.cellsPerDegLat;
    info.east = map.EastLon + m / info.cellsPerDegLon;
    // 64-bit sums: a huge Region wraps as the host's 32-bit arithmetic would, without overflow.
    info.width = static_cast<int32_t>(map.Cols + olx::kBlockSide * static_cast<int64_t>(region));
    info.height = static_cast<int32_t>(map.Rows + olx::kBlockSide * static_cast<int64_t>(region));
}

int32_t Describe(uint32_t handle, tagMAPINFO* info) {
    // The dialog lives for the whole message; leaving this scope on any path ends it.
    CCompositeDlg dlg;

    ModuleState& state = State();
    CLemMap* map = state.openMaps.Lookup(handle);
    if (!map) {
        if (OpenMap(handle, nullptr, true) == 0) return 0;
        map = state.openMaps.Lookup(handle);
        TEPHRIX_CHECK(map != nullptr);
    }
    if (const platform::Result header = map->GetHeader(); !header) {
        ui::ReportReadFailure(header);
        return 0;
    }
    const uint64_t serial = map->Serial;

    ReadAndConfirmComposite(dlg);

    const int32_t region = ReadInt(ui::kRegionKey, lem::kDefaultMargin);
    SetMargin(region);
    WriteInt(ui::kRegionKey, region);

    // The dialog may have opened maps through the host; look the record up again. A record
    // that replaced this one has not read its header: it is not described.
    map = state.openMaps.Lookup(handle);
    if (!map || map->Serial != serial) return 0;

    SetTitle(map->Title);
    FillMapInfo(*info, *map, region);
    map->CellsPerDegLon = info->cellsPerDegLon;
    map->CellsPerDegLat = info->cellsPerDegLat;
    map->OriginLat = info->south;
    map->OriginLon = info->west;

    AttachComposite(dlg, *map);
    return 1;
}

}  // namespace
}  // namespace plugin

int32_t OLX_CALL LemMapProc(int32_t code, uint32_t handle, intptr_t param) {
    using namespace plugin;
    // Whatever fails inside is answered 0: not opened, not described, not read, not closed.
    return platform::Guarded(0, [&]() -> int32_t {
        switch (code) {
            case olx::kMenuCommand: return RunOpenCommand();
            case olx::kMenuState: {
                auto* state = olx::FromParam<int32_t>(param);
                if (state) *state = 1;
                return 0;
            }
            case olx::kMsgFileType: {
                auto* info = olx::FromParam<tagFILETYPEINFO>(param);
                if (!info) return 0;
                info->flag4 = 1;
                info->flag5 = 1;
                info->filterName = kFilterName;
                info->pattern = kFilePattern;
                return 0;
            }
            case olx::kMsgRecognise: return IsLemPath(olx::FromParam<const char>(param)) ? 1 : 0;
            case olx::kMsgOpen: {
                const char* path = olx::FromParam<const char>(param);
                return path ? OpenMap(handle, path, false) : 0;
            }
            case olx::kMsgDescribe: {
                auto* info = olx::FromParam<tagMAPINFO>(param);
                return info ? Describe(handle, info) : 0;
            }
            case olx::kMsgReadBlock: {
                auto* request = olx::FromParam<tagBLOCKREQUEST>(param);
                if (!request || !request->values) return 0;
                CLemMap* map = State().openMaps.Lookup(handle);
                return map ? map->ReadBlock(request->blockId, request->values) : 0;
            }
            case olx::kMsgClose: {
                CLemMap* map = State().openMaps.Lookup(handle);
                if (!map) return 0;
                map->CloseDataset();
                const bool removed = State().openMaps.Remove(handle) == map;
                delete map;
                TEPHRIX_CHECK(removed);
                return 1;
            }
            default: return 0;
        }
    });
}
