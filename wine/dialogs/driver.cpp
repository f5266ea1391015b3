#include "wine/dialogs/driver.h"

#include <commctrl.h>

#include <array>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "wine/harness/check.h"

namespace harness {

HWND WaitFor(const std::function<HWND()>& pred, int timeoutMs) {
    timeoutMs = Scaled(timeoutMs);
    for (int waited = 0;; waited += 50) {
        if (HWND found = pred()) return found;
        if (waited >= timeoutMs) return nullptr;
        Sleep(50);
    }
}

bool WaitUntil(const std::function<bool()>& cond, int timeoutMs) {
    timeoutMs = Scaled(timeoutMs);
    for (int waited = 0;; waited += 50) {
        if (cond()) return true;
        if (waited >= timeoutMs) return false;
        Sleep(50);
    }
}

namespace {
struct TopLevelSearch {
    std::string caption;
    HWND found = nullptr;
};
BOOL CALLBACK MatchTopLevel(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<TopLevelSearch*>(data);
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (pid != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    if (WindowText(window) == search->caption) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}
struct ClassSearch {
    std::string className;
    HWND found = nullptr;
};
BOOL CALLBACK MatchClass(HWND window, LPARAM data) {
    auto* search = reinterpret_cast<ClassSearch*>(data);
    std::array<char, 64> name{};
    GetClassNameA(window, name.data(), static_cast<int>(name.size()));
    if (lstrcmpiA(name.data(), search->className.c_str()) == 0) {
        search->found = window;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

HWND FindTopLevel(const std::string& caption) {
    TopLevelSearch search{caption};
    EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

HWND FindDescendant(HWND parent, const std::string& className) {
    ClassSearch search{className};
    EnumChildWindows(parent, MatchClass, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string WindowText(HWND window) {
    std::array<char, 1024> text{};
    GetWindowTextA(window, text.data(), static_cast<int>(text.size()));
    return text.data();
}

std::vector<std::vector<std::string>> ListRows(HWND list, int columns) {
    std::vector<std::vector<std::string>> rows;
    const int count = static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::vector<std::string> row;
        for (int k = 0; k < columns; ++k) {
            std::array<char, 300> text{};
            LVITEMA item{};
            item.iSubItem = k;
            item.pszText = text.data();
            item.cchTextMax = static_cast<int>(text.size());
            SendMessageA(list, LVM_GETITEMTEXTA, i, reinterpret_cast<LPARAM>(&item));
            row.emplace_back(text.data());
        }
        rows.push_back(row);
    }
    return rows;
}

namespace {
std::string TreeItemText(HWND tree, HTREEITEM item) {
    std::array<char, 260> text{};
    TVITEMA data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text.data();
    data.cchTextMax = static_cast<int>(text.size());
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    return text.data();
}
HTREEITEM FirstChild(HWND tree, HTREEITEM item) {
    if (!item) return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_ROOT, 0));
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(item)));
}
HTREEITEM NextSibling(HWND tree, HTREEITEM item) {
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, TVGN_NEXT, reinterpret_cast<LPARAM>(item)));
}
}  // namespace

std::vector<std::string> TreeChildren(HWND tree, HTREEITEM item) {
    std::vector<std::string> texts;
    for (HTREEITEM child = FirstChild(tree, item); child; child = NextSibling(tree, child))
        texts.push_back(TreeItemText(tree, child));
    return texts;
}

bool SelectTreePath(HWND tree, const std::vector<std::string>& steps) {
    HTREEITEM current = FirstChild(tree, nullptr);  // the desktop
    if (!current) return false;
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(current));
    for (const std::string& step : steps) {
        HTREEITEM found = nullptr;
        for (HTREEITEM child = FirstChild(tree, current); child && !found; child = NextSibling(tree, child)) {
            if (TreeItemText(tree, child).find(step) != std::string::npos) found = child;
        }
        if (!found) return false;
        SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(found));
        current = found;
    }
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(current));
    SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(current));
    return true;
}

void SelectListRow(HWND list, int row) {
    LVITEMA item{};
    item.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    item.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageA(list, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(&item));
}

void Click(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool ClickAndWait(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (!button) return false;
    DWORD_PTR result = 0;
    return SendMessageTimeoutA(button, BM_CLICK, 0, 0, SMTO_NORMAL, static_cast<UINT>(Scaled(5000)), &result) != 0;
}

void Abandon(HWND dialog) {
    if (dialog && IsWindow(dialog)) PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
}

namespace {
DWORD WINAPI RunUser(void* data) {
    (*static_cast<const std::function<void()>*>(data))();
    return 0;
}
}  // namespace

void RunAsUser(const std::function<void()>& host, const std::function<void()>& user, int timeoutMs) {
    HANDLE thread = CreateThread(nullptr, 0, RunUser, const_cast<std::function<void()>*>(&user), 0, nullptr);
    if (!CHECK(thread != nullptr, "the user's thread starts")) return;
    host();
    if (WaitForSingleObject(thread, static_cast<DWORD>(Scaled(timeoutMs))) != WAIT_OBJECT_0) {
        CHECK(false, "the user's steps ended in time");
        Finish();
        TerminateProcess(GetCurrentProcess(), 3);
    }
    CloseHandle(thread);
}

std::string ScreenshotFolder() {
    const char* env = std::getenv("TEPHRIX_WINE_OUT");
    std::string folder = env && *env ? env : ".";
    for (char& c : folder)
        if (c == '/') c = '\\';
    if (folder.rfind("\\", 0) == 0) folder = "Z:" + folder;
    return folder;
}

bool CaptureWindow(HWND window, const std::string& path) {
    // Painted in full, frame and children, before the screen is read; the display gets a moment
    // to take the window's pixels.
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
    Sleep(300);
    RECT rect{};
    if (!GetWindowRect(window, &rect)) return false;
    const int width = rect.right - rect.left;
    const int height = rect.bottom - rect.top;
    if (width <= 0 || height <= 0) return false;

    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(info.bmiHeader);
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height;  // bottom-up, as BMP files store it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void* bits = nullptr;
    HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    bool ok = false;
    if (bitmap) {
        HGDIOBJ old = SelectObject(memory, bitmap);
        ok = BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY) != FALSE;
        SelectObject(memory, old);
        GdiFlush();
        const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
        const uint32_t imageSize = stride * static_cast<uint32_t>(height);
        BITMAPFILEHEADER file{};
        file.bfType = 0x4D42;
        file.bfOffBits = sizeof(file) + sizeof(info.bmiHeader);
        file.bfSize = file.bfOffBits + imageSize;
        if (FILE* out = std::fopen(path.c_str(), "wb")) {
            ok = ok && std::fwrite(&file, sizeof(file), 1, out) == 1 &&
                 std::fwrite(&info.bmiHeader, sizeof(info.bmiHeader), 1, out) == 1 &&
                 std::fwrite(bits, imageSize, 1, out) == 1;
            ok = std::fclose(out) == 0 && ok;
        } else {
            ok = false;
        }
        DeleteObject(bitmap);
    }
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return ok;
}

}  // namespace harness
