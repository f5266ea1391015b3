#include "plugin/entry.h"

#include <cstring>
#include <string>

#include "lem/lem_map.h"
#include "lem/path.h"
#include "platform/cp932.h"
#include "platform/guard.h"
#include "platform/message_box.h"
#include "plugin/composite_menu.h"
#include "plugin/map_proc.h"
#include "plugin/module_state.h"
#include "ui/messages.h"

namespace plugin {
namespace {

static_assert(sizeof(kDisplayName) <= kInfoVersionOffset - kInfoNameOffset);
static_assert(sizeof(kVersionText) <= kInfoCopyrightOffset - kInfoVersionOffset);
static_assert(sizeof(kCopyright) <= kInfoTailOffset - kInfoCopyrightOffset);

// Writes the text with its NUL and nothing behind it: the rest of the field is the host's.
void PutText(uint8_t* record, int offset, const char* text) {
    std::memcpy(record + offset, text, std::strlen(text) + 1);
}

void PutInt(uint8_t* record, int offset, int32_t value) {
    std::memcpy(record + offset, &value, sizeof value);
}

}  // namespace

bool IsLemPath(const char* path) {
    if (!path) return false;
    const size_t length = ::strnlen(path, lem::kMaxPath);
    if (length >= lem::kMaxPath) return false;
    const std::string upper = cp932::ToUpper(std::string_view(path, length));
    if (cp932::Find(upper, ".LEM") == std::string::npos) return false;
    std::string fileName;
    if (!lem::SplitPath(upper, nullptr, &fileName)) return false;
    return fileName.empty() || !(fileName[0] >= '0' && fileName[0] <= '9');
}

int32_t OLX_CALL FileOpenHookProc(int32_t event, uint32_t /*handle*/, intptr_t param) {
    // 0: the file is left to the host.
    return platform::Guarded(0, [&] {
        if (event != olx::kEventFileOpen) return 0;
        const char* path = olx::FromParam<const char>(param);
        if (!IsLemPath(path)) return 0;
        ModuleState& state = State();
        if (!CopyPath(state.openPath, path)) return 0;
        tagOPENMAPINFO info = olx::OpenFileRequest(state.openPath);
        (void)OLX_OpenMap(OLX_GetActiveView(), &info);
        return 1;
    });
}

}  // namespace plugin

extern "C" {

int32_t OLX_CALL Create(void* record, uint32_t pluginId) {
    using namespace plugin;
    // 0: the module stays unused.
    return platform::Guarded(0, [&] {
        State().pluginId = pluginId;
        if (OLX_GetVersion() < olx::kRequiredVersion) {
            ui::ReportHostTooOld();
            return 0;
        }
        if (!record) return 0;
        auto* bytes = static_cast<uint8_t*>(record);
        PutInt(bytes, 0, kInfoRecordSize);
        PutText(bytes, kInfoNameOffset, kDisplayName);
        PutText(bytes, kInfoVersionOffset, kVersionText);
        PutText(bytes, kInfoCopyrightOffset, kCopyright);
        PutInt(bytes, kInfoTailOffset, 0);

        tagHOOKENTRY mapEntry{16, 0, &LemMapProc, 0};
        (void)OLX_RegisterMap(&mapEntry);
        tagHOOKENTRY hookEntry{16, pluginId, &FileOpenHookProc, 0};
        (void)OLX_AddHook(olx::kHookFileOpen, &hookEntry);
        return 1;
    });
}

int32_t OLX_CALL Load(void) {
    using namespace plugin;
    return platform::Guarded(0, [] {
        const uint32_t id = State().pluginId;
        (void)OLX_AddMenu(id, kMapMenuParent, kMapMenuText, &LemMapProc);
        const int32_t popup = OLX_AddPopupMenu(id, kPopupParent, kPopupText, kPopupArg);
        (void)OLX_AddChildMenu(id, popup, kCompositeMenuText, &CompositeMenuProc);
        return 1;
    });
}

int32_t OLX_CALL Close(void) {
    return platform::Guarded(0, [] { return 1; });
}

void OLX_CALL Release(void) {
    platform::Guarded([] { plugin::State().openMaps.RemoveAll([](uint32_t, CLemMap* record) { delete record; }); },
                      []() noexcept {});
}

int32_t OLX_CALL About(void) {
    return platform::Guarded(0, [] { return ui::ShowAbout(plugin::kCopyright); });
}

}  // extern "C"
