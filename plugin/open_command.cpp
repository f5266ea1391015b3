#include "plugin/open_command.h"

#include <string>

#include "olx/host_interface.h"
#include "plugin/module_state.h"
#include "ui/dialog_host.h"
#include "ui/messages.h"

namespace plugin {
namespace {
constexpr char kOpenDialogOperation[] = "COpenLemDlg::DoModal";
}  // namespace

int32_t RunOpenCommand() {
    // Runs inside LemMapProc's guard: an open that cannot be prepared opens nothing.
    std::string path;
    const int answer = ui::RunOpenLemDialog(OLX_GetMainWnd(), path);
    if (answer == ui::kDialogFailed) ui::ReportDialogUnavailable(kOpenDialogOperation);
    if (answer != ui::kIdOk) return 0;
    // The dialog refuses longer paths; never hand the host a cut one.
    ModuleState& state = State();
    if (!CopyPath(state.chosenPath, path.c_str())) return 0;

    tagOPENMAPINFO info = olx::OpenFileRequest(state.chosenPath);
    (void)OLX_OpenMap(OLX_GetActiveView(), &info);
    return 0;
}

}  // namespace plugin
