// The dialog seam on Win32: dialog logic runs on real templates of the module.
#include "platform/win32/windows_gateway.h"
#include <commdlg.h>

#include <cstddef>
#include <string>

#include "olx/host_interface.h"
#include "platform/win32/module_instance.h"
#include "platform/guard.h"
#include "ui/dialog_host.h"

namespace ui {
namespace {

// The request without the fields that later system versions added (OPENFILENAME_SIZE_VERSION_400A).
constexpr DWORD kFileRequestSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
#if !defined(_WIN64)
static_assert(kFileRequestSize == 76);
#endif

class WindowControls final : public DialogControls {
public:
    explicit WindowControls(HWND dialog) : dialog_(dialog) {}

    bool IsChecked(int id) const override { return IsDlgButtonChecked(dialog_, id) == BST_CHECKED; }
    void SetChecked(int id, bool checked) override {
        CheckDlgButton(dialog_, id, checked ? BST_CHECKED : BST_UNCHECKED);
    }
    std::string GetText(int id) const override {
        HWND item = GetDlgItem(dialog_, id);
        if (!item) return {};
        const int length = GetWindowTextLengthA(item);
        std::string text(static_cast<size_t>(length > 0 ? length : 0) + 1, '\0');
        const UINT copied = GetDlgItemTextA(dialog_, id, text.data(), static_cast<int>(text.size()));
        text.resize(copied);
        return text;
    }
    void SetText(int id, const std::string& text) override { SetDlgItemTextA(dialog_, id, text.c_str()); }
    void Enable(int id, bool enabled) override {
        if (HWND item = GetDlgItem(dialog_, id)) EnableWindow(item, enabled ? TRUE : FALSE);
    }
    bool IsEnabled(int id) const override {
        HWND item = GetDlgItem(dialog_, id);
        return item && IsWindowEnabled(item);
    }
    void* Window() const override { return dialog_; }

private:
    HWND dialog_;
};

INT_PTR LogicDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        auto* logic = reinterpret_cast<DialogLogic*>(lParam);
        WindowControls controls(dialog);
        logic->OnInit(controls);
        return TRUE;
    }
    auto* logic = reinterpret_cast<DialogLogic*>(GetWindowLongPtrA(dialog, DWLP_USER));
    if (!logic) return FALSE;
    // Enter and Esc arrive as BN_CLICKED of IDOK and IDCANCEL as well, the close box as IDCANCEL.
    if (message == WM_COMMAND && HIWORD(wParam) == BN_CLICKED) {
        WindowControls controls(dialog);
        const int result = logic->OnCommand(LOWORD(wParam), controls);
        if (result != 0) EndDialog(dialog, result);
        return TRUE;
    }
    return FALSE;
}

// A dialog whose logic fails ends as cancelled.
INT_PTR CALLBACK LogicDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    return platform::Guarded([&] { return LogicDialogMessage(dialog, message, wParam, lParam); },
                             [dialog]() noexcept -> INT_PTR {
                                 EndDialog(dialog, IDCANCEL);
                                 return TRUE;
                             });
}

}  // namespace

int RunModalDialog(int templateId, void* owner, DialogLogic& logic) {
    HWND ownerWindow = static_cast<HWND>(owner ? owner : OLX_GetMainWnd());
    const INT_PTR result = DialogBoxParamA(platform::ModuleInstance(), MAKEINTRESOURCEA(templateId), ownerWindow,
                                           LogicDialogProc, reinterpret_cast<LPARAM>(&logic));
    // -1: the template or the window could not be had; 0: the owner is not a window.
    return result == -1 || result == 0 ? kDialogFailed : static_cast<int>(result);
}

bool RunFileDialog(FileDialogRequest& request, bool openDialog) {
    OPENFILENAMEA ofn{};
    ofn.lStructSize = kFileRequestSize;
    ofn.hwndOwner = static_cast<HWND>(request.owner);
    ofn.lpstrFilter = request.filter;
    ofn.nFilterIndex = request.filterIndex;
    ofn.lpstrFile = request.fileBuffer;
    ofn.nMaxFile = request.fileBufferSize;
    ofn.lpstrFileTitle = nullptr;
    ofn.nMaxFileTitle = 0;
    ofn.lpstrTitle = request.title;
    ofn.Flags = request.flags;
    ofn.lpstrDefExt = request.defaultExtension;
    const BOOL chosen = openDialog ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
    return chosen != FALSE;
}

}  // namespace ui
