// Module-wide state: what the module keeps from Create until it is unloaded. One place, so that
// tests can put the module back into its attached state.
#pragma once

#include <cstdint>
#include <string>

#include "base/xem_elevation.h"
#include "lem/lem_map.h"
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
    // Paths handed to OLX_OpenMap lie here, in module storage that outlives the call: the host
    // sends the new map's messages before OLX_OpenMap returns. One per command, since the
    // composite dialog shown by those messages may open maps itself.
    char openPath[lem::kMaxPath] = {};    // the file-open hook's
    char chosenPath[lem::kMaxPath] = {};  // the open command's
    std::string reopenPath;               // the composite settings' reopen
    // The margin in 320-cell blocks, from the "Region" setting at the latest map-info message;
    // every open map places its sheet with it.
    int32_t margin = lem::kDefaultMargin;
    // The guidebook set's identifier, filled by the host at each attach of the set.
    uint8_t guidebookSetId[kGuidebookSetIdSize] = {};
};

[[nodiscard]] ModuleState& State();

// Back to the attached state: destroys every open map record, frees the table, forgets the
// plug-in id, the buffers, the set identifier and the host application's title, and sets the
// margin back to its default.
void ResetModuleState();

// The margin for every open map and for the maps opened later.
void SetMargin(int32_t margin);

// Copies text into a module path buffer. false, leaving the buffer empty, when it does not fit.
[[nodiscard]] bool CopyPath(char (&buffer)[lem::kMaxPath], const char* text);

}  // namespace plugin
