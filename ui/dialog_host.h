// The seam between dialog logic and the platform. Dialog classes hold their fields and react to
// events through DialogControls; Win32 runs them on real dialog templates (dialog_host_win32.cpp),
// the native build on the host stand-in's scripted user.
#pragma once

#include <cstdint>
#include <string>

namespace ui {

constexpr int kIdOk = 1;
constexpr int kIdCancel = 2;
// The dialog's window could not be made (DialogBoxParam failed): the user saw nothing and chose
// nothing, which is not a Cancel.
constexpr int kDialogFailed = -1;

class DialogControls {
public:
    virtual ~DialogControls() = default;
    [[nodiscard]] virtual bool IsChecked(int id) const = 0;
    virtual void SetChecked(int id, bool checked) = 0;
    [[nodiscard]] virtual std::string GetText(int id) const = 0;
    virtual void SetText(int id, const std::string& text) = 0;
    virtual void Enable(int id, bool enabled) = 0;
    [[nodiscard]] virtual bool IsEnabled(int id) const = 0;
    // The dialog's window (HWND on Windows, nullptr natively): owner of boxes it shows.
    [[nodiscard]] virtual void* Window() const = 0;
};

class DialogLogic {
public:
    virtual ~DialogLogic() = default;
    virtual void OnInit(DialogControls& controls) = 0;
    // A click on control id (IDOK and IDCANCEL included). Returns 0 to go on, or the result
    // with which the dialog ends.
    virtual int OnCommand(int id, DialogControls& controls) = 0;
};

// Shows the dialog of template templateId modally and returns how it ended: the result the
// logic ended it with, or kDialogFailed. owner nullptr: the host's main window.
int RunModalDialog(int templateId, void* owner, DialogLogic& logic);

// The common file dialog request in its 76-byte form, as the module fills it. Natively it is
// answered by the stand-in's scripted user; on Windows it becomes an OPENFILENAMEA.
struct FileDialogRequest {
    void* owner = nullptr;
    const char* filter = nullptr;  // pairs of NUL-terminated strings, ended by a double NUL
    uint32_t filterIndex = 0;
    char* fileBuffer = nullptr;  // in: initial name; out: chosen path
    uint32_t fileBufferSize = 0;
    const char* title = nullptr;
    uint32_t flags = 0;
    const char* defaultExtension = nullptr;
};

// true when the user chose a file (its path is then in fileBuffer).
[[nodiscard]] bool RunFileDialog(FileDialogRequest& request, bool openDialog);

// The open dialog (template 29005) as a whole: it needs the shell's folder tree and owner-drawn
// rows, so it is one platform call. Returns IDOK with the full path of the chosen .lem file in
// chosenPath, IDCANCEL, or kDialogFailed.
int RunOpenLemDialog(void* parent, std::string& chosenPath);

}  // namespace ui
