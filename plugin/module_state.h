// Module-wide state: what the module keeps from Create until it is unloaded. One place, so that
// tests can put the module back into its attached state.
#pragma once

#include <cstdint>
#include <string>

#include "lem/path.h"
#include "plugin/map_proc.h"
#include "plugin/open_map_table.h"

namespace plugin {

// The header reader keeps at most this many bytes of a sheet's title.
constexpr size_t kMaxTitleBytes = 256;

struct ModuleState {
    uint32_t pluginId = 0;
    COpenMapTable openMaps;
    // The title handed to the host at code 2011, replaced at the next map-info message. A fixed
    // buffer: the host may read an earlier map's title address later, so the storage must never
    // move or be freed (it then reads the latest title).
    char title[sizeof kTitlePrefix + kMaxTitleBytes] = {};
    // Paths handed to OLX_OpenMap lie here, in module storage that outlives the call.
    char openPath[lem::kMaxPath] = {};
    std::string reopenPath;
};

[[nodiscard]] ModuleState& State();

// Back to the attached state: destroys every open map record, frees the table, forgets the
// plug-in id, the buffers and the host application's title, and sets the current margin back
// to its default.
void ResetModuleState();

// Copies text into a module path buffer. false, leaving the buffer empty, when it does not fit.
[[nodiscard]] bool CopyPath(char (&buffer)[lem::kMaxPath], const char* text);

}  // namespace plugin
