// The open dialog on Win32: COpenLemDlg on template 29005, the shell's folder-browse dialog
// planted into it by CFolderBrowser, and the owner-drawn map list CMapListCtrl. What can be
// decided without windows lives in open_dlg_logic.cpp.
#include "platform/win32/windows_gateway.h"
#include <commctrl.h>
#include <shlobj.h>

#include <array>
#include <memory>
#include <string>
#include <string_view>

#include "lem/path.h"
#include "olx/host_interface.h"
#include "platform/guard.h"
#include "platform/message_box.h"
#include "platform/win32/module_instance.h"
#include "ui/dialog_host.h"
#include "ui/handles_win32.h"
#include "ui/messages.h"
#include "ui/open_dlg_logic.h"

namespace ui {
namespace {

using win32::ComPtr;
using win32::Pidl;

// Runs the shell's folder-browse dialog and plants it into the owner's frame 29001; every
// selection of a file-system folder is sent to the owner as message 2168.
class CFolderBrowser {
public:
    explicit CFolderBrowser(HWND owner) : owner_(owner) {
        IShellFolder* desktop = nullptr;
        if (SUCCEEDED(SHGetDesktopFolder(&desktop))) desktop_.Reset(desktop);
        IMalloc* allocator = nullptr;
        if (SUCCEEDED(SHGetMalloc(&allocator))) allocator_.Reset(allocator);
    }
    CFolderBrowser(const CFolderBrowser&) = delete;
    CFolderBrowser& operator=(const CFolderBrowser&) = delete;

    // 1 when the browse ended with a folder, whose path is then in displayName (260 bytes).
    int Run(const char* title, const char* rootFolder, char* displayName) {
        win32::Window temp(CreateWindowExA(0, "STATIC", "TEMP", WS_CHILD, 0, 0, 1, 1,
                                           static_cast<HWND>(OLX_GetMainWnd()), nullptr, platform::ModuleInstance(),
                                           nullptr));
        Pidl root = PathToPidl(rootFolder);

        BROWSEINFOA request{};
        request.hwndOwner = temp.Get();
        request.pidlRoot = root.Get();
        request.pszDisplayName = displayName;
        request.lpszTitle = title;
        request.ulFlags = BIF_RETURNONLYFSDIRS;
        request.lpfn = &CFolderBrowser::Callback;
        request.lParam = reinterpret_cast<LPARAM>(this);

        CFolderBrowser* const outer = running_;
        running_ = this;
        win32::Hook keys(SetWindowsHookExA(WH_MSGFILTER, &CFolderBrowser::KeyFilter, nullptr, GetCurrentThreadId()));
        Pidl chosen(SHBrowseForFolderA(&request));
        keys.Reset();
        running_ = outer;
        browse_ = nullptr;
        int result = 0;
        if (chosen) {
            SHGetPathFromIDListA(chosen.Get(), displayName);
            result = 1;
        }
        return result;
    }

    [[nodiscard]] bool IsRunning() const { return browse_ != nullptr; }

    // Ends a running browse the way its own OK button does, so that its modal loop returns.
    void End() {
        if (browse_) SendMessageA(browse_, WM_COMMAND, IDOK, 0);
    }

private:
    // The procedures below call only the Windows API; the guard keeps it so.
    static int CALLBACK Callback(HWND window, UINT event, LPARAM value, LPARAM data) {
        return platform::Guarded(0, [&] { return OnBrowseEvent(window, event, value, data); });
    }
    static int OnBrowseEvent(HWND window, UINT event, LPARAM value, LPARAM data) {
        auto* self = reinterpret_cast<CFolderBrowser*>(data);
        if (event == BFFM_INITIALIZED) {
            self->Attach(window);
        } else if (event == BFFM_SELCHANGED) {
            std::array<char, MAX_PATH> path{};
            if (SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(value), path.data())) {
                SendMessageA(self->owner_, kFolderSelectedMessage, 0, reinterpret_cast<LPARAM>(path.data()));
            }
        }
        return 0;
    }

    // The browse dialog's modal loop hands its dialog manager only the keys of its own window: while
    // it runs, Enter, Esc and Tab in the owner's controls would reach no dialog, Tab could not leave
    // the planted tree, and Esc there would end the tree alone. That loop offers each message to
    // the thread's message filter first: there the owner's dialog manager gets every key of the
    // owner's windows, the planted tree's included, so the whole works as the one dialog it shows.
    static LRESULT CALLBACK KeyFilter(int code, WPARAM wParam, LPARAM lParam) {
        return platform::Guarded([&] { return FilterKey(code, wParam, lParam); },
                                 [&]() noexcept { return CallNextHookEx(nullptr, code, wParam, lParam); });
    }
    static LRESULT FilterKey(int code, WPARAM wParam, LPARAM lParam) {
        CFolderBrowser* self = running_;
        auto* message = reinterpret_cast<MSG*>(lParam);
        // The owner's dialog manager asks the filter again; that inner call is passed on.
        if (code == MSGF_DIALOGBOX && self && !self->filtering_ && message && message->message >= WM_KEYFIRST &&
            message->message <= WM_KEYLAST && self->IsInOwner(message->hwnd)) {
            self->filtering_ = true;
            const BOOL handled = IsDialogMessageA(self->owner_, message);
            self->filtering_ = false;
            if (handled) return 1;
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }

    // Until it is planted the browse window is a window of its own, and its keys stay its own.
    [[nodiscard]] bool IsInOwner(HWND window) const { return window && (window == owner_ || IsChild(owner_, window)); }

    static BOOL CALLBACK SortChild(HWND child, LPARAM data) {
        return platform::Guarded(TRUE, [&] { return SortChildWindow(child, data); });
    }
    static BOOL SortChildWindow(HWND child, LPARAM data) {
        auto* self = reinterpret_cast<CFolderBrowser*>(data);
        std::array<char, 51> className{};
        GetClassNameA(child, className.data(), static_cast<int>(className.size()));
        if (lstrcmpiA(className.data(), "BUTTON") == 0) {
            std::array<char, 80> text{};
            GetWindowTextA(child, text.data(), static_cast<int>(text.size()));
            if (lstrcmpiA(text.data(), "OK") == 0) {
                self->okButton_ = child;
            } else {
                self->otherButton_ = child;
            }
        } else if (lstrcmpiA(className.data(), "SYSTREEVIEW32") == 0) {
            self->tree_ = child;
        } else if (lstrcmpiA(className.data(), "STATIC") == 0) {
            if (!self->firstStatic_) {
                self->firstStatic_ = child;
            } else {
                self->secondStatic_ = child;
            }
        }
        return TRUE;
    }

    void Attach(HWND window) {
        okButton_ = otherButton_ = tree_ = firstStatic_ = secondStatic_ = nullptr;
        browse_ = window;
        EnumChildWindows(window, &CFolderBrowser::SortChild, reinterpret_cast<LPARAM>(this));

        EnableWindow(owner_, TRUE);

        LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
        style &= ~static_cast<LONG_PTR>(WS_POPUP | WS_CAPTION);
        style |= WS_CHILD | WS_CLIPSIBLINGS;
        SetWindowLongPtrA(window, GWL_STYLE, style);
        LONG_PTR exStyle = GetWindowLongPtrA(window, GWL_EXSTYLE);
        exStyle &= ~static_cast<LONG_PTR>(WS_EX_DLGMODALFRAME);
        SetWindowLongPtrA(window, GWL_EXSTYLE, exStyle);

        SetParent(window, owner_);

        RECT frame{};
        GetWindowRect(GetDlgItem(owner_, kTreeFrame), &frame);
        MapWindowPoints(nullptr, owner_, reinterpret_cast<POINT*>(&frame), 2);
        SetWindowPos(window, nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                     SWP_NOZORDER);

        RECT client{};
        GetClientRect(window, &client);
        if (tree_) SetWindowPos(tree_, nullptr, 0, 0, client.right, client.bottom, SWP_NOZORDER);

        for (HWND hidden : {otherButton_, okButton_, firstStatic_, secondStatic_}) {
            if (hidden) ShowWindow(hidden, SW_HIDE);
        }
    }

    // None for an empty path or one the desktop folder cannot parse.
    Pidl PathToPidl(const char* path) const {
        if (!path || !*path || !desktop_) return Pidl();
        std::array<wchar_t, MAX_PATH> wide{};
        if (MultiByteToWideChar(CP_ACP, 0, path, -1, wide.data(), static_cast<int>(wide.size())) == 0) return Pidl();
        LPITEMIDLIST list = nullptr;
        if (FAILED(desktop_.Get()->ParseDisplayName(nullptr, nullptr, wide.data(), nullptr, &list, nullptr))) {
            return Pidl();
        }
        return Pidl(list);
    }

    ComPtr<IShellFolder> desktop_;
    ComPtr<IMalloc> allocator_;
    HWND browse_ = nullptr;
    HWND okButton_ = nullptr;
    HWND otherButton_ = nullptr;
    HWND tree_ = nullptr;
    HWND firstStatic_ = nullptr;
    HWND secondStatic_ = nullptr;
    HWND owner_;
    bool filtering_ = false;
    // The browse running on this thread, for the message filter.
    static inline CFolderBrowser* running_ = nullptr;
};

class ListMeasurer final : public TextMeasurer {
public:
    explicit ListMeasurer(HWND list) : list_(list) {}
    int Width(std::string_view text) const override {
        const std::string terminated(text);
        return static_cast<int>(
            SendMessageA(list_, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(terminated.c_str())));
    }

private:
    HWND list_;
};

// The brush of the list's colour requests, made on the first request and kept until unload.
win32::GdiObject g_listBrush;
constexpr COLORREF kListChildBackground = RGB(230, 230, 230);

// The owner-drawn report list 29002.
class CMapListCtrl {
public:
    void Attach(HWND list) {
        list_ = list;
        SetWindowSubclass(list_, &CMapListCtrl::SubclassProc, 0, reinterpret_cast<DWORD_PTR>(this));
    }
    void Detach() {
        if (list_) RemoveWindowSubclass(list_, &CMapListCtrl::SubclassProc, 0);
        list_ = nullptr;
    }
    [[nodiscard]] HWND Get() const { return list_; }

    void SetRows(const std::vector<MapListRow>& rows) {
        ListView_DeleteAllItems(list_);
        int i = 0;
        for (const MapListRow& row : rows) {
            std::string title = row.title;
            LVITEMA item{};
            item.mask = LVIF_TEXT;
            item.iItem = i;
            item.pszText = title.data();
            const int inserted =
                static_cast<int>(SendMessageA(list_, LVM_INSERTITEMA, 0, reinterpret_cast<LPARAM>(&item)));
            if (inserted < 0) continue;
            std::string file = row.file;
            LVITEMA sub{};
            sub.iSubItem = 1;
            sub.pszText = file.data();
            SendMessageA(list_, LVM_SETITEMTEXTA, inserted, reinterpret_cast<LPARAM>(&sub));
            ++i;
        }
    }

    // Column-1 text of the selected row; false when no row is selected.
    [[nodiscard]] bool SelectedFile(std::string& file) const {
        const int row = ListView_GetNextItem(list_, -1, LVNI_SELECTED);
        if (row < 0) return false;
        file = ItemText(row, 1);
        return true;
    }

    void DrawItem(const DRAWITEMSTRUCT& request) {
        HDC dc = request.hDC;
        win32::SavedDcState saved(dc);
        const int row = static_cast<int>(request.itemID);
        const UINT state = ListView_GetItemState(list_, row, LVIS_SELECTED | LVIS_FOCUSED);
        RECT bounds{};
        ListView_GetItemRect(list_, row, &bounds, LVIR_BOUNDS);

        COLORREF background;
        if (state & LVIS_SELECTED) {
            SetTextColor(dc, GetSysColor(COLOR_HIGHLIGHTTEXT));
            background = GetSysColor(COLOR_HIGHLIGHT);
        } else {
            background = ListView_GetBkColor(list_);
        }
        SetBkColor(dc, background);
        ExtTextOutA(dc, 0, 0, ETO_OPAQUE, &bounds, nullptr, 0, nullptr);

        const ListMeasurer measurer(list_);
        int left = bounds.left;
        for (int k = 0;; ++k) {
            LVCOLUMNA column{};
            column.mask = LVCF_FMT | LVCF_WIDTH;
            if (!SendMessageA(list_, LVM_GETCOLUMNA, k, reinterpret_cast<LPARAM>(&column))) break;
            const std::string text = ItemText(row, k);
            if (!text.empty()) {
                TextAlign align = TextAlign::Left;
                if ((column.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_RIGHT) align = TextAlign::Right;
                if ((column.fmt & LVCFMT_JUSTIFYMASK) == LVCFMT_CENTER) align = TextAlign::Center;
                const ColumnText laidOut = LayOutColumnText(text, left, column.cx, align, measurer);
                RECT target{laidOut.left, bounds.top, laidOut.right, bounds.bottom};
                UINT format = DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX;
                format |= laidOut.align == TextAlign::Right    ? DT_RIGHT
                          : laidOut.align == TextAlign::Center ? DT_CENTER
                                                               : DT_LEFT;
                DrawTextA(dc, laidOut.text.c_str(), -1, &target, format);
            }
            left += column.cx;
        }

        if ((state & LVIS_FOCUSED) && GetFocus() == list_) DrawFocusRect(dc, &bounds);
    }

    // NM_SETFOCUS and NM_KILLFOCUS of the list.
    void OnFocusChange(bool gained) {
        HWND parent = GetParent(list_);
        SendMessageA(parent, gained ? kListSetFocusMessage : kListKillFocusMessage, GetDlgCtrlID(list_), 0);
        RedrawFocusedRow();
    }

private:
    std::string ItemText(int row, int column) const {
        // Room for three bytes more than the 260 the list gives, as the drawing's work buffer has.
        std::array<char, kRowTextBytes + 3> buffer{};
        LVITEMA item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(kRowTextBytes);
        SendMessageA(list_, LVM_GETITEMTEXTA, row, reinterpret_cast<LPARAM>(&item));
        return std::string(buffer.data());
    }

    void RedrawFocusedRow() {
        const int row = ListView_GetNextItem(list_, -1, LVNI_FOCUSED);
        if (row >= 0) {
            RECT bounds{};
            ListView_GetItemRect(list_, row, &bounds, LVIR_BOUNDS);
            InvalidateRect(list_, &bounds, FALSE);
        }
        UpdateWindow(list_);
    }

    static LRESULT CALLBACK SubclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
        return platform::Guarded([&] { return OnListMessage(window, message, wParam, lParam); },
                                 [&]() noexcept { return DefSubclassProc(window, message, wParam, lParam); });
    }
    static LRESULT OnListMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_CTLCOLORSTATIC:
            case WM_CTLCOLOREDIT:
            case WM_CTLCOLORBTN:
            case WM_CTLCOLORLISTBOX:
            case WM_CTLCOLORSCROLLBAR:
            case WM_CTLCOLORDLG: {
                HDC dc = reinterpret_cast<HDC>(wParam);
                SetBkColor(dc, kListChildBackground);
                SetTextColor(dc, RGB(0, 0, 0));
                if (!g_listBrush) g_listBrush.Reset(CreateSolidBrush(kListChildBackground));
                return reinterpret_cast<LRESULT>(g_listBrush.Get());
            }
            case WM_NCDESTROY: RemoveWindowSubclass(window, &CMapListCtrl::SubclassProc, 0); break;
            default: break;
        }
        return DefSubclassProc(window, message, wParam, lParam);
    }

    HWND list_ = nullptr;
};

class COpenLemDlg {
public:
    int DoModal(HWND parent) {
        INITCOMMONCONTROLSEX controls{sizeof(controls), ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        const INT_PTR result = DialogBoxParamA(platform::ModuleInstance(), MAKEINTRESOURCEA(kOpenTemplate), parent,
                                               &COpenLemDlg::Proc, reinterpret_cast<LPARAM>(this));
        // -1: the template or the window could not be had; 0: the parent is not a window.
        if (result == -1 || result == 0) return kDialogFailed;
        return result == IDOK ? kIdOk : kIdCancel;
    }

    [[nodiscard]] const std::string& Path() const { return path_; }

private:
    static INT_PTR CALLBACK Proc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            reinterpret_cast<COpenLemDlg*>(lParam)->dialog_ = dialog;
        }
        auto* self = reinterpret_cast<COpenLemDlg*>(GetWindowLongPtrA(dialog, DWLP_USER));
        if (!self) return FALSE;
        return platform::Guarded(
            [&] { return message == WM_INITDIALOG ? self->OnInit() : self->OnMessage(message, wParam, lParam); },
            // A failing dialog ends as cancelled.
            [&]() noexcept -> INT_PTR {
                if (self->browser_) self->browser_->End();
                EndDialog(dialog, IDCANCEL);
                return TRUE;
            });
    }

    INT_PTR OnInit() {
        browser_ = std::make_unique<CFolderBrowser>(dialog_);
        list_.Attach(GetDlgItem(dialog_, kMapList));
        AddColumns();
        PostMessageA(dialog_, WM_COMMAND, kStartBrowseCommand, 0);
        return TRUE;
    }

    void AddColumns() {
        int h = 0;
        {
            win32::WindowDc dc(dialog_);
            win32::SelectGuard font(dc.Get(), reinterpret_cast<HGDIOBJ>(SendMessageA(dialog_, WM_GETFONT, 0, 0)));
            SIZE size{};
            GetTextExtentPoint32A(dc.Get(), "88", 2, &size);
            h = size.cx / 2;
        }
        const struct {
            const char* title;
            int width;
        } columns[] = {{"タイトル", 35 * h}, {"ファイル", 30 * h}};
        int index = 0;
        for (const auto& columnDef : columns) {
            std::string title = columnDef.title;
            LVCOLUMNA column{};
            column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
            column.fmt = LVCFMT_LEFT;
            column.cx = columnDef.width;
            column.pszText = title.data();
            column.iSubItem = index;
            SendMessageA(list_.Get(), LVM_INSERTCOLUMNA, index, reinterpret_cast<LPARAM>(&column));
            ++index;
        }
    }

    INT_PTR OnMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        switch (message) {
            case WM_COMMAND:
                switch (LOWORD(wParam)) {
                    case kStartBrowseCommand: {
                        std::array<char, MAX_PATH> displayName{};
                        (void)browser_->Run("", "", displayName.data());
                        return TRUE;
                    }
                    case IDOK: OnOk(); return TRUE;
                    case IDCANCEL:
                        browser_->End();
                        EndDialog(dialog_, IDCANCEL);
                        return TRUE;
                    default: return FALSE;
                }
            case kFolderSelectedMessage:
                path_ = reinterpret_cast<const char*>(lParam);
                list_.SetRows(FillMapList(path_));
                SetWindowLongPtrA(dialog_, DWLP_MSGRESULT, 0);
                return TRUE;
            case WM_DRAWITEM:
                if (wParam == static_cast<WPARAM>(kMapList)) {
                    list_.DrawItem(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
                    return TRUE;
                }
                return FALSE;
            case WM_NOTIFY: {
                const auto* header = reinterpret_cast<const NMHDR*>(lParam);
                if (header->hwndFrom == list_.Get() && (header->code == NM_SETFOCUS || header->code == NM_KILLFOCUS)) {
                    list_.OnFocusChange(header->code == NM_SETFOCUS);
                    SetWindowLongPtrA(dialog_, DWLP_MSGRESULT, 0);
                    return TRUE;
                }
                return FALSE;
            }
            case WM_DESTROY: list_.Detach(); return FALSE;
            default: return FALSE;
        }
    }

    void OnOk() {
        std::string file;
        if (!list_.SelectedFile(file)) {
            ReportNoMapChosen(dialog_);
            return;
        }
        std::string chosen;
        if (!ComposeChosenPath(path_, file, chosen)) {
            // Folder and name together do not fit a path: nothing can be opened from here.
            ReportMapPathUnusable(dialog_, file.c_str());
            return;
        }
        path_ = std::move(chosen);
        browser_->End();
        EndDialog(dialog_, IDOK);
    }

    HWND dialog_ = nullptr;
    CMapListCtrl list_;
    std::string path_;
    std::unique_ptr<CFolderBrowser> browser_;
};

}  // namespace

int RunOpenLemDialog(void* parent, std::string& chosenPath) {
    COpenLemDlg dialog;
    const int result = dialog.DoModal(static_cast<HWND>(parent));
    if (result == kIdOk) chosenPath = dialog.Path();
    return result;
}

}  // namespace ui
