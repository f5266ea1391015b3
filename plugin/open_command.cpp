#include "plugin/open_command.h"

#include <array>
#include <cstring>
#include <string>

#include "lem/path.h"
#include "olx/host_interface.h"
#include "ui/dialog_host.h"

namespace ui {
namespace {

// The host calls the map-type procedure with the new map's messages before OLX_OpenMap returns,
// so the path it was given must outlive the call: module storage, apart from the title buffer.
std::array<char, lem::kMaxPath> g_chosenPath{};

}  // namespace

int32_t RunOpenCommand() {
    try {
        std::string path;
        if (RunOpenLemDialog(OLX_GetMainWnd(), path) != kIdOk) return 0;
        // The dialog refuses longer paths; never hand the host a cut one.
        if (path.size() >= g_chosenPath.size()) return 0;
        std::memcpy(g_chosenPath.data(), path.c_str(), path.size() + 1);

        tagOPENMAPINFO info{};
        info.size = 56;
        info.path = g_chosenPath.data();
        info.flag = 0;
        info.zero32 = 0;
        info.zero40 = 0;
        (void)OLX_OpenMap(OLX_GetActiveView(), &info);
    } catch (...) {
        // Nothing crosses the module's boundary; an open that could not be prepared opens nothing.
    }
    return 0;
}

}  // namespace ui
