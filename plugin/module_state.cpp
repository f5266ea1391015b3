#include "plugin/module_state.h"

#include <cstring>

#include "lem/lem_map.h"
#include "platform/message_box.h"

namespace plugin {

ModuleState& State() {
    static ModuleState state;
    return state;
}

void ResetModuleState() {
    ModuleState& s = State();
    s.openMaps.RemoveAll([](uint32_t, CLemMap* record) { delete record; });
    s.pluginId = 0;
    s.title[0] = '\0';
    s.openPath[0] = '\0';
    s.chosenPath[0] = '\0';
    s.reopenPath.clear();
    s.margin = lem::kDefaultMargin;
    std::memset(s.guidebookSetId, 0, sizeof s.guidebookSetId);
    platform::ForgetApplicationTitle();
}

void SetMargin(int32_t margin) {
    ModuleState& s = State();
    s.margin = margin;
    s.openMaps.ForEach([margin](uint32_t, CLemMap* record) { record->Margin = margin; });
}

bool CopyPath(char (&buffer)[lem::kMaxPath], const char* text) {
    buffer[0] = '\0';
    if (!text) return false;
    const size_t length = ::strnlen(text, lem::kMaxPath);
    if (length >= lem::kMaxPath) return false;
    std::memcpy(buffer, text, length + 1);
    return true;
}

}  // namespace plugin
