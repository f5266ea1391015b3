// The native build's desktop seam: message boxes, the host executable's strings and the
// dialogs go to the stand-in's scripted desktop.
#include "hostsim/host.h"
#include "platform/message_box.h"
#include "ui/dialog_host.h"

namespace platform {

int SystemMessageBox(void* owner, const char* text, const char* caption, uint32_t style) {
    return hostsim::Get().Desktop().ShowMessageBox(owner, text, caption, style);
}

size_t HostStringResource(uint32_t id, char* buffer, size_t size) {
    return hostsim::Get().Desktop().CopyStringResource(id, buffer, size);
}

size_t HostExecutablePath(char* buffer, size_t size) {
    return hostsim::Get().Desktop().CopyExecutablePath(buffer, size);
}

}  // namespace platform

namespace ui {

int RunModalDialog(int templateId, void* owner, DialogLogic& logic) {
    return hostsim::Get().Desktop().RunDialog(templateId, owner, logic);
}

bool RunFileDialog(FileDialogRequest& request, bool openDialog) {
    return hostsim::Get().Desktop().RunFileDialog(request, openDialog);
}

int RunOpenLemDialog(void* parent, std::string& chosenPath) {
    return hostsim::Get().Desktop().RunOpenLemDialog(parent, chosenPath);
}

}  // namespace ui
