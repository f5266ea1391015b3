#include "plugin/composite_menu.h"

#include <string>

#include "platform/cp932.h"
#include "plugin/module_state.h"
#include "ui/composite_dlg.h"

namespace {

void UpdateSettings() {
    plugin::ModuleState& state = plugin::State();
    const uint32_t id = state.pluginId;

    CCompositeDlg dlg;
    dlg.LinkType = OLX_GetProfileInt(id, "LinkType", 0);
    dlg.LinkDCM = OLX_GetProfileInt(id, "LinkDCM", 0);
    const char* stored = OLX_GetProfileString(id, "DCMFile", "");
    dlg.DCMFile = stored ? stored : "";
    dlg.DCMView = OLX_GetProfileInt(id, "DCMView", 0);
    const int32_t readLinkType = dlg.LinkType;
    const int32_t readLinkDcm = dlg.LinkDCM;
    const std::string readFile = dlg.DCMFile;

    if (dlg.DoModal() != ui::kIdOk) return;

    if (dlg.LinkDCM != readLinkDcm || dlg.LinkType != readLinkType ||
        cp932::CompareNoCase(dlg.DCMFile, readFile) != 0) {
        (void)OLX_ClearAllViewCache();
    }
    (void)OLX_WriteProfileInt(id, "LinkType", dlg.LinkType);
    (void)OLX_WriteProfileInt(id, "LinkDCM", dlg.LinkDCM);
    (void)OLX_WriteProfileString(id, "DCMFile", dlg.DCMFile.c_str());

    // The path is handed to the host, so it lies in module storage that outlives the call.
    const char* group = OLX_GetMapgroupFile(OLX_GetActiveBaseMap());
    state.reopenPath = group ? group : "";
    const int32_t material = OLX_GetMatIndex(OLX_GetActiveCoverMap());
    tagGEOPOS center{};
    (void)OLX_GetViewCenter(OLX_GetActiveView(), &center);

    tagOPENMAPINFO info{};
    info.size = 56;
    info.path = state.reopenPath.c_str();
    info.flag = 1;
    info.center = center;
    info.zero32 = 0;
    info.zero40 = 0;
    info.matIndex = material;

    // Set so that the open message of the reopen does not show the dialog a second time.
    (void)OLX_WriteProfileInt(id, "DCMView", 1);
    (void)OLX_OpenMap(OLX_GetActiveView(), &info);
    (void)OLX_WriteProfileInt(id, "DCMView", dlg.DCMView);
}

}  // namespace

int32_t OLX_CALL CompositeMenuProc(int32_t code, uint32_t /*handle*/, intptr_t param) {
    try {
        if (code == olx::kMenuCommand) {
            UpdateSettings();
        } else if (code == olx::kMenuState) {
            if (auto* state = olx::FromParam<int32_t>(param)) *state = 1;
        }
    } catch (...) {
        // Nothing crosses into the host.
    }
    return 0;
}
