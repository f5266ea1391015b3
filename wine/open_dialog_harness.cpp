// The open dialog (template 29005) on the Windows build: chosen from the module's menu entry
// through the host, with the shell's folder tree planted in it, driven from a second thread as
// a user would: a folder of generated sheets picked in the tree, the rows read back through
// list-view messages, a row opened with OK (the host gets the full path and the map opens and
// draws), Cancel, and OK without a row.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <mutex>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "res/resource_ids.h"
#include "wine/dialogs/driver.h"
#include "wine/harness/block_sums.h"
#include "wine/harness/box_watcher.h"
#include "wine/harness/check.h"
#include "wine/harness/host_api.h"
#include "wine/harness/plugin_loader.h"

namespace {

constexpr uint32_t kPluginId = 0x7E9A;
constexpr uint32_t kOpenedHandle = 48;

const char kCaption[] = "火山標高を開く";

// The sheets scripts/test-wine generates into <data>\sheets: (column 0, column 1). ORPHAN.LEM
// there has no header and is not listed.
struct Sheet {
    std::string title;
    std::string file;
};
const std::vector<Sheet>& Sheets() {
    static const std::vector<Sheet> sheets = {
        {"火山標高 富士山", "FUJI.lem"},
        {"火山標高 雲仙岳 平成新山", "a.b.lem"},
        {"火山標高 霧島山 新燃岳・御鉢・大浪池・韓国岳・高千穂峰・えびの高原 周辺詳細図 第二版", "KIRISHIMA.lem"},
    };
    return sheets;
}
constexpr size_t kLongTitle = 2;

struct Setup {
    harness::HostApi* host = nullptr;
    std::string data;
    std::string folder;  // <data>\sheets\LEM
    std::string out;
    HWND frame = nullptr;  // the host's main window
};

struct OpenDialog {
    HWND dialog = nullptr;
    HWND list = nullptr;
    HWND tree = nullptr;
};

// The dialog once its folder tree has been planted into it.
OpenDialog FindOpenDialog() {
    OpenDialog found;
    found.dialog = harness::WaitFor([] {
        HWND dialog = harness::FindTopLevel(kCaption);
        return dialog && GetDlgItem(dialog, IDC_MAP_LIST) ? dialog : nullptr;
    });
    if (!found.dialog) return found;
    found.list = GetDlgItem(found.dialog, IDC_MAP_LIST);
    found.tree = harness::WaitFor([&] { return harness::FindDescendant(found.dialog, "SysTreeView32"); });
    return found;
}

HTREEITEM Child(HWND tree, HTREEITEM item, UINT relation) {
    return reinterpret_cast<HTREEITEM>(SendMessageA(tree, TVM_GETNEXTITEM, relation, reinterpret_cast<LPARAM>(item)));
}

std::string ItemText(HWND tree, HTREEITEM item) {
    char text[260] = {};
    TVITEMA data{};
    data.mask = TVIF_TEXT;
    data.hItem = item;
    data.pszText = text;
    data.cchTextMax = sizeof text;
    SendMessageA(tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&data));
    return text;
}

// The child of item whose text matches; the tree fills a folder's children when it expands.
HTREEITEM FindChild(HWND tree, HTREEITEM item, const std::function<bool(const std::string&)>& match) {
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(item));
    for (HTREEITEM child = Child(tree, item, TVGN_CHILD); child; child = Child(tree, child, TVGN_NEXT))
        if (match(ItemText(tree, child))) return child;
    return nullptr;
}

struct TreeWalk {
    HTREEITEM computer = nullptr;  // the item that holds the drives, not a folder on disk
    HTREEITEM folder = nullptr;
};

// Desktop -> the item that holds drive Z: -> each folder of the path below Z:\, as a user opens
// them one by one.
TreeWalk WalkToFolder(HWND tree, const std::string& path) {
    TreeWalk walk;
    HTREEITEM desktop = Child(tree, nullptr, TVGN_ROOT);
    if (!desktop) return walk;
    HTREEITEM drive = nullptr;
    SendMessageA(tree, TVM_EXPAND, TVE_EXPAND, reinterpret_cast<LPARAM>(desktop));
    for (HTREEITEM top = Child(tree, desktop, TVGN_CHILD); top && !drive; top = Child(tree, top, TVGN_NEXT)) {
        drive = FindChild(tree, top, [](const std::string& text) { return text.find("(Z:)") != std::string::npos; });
        if (drive) walk.computer = top;
    }
    if (!drive) {
        std::printf("  tree below the desktop:");
        for (const std::string& text : harness::TreeChildren(tree, desktop)) std::printf(" [%s]", text.c_str());
        std::printf("\n");
        return walk;
    }
    HTREEITEM current = drive;
    std::istringstream parts(path.substr(3));  // after "Z:\"
    std::string part;
    while (current && std::getline(parts, part, '\\')) {
        if (part.empty()) continue;
        current = FindChild(tree, current,
                            [&](const std::string& text) { return lstrcmpiA(text.c_str(), part.c_str()) == 0; });
        if (!current) std::printf("  no folder %s in the tree\n", part.c_str());
    }
    walk.folder = current;
    return walk;
}

void Select(HWND tree, HTREEITEM item) {
    SendMessageA(tree, TVM_SELECTITEM, TVGN_CARET, reinterpret_cast<LPARAM>(item));
    SendMessageA(tree, TVM_ENSUREVISIBLE, 0, reinterpret_cast<LPARAM>(item));
}

int RowCount(HWND list) {
    return static_cast<int>(SendMessageA(list, LVM_GETITEMCOUNT, 0, 0));
}

// Picks the sheets' folder in the tree and waits for the list to fill.
bool ShowSheets(const OpenDialog& open, const std::string& folder, TreeWalk* walked = nullptr) {
    const TreeWalk walk = WalkToFolder(open.tree, folder);
    if (walked) *walked = walk;
    if (!walk.folder) return false;
    Select(open.tree, walk.folder);
    return harness::WaitUntil([&] { return RowCount(open.list) == static_cast<int>(Sheets().size()); }, 5000);
}

int ColumnWidth(HWND list, int column) {
    return static_cast<int>(SendMessageA(list, LVM_GETCOLUMNWIDTH, column, 0));
}

// Half the width of "88" in the dialog's font, as the dialog sizes its columns.
int HalfWidthOf88(HWND dialog) {
    HDC dc = GetDC(dialog);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32A(dc, "88", 2, &size);
    SelectObject(dc, old);
    ReleaseDC(dialog, dc);
    return size.cx / 2;
}

// The colour on screen just inside a row's left edge, where no text is drawn.
COLORREF RowColour(HWND list, int row) {
    RECT bounds{};
    bounds.left = LVIR_BOUNDS;
    SendMessageA(list, LVM_GETITEMRECT, row, reinterpret_cast<LPARAM>(&bounds));
    POINT at{bounds.left + 2, (bounds.top + bounds.bottom) / 2};
    ClientToScreen(list, &at);
    HDC screen = GetDC(nullptr);
    const COLORREF colour = GetPixel(screen, at.x, at.y);
    ReleaseDC(nullptr, screen);
    return colour;
}

int RowOf(const std::vector<std::vector<std::string>>& rows, const std::string& file) {
    for (size_t i = 0; i < rows.size(); ++i)
        if (rows[i].size() == 2 && rows[i][1] == file) return static_cast<int>(i);
    return -1;
}

// The texts the module hands to DrawTextA, recorded by pointing its import of the function at a
// recorder: what the owner-drawn rows really show.
std::mutex g_drawnMutex;
std::vector<std::string> g_drawn;
decltype(&DrawTextA) g_drawText = nullptr;

int WINAPI RecordingDrawText(HDC dc, LPCSTR text, int length, LPRECT rect, UINT format) {
    {
        std::lock_guard<std::mutex> lock(g_drawnMutex);
        g_drawn.emplace_back(length < 0 ? std::string(text) : std::string(text, static_cast<size_t>(length)));
    }
    return g_drawText(dc, text, length, rect, format);
}

std::vector<std::string> TakeDrawnTexts() {
    std::lock_guard<std::mutex> lock(g_drawnMutex);
    return std::exchange(g_drawn, {});
}

// Points the module's import of function at replacement and returns what it held; nullptr when
// the module does not import it by name.
void* PatchImport(HMODULE module, const char* function, void* replacement) {
    auto* base = reinterpret_cast<uint8_t*>(module);
    const auto* nt =
        reinterpret_cast<const IMAGE_NT_HEADERS*>(base + reinterpret_cast<const IMAGE_DOS_HEADER*>(base)->e_lfanew);
    const IMAGE_DATA_DIRECTORY& imports = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (imports.VirtualAddress == 0) return nullptr;
    for (auto* dll = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + imports.VirtualAddress); dll->Name; ++dll) {
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(
            base + (dll->OriginalFirstThunk ? dll->OriginalFirstThunk : dll->FirstThunk));
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + dll->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            const auto* byName = reinterpret_cast<const IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            if (std::strcmp(reinterpret_cast<const char*>(byName->Name), function) != 0) continue;
            DWORD protection = 0;
            if (!VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, PAGE_READWRITE, &protection))
                return nullptr;
            void* original = reinterpret_cast<void*>(slots->u1.Function);
            slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
            VirtualProtect(&slots->u1.Function, sizeof slots->u1.Function, protection, &protection);
            return original;
        }
    }
    return nullptr;
}

bool RecordDrawText(HMODULE module) {
    g_drawText = reinterpret_cast<decltype(g_drawText)>(
        PatchImport(module, "DrawTextA", reinterpret_cast<void*>(&RecordingDrawText)));
    return g_drawText != nullptr;
}

// When armed, the module's first allocation after it calls DialogBoxParamA fails: the one its
// dialog makes as it starts. Only that one, since throwing the exception needs memory too.
using MallocFn = void*(__cdecl*)(size_t);
using DialogBoxParamFn = INT_PTR(WINAPI*)(HINSTANCE, LPCSTR, HWND, DLGPROC, LPARAM);
MallocFn g_malloc = nullptr;
DialogBoxParamFn g_dialogBoxParam = nullptr;
bool g_failAtStart = false;
bool g_failNext = false;
bool g_failed = false;

void* __cdecl FailingMalloc(size_t size) {
    if (!g_failNext) return g_malloc(size);
    g_failNext = false;
    g_failed = true;
    return nullptr;
}

INT_PTR WINAPI StartFailingDialogBox(HINSTANCE instance, LPCSTR name, HWND parent, DLGPROC proc, LPARAM param) {
    if (!g_failAtStart) return g_dialogBoxParam(instance, name, parent, proc, param);
    g_failNext = true;
    const INT_PTR result = g_dialogBoxParam(instance, name, parent, proc, param);
    g_failNext = false;
    return result;
}

bool ArmableStartFailure(HMODULE module) {
    g_malloc = reinterpret_cast<MallocFn>(PatchImport(module, "malloc", reinterpret_cast<void*>(&FailingMalloc)));
    g_dialogBoxParam = reinterpret_cast<DialogBoxParamFn>(
        PatchImport(module, "DialogBoxParamA", reinterpret_cast<void*>(&StartFailingDialogBox)));
    return g_malloc && g_dialogBoxParam;
}

int StringWidth(HWND list, const std::string& text) {
    return static_cast<int>(SendMessageA(list, LVM_GETSTRINGWIDTHA, 0, reinterpret_cast<LPARAM>(text.c_str())));
}

// The long title's row as drawn: a beginning of the title cut at a character boundary followed
// by "...", the longest that measures at most the column width less 5.
void CheckLongTitleDrawnShortened(HWND list) {
    const std::string title = Sheets()[kLongTitle].title;
    const int limit = ColumnWidth(list, 0) - 5;
    (void)TakeDrawnTexts();
    RedrawWindow(list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    Sleep(300);
    std::string drawn;
    bool wholeDrawn = false;
    for (const std::string& text : TakeDrawnTexts()) {
        wholeDrawn = wholeDrawn || text == title;
        if (text.size() > 3 && text.compare(text.size() - 3, 3, "...") == 0 &&
            title.compare(0, text.size() - 3, text, 0, text.size() - 3) == 0) {
            drawn = text;
        }
    }
    const size_t kept = drawn.empty() ? 0 : drawn.size() - 3;
    size_t boundary = 0;
    while (boundary < kept) boundary += IsDBCSLeadByteEx(932, static_cast<BYTE>(title[boundary])) ? 2 : 1;
    const size_t next = kept + (kept < title.size() && IsDBCSLeadByteEx(932, static_cast<BYTE>(title[kept])) ? 2 : 1);
    CHECK(!drawn.empty() && !wholeDrawn && boundary == kept && StringWidth(list, drawn) <= limit &&
              (next > title.size() || StringWidth(list, title.substr(0, next) + "...") > limit),
          "ok: the long title's row is drawn as the longest beginning that fits with \"...\" (drew " +
              harness::Hex(drawn) + ")");
}

int32_t FireOpenMenu(harness::HostApi& host) {
    return host.FireMenu(host.FindMenu("数値地図火山標高(&V)"), 100, 0);
}

bool ContainsLine(const std::string& log, const std::string& text) {
    return log.find(text) != std::string::npos;
}

// The folder's rows, a row chosen, OK: the host opens exactly that file, and the map draws.
void OpenChosenSheet(const Setup& s) {
    harness::HostApi& host = *s.host;
    host.SetNextHandle(kOpenedHandle);
    const std::string chosen = s.folder + "\\" + Sheets()[0].file;
    harness::RunAsUser(
        [&] { FireOpenMenu(host); },
        [&] {
            const OpenDialog open = FindOpenDialog();
            if (!CHECK(open.dialog != nullptr, "ok: the menu entry shows the open dialog")) return;
            CHECK(GetWindow(open.dialog, GW_OWNER) == s.frame, "ok: owned by the host's main window");
            if (!CHECK(open.tree != nullptr, "ok: the folder tree is planted in the dialog")) {
                harness::Abandon(open.dialog);
                return;
            }
            RECT frame{}, browse{};
            GetWindowRect(GetDlgItem(open.dialog, IDC_TREE_FRAME), &frame);
            HWND browseWindow = GetParent(open.tree);
            GetWindowRect(browseWindow, &browse);
            CHECK(GetParent(browseWindow) == open.dialog && EqualRect(&frame, &browse) &&
                      (GetWindowLongA(browseWindow, GWL_STYLE) & (WS_CHILD | WS_CAPTION)) == WS_CHILD,
                  "ok: the browse window is a captionless child over frame 29001");
            const int h = HalfWidthOf88(open.dialog);
            CHECK(h > 0 && ColumnWidth(open.list, 0) == 35 * h && ColumnWidth(open.list, 1) == 30 * h,
                  "ok: columns 35 h and 30 h wide, h = " + std::to_string(h));

            const bool listed = ShowSheets(open, s.folder);
            if (!CHECK(listed, "ok: the sheets' folder picked in the tree fills " + std::to_string(Sheets().size()) +
                                   " rows (got " + std::to_string(RowCount(open.list)) + ")")) {
                harness::Abandon(open.dialog);
                return;
            }
            auto rows = harness::ListRows(open.list, 2);
            for (const Sheet& sheet : Sheets()) {
                const int row = RowOf(rows, sheet.file);
                CHECK(row >= 0 && rows[static_cast<size_t>(row)][0] == sheet.title,
                      "ok: row " + sheet.file + " with its title");
            }
            CHECK(StringWidth(open.list, Sheets()[kLongTitle].title) > ColumnWidth(open.list, 0) - 12,
                  "ok: the long title is wider than its column");
            CheckLongTitleDrawnShortened(open.list);

            harness::SelectListRow(open.list, RowOf(rows, Sheets()[kLongTitle].file));
            SendMessageA(open.dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(open.list), TRUE);
            CHECK(harness::CaptureWindow(open.dialog, s.out + "\\open_dialog_shortened.bmp"),
                  "ok: screenshot open_dialog_shortened.bmp (long title selected)");
            harness::SelectListRow(open.list, RowOf(rows, Sheets()[0].file));
            CHECK(harness::CaptureWindow(open.dialog, s.out + "\\open_dialog.bmp"), "ok: screenshot open_dialog.bmp");
            // The owner-drawn rows: the selected one keeps its highlight when the
            // focus moves on to the tree; the others show the list's background.
            SendMessageA(open.dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(open.tree), TRUE);
            RedrawWindow(open.list, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
            Sleep(300);
            const COLORREF selected = RowColour(open.list, RowOf(rows, Sheets()[0].file));
            const COLORREF other = RowColour(open.list, RowOf(rows, Sheets()[1].file));
            CHECK(selected == GetSysColor(COLOR_HIGHLIGHT) &&
                      other == static_cast<COLORREF>(SendMessageA(open.list, LVM_GETBKCOLOR, 0, 0)),
                  "ok: without the focus the selected row keeps its highlight");
            harness::Click(open.dialog, IDOK);
        });
    const std::string log = host.LogText();
    const size_t openAt = log.find("host OLX_OpenMap(");
    CHECK(openAt != std::string::npos &&
              ContainsLine(log.substr(openAt), "{size=56 path=\"" + chosen + "\" flag=0 zero32=0 zero40=0}) -> 1"),
          "ok: OLX_OpenMap gets the full path " + chosen);
    const std::string after = openAt == std::string::npos ? std::string() : log.substr(openAt);
    const size_t recognise = after.find("send map 2003(");
    const size_t opened = after.find("send map 2004(" + std::to_string(kOpenedHandle));
    const size_t described = after.find("send map 2011(" + std::to_string(kOpenedHandle));
    CHECK(recognise != std::string::npos && opened != std::string::npos && described != std::string::npos &&
              recognise < opened && opened < described,
          "ok: the host opened it through 2003, 2004 and 2011");
    tagMAPINFO info{};
    CHECK(host.GetMapInfo(kOpenedHandle, &info) == 1 && host.MapTitle(kOpenedHandle) == Sheets()[0].title,
          "ok: the opened map is described with its title");
    harness::CompareBlocks(host, kOpenedHandle, s.data + "\\sums-fuji.txt", "ok: the opened sheet draws");
    host.CloseMap(kOpenedHandle);
}

// Memory runs out while the dialog starts: the dialog ends as cancelled at once, nothing is
// opened, no dialog window stays behind, and the next opening shows the dialog again.
void FailureWhileTheDialogStarts(const Setup& s) {
    harness::HostApi& host = *s.host;
    g_failAtStart = true;
    // No user is needed: a dialog that stayed up would hang this thread and the watchdog fails the run.
    const int32_t result = FireOpenMenu(host);
    g_failAtStart = false;
    CHECK(g_failed, "start failure: an allocation failed while the dialog started");
    CHECK(result == 0 && FindWindowA(nullptr, kCaption) == nullptr && host.CountCalls("OLX_OpenMap") == 0,
          "start failure: the menu command ends without a dialog and opens nothing");
    harness::RunAsUser([&] { FireOpenMenu(host); },
                       [&] {
                           const OpenDialog open = FindOpenDialog();
                           CHECK(open.dialog != nullptr, "start failure: the next opening shows the dialog");
                           if (open.dialog) harness::Click(open.dialog, IDCANCEL);
                       });
}

// Cancel opens nothing, even with a row selected; a tree item that is not a folder on disk
// keeps the rows of the last folder.
void CancelOpensNothing(const Setup& s) {
    harness::HostApi& host = *s.host;
    harness::RunAsUser([&] { FireOpenMenu(host); },
                       [&] {
                           const OpenDialog open = FindOpenDialog();
                           if (!CHECK(open.dialog && open.tree, "cancel: the dialog with its tree")) {
                               harness::Abandon(open.dialog);
                               return;
                           }
                           TreeWalk walk;
                           if (CHECK(ShowSheets(open, s.folder, &walk), "cancel: the sheets are listed again")) {
                               Select(open.tree, walk.computer);
                               Sleep(300);
                               CHECK(RowCount(open.list) == static_cast<int>(Sheets().size()),
                                     "cancel: the drives' item (no folder on disk) keeps the rows");
                               harness::SelectListRow(open.list, 0);
                           }
                           harness::Click(open.dialog, IDCANCEL);
                       });
    CHECK(host.CountCalls("OLX_OpenMap") == 0 && host.LogText().find("send map 2003") == std::string::npos,
          "cancel: nothing is opened");
}

// The keys of the dialog work while the folder tree's own modal loop runs: Tab goes round the
// list, the planted tree and the buttons; Esc in the tree cancels the whole dialog; Enter in the
// list opens the selected row's sheet.
void KeysWhileTheTreeRuns(const Setup& s) {
    harness::HostApi& host = *s.host;
    const auto focusOf = [](HWND dialog) {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) ? info.hwndFocus : nullptr;
    };
    const auto focusBecomes = [&](HWND dialog, HWND want) {
        return harness::WaitUntil([&] { return focusOf(dialog) == want; }, 3000);
    };
    // The browse dialog may still be starting when its tree is found, and its start ends by
    // focusing its own first control: a key sent before then would start from there. So the
    // focus is put on the target until it stays there for a while, and only then the key goes.
    const auto press = [&](const OpenDialog& open, HWND target, WPARAM key) {
        for (int attempt = 0; attempt < 20; ++attempt) {
            SendMessageA(open.dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(target), TRUE);
            if (!focusBecomes(open.dialog, target)) continue;
            Sleep(harness::Scaled(300));
            if (focusOf(open.dialog) == target) break;
        }
        PostMessageA(target, WM_KEYDOWN, key, 1);
        PostMessageA(target, WM_KEYUP, key, 0xC0000001);
    };
    bool ended = false;
    harness::RunAsUser([&] { FireOpenMenu(host); },
                       [&] {
                           const OpenDialog open = FindOpenDialog();
                           if (!CHECK(open.dialog && open.tree, "keys: the dialog with its tree")) {
                               harness::Abandon(open.dialog);
                               return;
                           }
                           press(open, open.list, VK_TAB);
                           CHECK(focusBecomes(open.dialog, open.tree), "keys: Tab in the list moves on to the tree");
                           press(open, open.tree, VK_TAB);
                           CHECK(focusBecomes(open.dialog, GetDlgItem(open.dialog, IDOK)),
                                 "keys: Tab in the tree moves on to OK");
                           press(open, open.tree, VK_ESCAPE);
                           ended = harness::WaitUntil([&] { return !IsWindow(open.dialog); }, 3000);
                           if (!ended) harness::Abandon(open.dialog);
                       });
    CHECK(ended && host.CountCalls("OLX_OpenMap") == 0, "keys: Esc in the tree cancels the dialog");

    host.SetNextHandle(kOpenedHandle);
    harness::RunAsUser([&] { FireOpenMenu(host); },
                       [&] {
                           const OpenDialog open = FindOpenDialog();
                           if (!CHECK(open.dialog && open.tree && ShowSheets(open, s.folder),
                                      "keys: the dialog with the sheets listed")) {
                               harness::Abandon(open.dialog);
                               return;
                           }
                           harness::SelectListRow(open.list, RowOf(harness::ListRows(open.list, 2), Sheets()[1].file));
                           press(open, open.list, VK_RETURN);
                           if (!harness::WaitUntil([&] { return !IsWindow(open.dialog); }, 3000))
                               harness::Abandon(open.dialog);
                       });
    CHECK(host.CountCalls("OLX_OpenMap") == 1 && host.MapTitle(kOpenedHandle) == Sheets()[1].title,
          "keys: Enter in the list opens the selected sheet");
    host.CloseMap(kOpenedHandle);
}

// OK without a row says so and keeps the dialog open.
void OkWithoutRow(const Setup& s) {
    harness::HostApi& host = *s.host;
    std::vector<harness::SeenBox> boxes;
    bool stayedOpen = false;
    HWND dialog = nullptr;
    harness::RunAsUser([&] { FireOpenMenu(host); },
                       [&] {
                           const OpenDialog open = FindOpenDialog();
                           if (!CHECK(open.dialog && open.tree, "no row: the dialog with its tree")) {
                               harness::Abandon(open.dialog);
                               return;
                           }
                           dialog = open.dialog;
                           CHECK(ShowSheets(open, s.folder), "no row: the sheets are listed, none selected");
                           harness::BoxWatcher watcher(IDOK);
                           harness::Click(open.dialog, IDOK);
                           harness::WaitUntil([&] { return !watcher.Boxes().empty(); }, 5000);
                           Sleep(300);
                           boxes = watcher.Boxes();
                           stayedOpen = IsWindow(open.dialog) && IsWindowVisible(open.dialog);
                           harness::Click(open.dialog, IDCANCEL);
                       });
    CHECK(boxes.size() == 1 && boxes[0].text == "地図を指定してください." && boxes[0].caption == "火山標高" &&
              boxes[0].icon == harness::StandardIcon(MB_ICONEXCLAMATION),
          "no row: OK shows the select-a-map message, captioned, with the exclamation icon");
    CHECK(boxes.size() == 1 && boxes[0].owner == dialog, "no row: the message is owned by the dialog");
    CHECK(stayedOpen, "no row: the dialog stays open after the message");
    CHECK(host.CountCalls("OLX_OpenMap") == 0, "no row: nothing is opened");
}

}  // namespace

int main() {
    return harness::Run(harness::kDialogHarness, [](harness::Session& session) {
        CHECK(RecordDrawText(session.plugin.module), "the module's DrawTextA calls are recorded");
        CHECK(ArmableStartFailure(session.plugin.module),
              "the module's allocations can be made to fail while a dialog starts");
        Setup s;
        s.host = &session.host;
        s.data = session.data;
        s.folder = s.data + "\\sheets\\LEM";
        s.out = harness::ScreenshotFolder();
        s.frame = session.frame;
        harness::RunScenarios<Setup>(
            session, kPluginId, s,
            {OpenChosenSheet, CancelOpensNothing, KeysWhileTheTreeRuns, OkWithoutRow, FailureWhileTheDialogStarts},
            [](harness::HostApi& host) {
                // The map the dialog opens is described without asking about the composite.
                host.SetProfileInt(kPluginId, "DCMView", 1);
                host.SetProfileInt(kPluginId, "LinkDCM", 0);
                host.SetActiveView(3);
            });
    });
}
