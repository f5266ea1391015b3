#include "plugin/composite_menu.h"

#include <optional>
#include <string>

#include "platform/guard.h"
#include "plugin/module_state.h"
#include "ui/composite_dlg.h"
#include "ui/composite_settings.h"

namespace {

void UpdateSettings() {
    plugin::ModuleState& state = plugin::State();
    const uint32_t id = state.pluginId;

    CCompositeDlg dlg;
    const ui::CompositeSettings stored = ui::CompositeSettings::Read(id);
    stored.PutInto(dlg);

    // Cancelled, or without its window: nothing is stored and nothing reopened.
    const std::optional<ui::CompositeSettings> chosen = stored.Confirm(dlg, id);
    if (!chosen) return;

    // The path is handed to the host, so it lies in module storage that outlives the call.
    const char* group = OLX_GetMapgroupFile(OLX_GetActiveBaseMap());
    state.reopenPath = group ? group : "";
    const int32_t material = OLX_GetMatIndex(OLX_GetActiveCoverMap());
    tagGEOPOS center{};
    (void)OLX_GetViewCenter(OLX_GetActiveView(), &center);

    // At the view's centre, with the cover map's material.
    tagOPENMAPINFO info = olx::OpenFileRequest(state.reopenPath.c_str());
    info.flag = 1;
    info.center = center;
    info.matIndex = material;

    // Set so that the open message of the reopen does not show the dialog a second time.
    ui::CompositeSettings::WriteDcmView(id, 1);
    (void)OLX_OpenMap(OLX_GetActiveView(), &info);
    ui::CompositeSettings::WriteDcmView(id, chosen->dcmView);
}

}  // namespace

int32_t OLX_CALL CompositeMenuProc(int32_t code, uint32_t /*handle*/, intptr_t param) {
    // A menu procedure answers 0 whatever happened; a command that fails inside stops there.
    return platform::Guarded(0, [&] {
        if (code == olx::kMenuCommand) {
            UpdateSettings();
        } else if (code == olx::kMenuState) {
            if (auto* state = olx::FromParam<int32_t>(param)) *state = 1;
        }
        return 0;
    });
}
