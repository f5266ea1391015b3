#include "plugin/open_command.h"

#include <string>

#include "olx/host_interface.h"
#include "plugin/module_state.h"
#include "ui/dialog_host.h"

namespace plugin {

int32_t RunOpenCommand() {
    try {
        std::string path;
        if (ui::RunOpenLemDialog(OLX_GetMainWnd(), path) != ui::kIdOk) return 0;
        // The dialog refuses longer paths; never hand the host a cut one.
        ModuleState& state = State();
        if (!CopyPath(state.chosenPath, path.c_str())) return 0;

        tagOPENMAPINFO info = olx::OpenFileRequest(state.chosenPath);
        (void)OLX_OpenMap(OLX_GetActiveView(), &info);
    } catch (...) {
        // Nothing crosses the module's boundary; an open that could not be prepared opens nothing.
    }
    return 0;
}

}  // namespace plugin
