// The composite settings dialog (template 29006) on the Windows build, shown by the module at a
// map open and from its settings menu entry, and driven through its controls from a second
// thread as a user would: the enabling rule after each click, OK and Cancel with what they
// store in the host's profile, a stored "LinkType" outside the radio group, the browse
// button's system file dialog, and a settings command whose dialog cannot be made.
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "wine/dialogs/driver.h"
#include "wine/harness/box_watcher.h"
#include "wine/harness/check.h"
#include "wine/harness/host_api.h"
#include "wine/harness/plugin_loader.h"

namespace {

constexpr uint32_t kPluginId = 0x7E9A;
// Controls of the common file dialog's template.
constexpr int kFileTypeCombo = 0x470;  // cmb1
constexpr int kFileNameCombo = 0x47C;  // cmb13
constexpr int kFileNameEdit = 0x480;   // edt1
constexpr int kReadOnlyCheck = 0x410;  // chx1

const char kCaption[] = "火山標高を開く";
const char kChooserTitle[] = "標高データ（圧縮地図）の選択";

struct Setup {
    harness::HostApi* host = nullptr;
    std::string data;
    std::string sheet;
    std::string dcm;
    std::string otherDcm;
    std::string out;
    HWND frame = nullptr;  // the host's main window
};

HWND FindCompositeDialog() {
    return harness::WaitFor([] {
        HWND dialog = harness::FindTopLevel(kCaption);
        return dialog && GetDlgItem(dialog, IDC_DCM_FILE) ? dialog : nullptr;
    });
}

// File names compare without regard to case, as the file system does.
bool SameText(const std::string& a, const std::string& b) {
    return lstrcmpiA(a.c_str(), b.c_str()) == 0;
}

bool Checked(HWND dialog, int id) {
    return IsDlgButtonChecked(dialog, id) == BST_CHECKED;
}
bool Enabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id)) != FALSE;
}

// The five controls the enabling rule governs, as "radio radio label edit browse" flags.
std::string EnabledSet(HWND dialog) {
    std::string flags;
    for (int id : {IDC_GUIDEBOOK_RADIO, IDC_DCM_RADIO, IDC_DCM_LABEL, IDC_DCM_FILE, IDC_BROWSE})
        flags += Enabled(dialog, id) ? '1' : '0';
    return flags;
}

// "check guidebook dcm hide" as 1/0.
std::string CheckedSet(HWND dialog) {
    std::string flags;
    for (int id : {IDC_LINK_DCM, IDC_GUIDEBOOK_RADIO, IDC_DCM_RADIO, IDC_HIDE_CHECK})
        flags += Checked(dialog, id) ? '1' : '0';
    return flags;
}

void SetProfile(harness::HostApi& host, int linkType, int linkDcm, const std::string& file, int view) {
    host.SetProfileInt(kPluginId, "LinkType", linkType);
    host.SetProfileInt(kPluginId, "LinkDCM", linkDcm);
    host.SetProfileString(kPluginId, "DCMFile", file.c_str());
    host.SetProfileInt(kPluginId, "DCMView", view);
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

// The keys of the profile writes in the log, in order ("LinkType", ...), with their values:
// `LinkType=1`.
std::vector<std::string> ProfileWrites(harness::HostApi& host) {
    std::vector<std::string> writes;
    for (const std::string& line : Lines(host.LogText())) {
        if (line.rfind("host OLX_WriteProfile", 0) != 0) continue;
        const size_t open = line.find('"');
        const size_t close = line.find('"', open + 1);
        const size_t valueEnd = line.rfind(") -> ");
        if (open == std::string::npos || close == std::string::npos || valueEnd == std::string::npos) continue;
        std::string value = line.substr(close + 3, valueEnd - (close + 3));
        if (value.size() >= 2 && value.front() == '"') value = value.substr(1, value.size() - 2);
        writes.push_back(line.substr(open + 1, close - open - 1) + "=" + value);
    }
    return writes;
}

// The boxes a watcher answered, for a failing check's line: caption and text bytes.
std::string Describe(const std::vector<harness::SeenBox>& boxes) {
    std::string text;
    for (const harness::SeenBox& box : boxes)
        text += " [" + harness::Hex(box.caption) + " / " + harness::Hex(box.text) + "]";
    return text;
}

std::string Join(const std::vector<std::string>& items) {
    std::string joined;
    for (const std::string& item : items) joined += (joined.empty() ? "" : " ") + item;
    return joined;
}

// A click and the state it must leave: which boxes are ticked and which of the five governed
// controls are enabled.
struct ClickStep {
    int id;
    const char* name;
    const char* checked;  // check guidebook dcm hide
    const char* enabled;  // radio radio label edit browse
};

// Opened with the composite off and the guidebook chosen, the user walks through the rule,
// ends with the DCM file chosen and the dialog hidden from now on, and confirms.
void OpenWithClicksAndOk(const Setup& s) {
    harness::HostApi& host = *s.host;
    SetProfile(host, 0, 0, s.dcm, 0);
    harness::BoxWatcher watcher(IDOK);
    uint32_t handle = 0;
    harness::RunAsUser(
        [&] { handle = host.OpenMap(s.sheet.c_str()); },
        [&] {
            HWND dialog = FindCompositeDialog();
            if (!CHECK(dialog != nullptr, "open: the dialog appears at 2011")) return;
            CHECK(GetWindow(dialog, GW_OWNER) == s.frame, "open: owned by the host's main window");
            CHECK(harness::WindowText(GetDlgItem(dialog, IDC_DCM_FILE)) == s.dcm,
                  "open: the edit shows the stored DCMFile");
            CHECK(CheckedSet(dialog) == "0100" && EnabledSet(dialog) == "00000",
                  "open: composite off, guidebook ticked, all five disabled [" + CheckedSet(dialog) + " " +
                      EnabledSet(dialog) + "]");
            const ClickStep steps[] = {
                {IDC_LINK_DCM, "composite on", "1100", "11000"},
                {IDC_DCM_RADIO, "DCM radio", "1010", "11111"},
                {IDC_GUIDEBOOK_RADIO, "guidebook radio", "1100", "11000"},
                {IDC_DCM_RADIO, "DCM radio again", "1010", "11111"},
                {IDC_LINK_DCM, "composite off", "0010", "00000"},
                {IDC_LINK_DCM, "composite on again", "1010", "11111"},
                {IDC_HIDE_CHECK, "hide next time", "1011", "11111"},
            };
            for (const ClickStep& step : steps) {
                const bool clicked = harness::ClickAndWait(dialog, step.id);
                CHECK(clicked && CheckedSet(dialog) == step.checked && EnabledSet(dialog) == step.enabled,
                      std::string("open: click ") + step.name + " -> ticked " + CheckedSet(dialog) + " enabled " +
                          EnabledSet(dialog) + " (want " + step.checked + " " + step.enabled + ")");
            }
            CHECK(harness::WindowText(GetDlgItem(dialog, IDC_DCM_FILE)) == s.dcm,
                  "open: the path kept its text through the clicks");
            CHECK(harness::CaptureWindow(dialog, s.out + "\\composite_dialog.bmp"),
                  "open: screenshot composite_dialog.bmp");
            harness::Click(dialog, IDOK);
        });
    CHECK(handle != 0, "open: the sheet opened after OK");
    CHECK(Join(ProfileWrites(host)) == "LinkType=1 LinkDCM=1 DCMFile=" + s.dcm + " DCMView=1 Region=256",
          "open: OK writes the four keys in order, then Region [" + Join(ProfileWrites(host)) + "]");
    CHECK(host.ViewCacheClears() == 1, "open: the changed composite clears the view cache once");
    CHECK(watcher.Boxes().empty(), "open: the DCM file attached without a message" + Describe(watcher.Boxes()));
    if (handle) host.CloseMap(handle);
}

// Cancel stores nothing, but the map is described with the fields the clicks took: the
// composite ticked on a missing DCM file reports that file.
void OpenWithCancel(const Setup& s) {
    harness::HostApi& host = *s.host;
    const std::string missing = s.data + "\\missing.dcm";
    SetProfile(host, 1, 0, missing, 0);
    harness::BoxWatcher watcher(IDOK);
    uint32_t handle = 0;
    harness::RunAsUser([&] { handle = host.OpenMap(s.sheet.c_str()); },
                       [&] {
                           HWND dialog = FindCompositeDialog();
                           if (!CHECK(dialog != nullptr, "cancel: the dialog appears at 2011")) return;
                           CHECK(CheckedSet(dialog) == "0010" && EnabledSet(dialog) == "00000",
                                 "cancel: composite off, DCM ticked, all five disabled");
                           CHECK(harness::ClickAndWait(dialog, IDC_LINK_DCM) && EnabledSet(dialog) == "11111",
                                 "cancel: composite on enables all five");
                           harness::Click(dialog, IDCANCEL);
                       });
    CHECK(handle != 0, "cancel: the sheet still opens");
    CHECK(Join(ProfileWrites(host)) == "Region=256",
          "cancel: only Region is written [" + Join(ProfileWrites(host)) + "]");
    CHECK(host.Profile(kPluginId, "LinkDCM") == "0", "cancel: the stored LinkDCM stays 0");
    CHECK(host.ViewCacheClears() == 0, "cancel: no view cache clear");
    const auto boxes = watcher.Boxes();
    const std::string want = std::string(
                                 "下記の標高データが開けないか形式が読みとれません.\n"
                                 "圧縮した標高データ(DCM形式)を指定してください.\n\n") +
                             missing;
    CHECK(boxes.size() == 1 && boxes[0].text == want && boxes[0].icon == harness::StandardIcon(MB_ICONSTOP),
          "cancel: the clicked composite was used: the missing DCM file is reported with the stop icon");
    CHECK(boxes.size() == 1 && boxes[0].owner == s.frame, "cancel: the report is owned by the host's main window");
    if (handle) host.CloseMap(handle);
}

// The active base map of the menu scenarios: the sheet opened without the dialog.
uint32_t OpenQuietly(const Setup& s) {
    harness::HostApi& host = *s.host;
    SetProfile(host, 0, 0, "", 1);
    host.SetActiveView(3);
    host.SetViewCenter(3, 35.37, 138.74);
    const uint32_t handle = host.OpenMap(s.sheet.c_str());
    CHECK(handle != 0, "menu: the base map opens without the dialog");
    host.ClearLog();
    return handle;
}

int32_t FireSettingsMenu(harness::HostApi& host) {
    return host.FireMenu(host.FindMenu("合成設定(&S)"), 100, 0);
}

// A stored LinkType of 5 ticks neither radio button; OK stores -1 and reopens the base map with
// DCMView held at 1 around the reopen.
void MenuWithForeignLinkType(const Setup& s) {
    harness::HostApi& host = *s.host;
    if (!OpenQuietly(s)) return;
    SetProfile(host, 5, 1, s.dcm, 0);
    harness::BoxWatcher watcher(IDOK);
    harness::RunAsUser([&] { FireSettingsMenu(host); },
                       [&] {
                           HWND dialog = FindCompositeDialog();
                           if (!CHECK(dialog != nullptr, "menu: the dialog appears for the menu entry")) return;
                           CHECK(GetWindow(dialog, GW_OWNER) == s.frame, "menu: owned by the host's main window");
                           CHECK(CheckedSet(dialog) == "1000",
                                 "menu: LinkType 5 leaves both radio buttons clear [" + CheckedSet(dialog) + "]");
                           CHECK(EnabledSet(dialog) == "11000",
                                 "menu: both radios enabled, the file controls not [" + EnabledSet(dialog) + "]");
                           harness::Click(dialog, IDOK);
                       });
    CHECK(Join(ProfileWrites(host)) == "LinkType=-1 LinkDCM=1 DCMFile=" + s.dcm + " DCMView=1 Region=256 DCMView=0",
          "menu: OK stores LinkType -1, DCMView 1 around the reopen and then 0 [" + Join(ProfileWrites(host)) + "]");
    CHECK(host.ViewCacheClears() == 1, "menu: LinkType 5 -> -1 clears the view cache");
    CHECK(host.CountCalls("OLX_OpenMap") == 1, "menu: the base map is reopened");
    CHECK(watcher.Boxes().empty(),
          "menu: -1 selects the DCM file, which attaches without a message" + Describe(watcher.Boxes()));
}

void MenuWithCancel(const Setup& s) {
    harness::HostApi& host = *s.host;
    if (!OpenQuietly(s)) return;
    SetProfile(host, 1, 1, s.dcm, 0);
    host.ClearLog();
    harness::RunAsUser([&] { FireSettingsMenu(host); },
                       [&] {
                           HWND dialog = FindCompositeDialog();
                           if (!CHECK(dialog != nullptr, "menu cancel: the dialog appears")) return;
                           CHECK(CheckedSet(dialog) == "1010" && EnabledSet(dialog) == "11111",
                                 "menu cancel: composite on with the DCM file, all five enabled");
                           CHECK(harness::ClickAndWait(dialog, IDC_LINK_DCM) && EnabledSet(dialog) == "00000",
                                 "menu cancel: composite off disables all five");
                           harness::Click(dialog, IDCANCEL);
                       });
    CHECK(ProfileWrites(host).empty() && host.CountCalls("OLX_OpenMap") == 0 && host.ViewCacheClears() == 0,
          "menu cancel: nothing written, reopened or cleared");
    CHECK(host.Profile(kPluginId, "LinkDCM") == "1", "menu cancel: LinkDCM stays 1");
}

HWND FindChooser(HWND owner) {
    return harness::WaitFor([owner] {
        HWND chooser = harness::FindTopLevel(kChooserTitle);
        return chooser && GetWindow(chooser, GW_OWNER) == owner ? chooser : nullptr;
    });
}

std::vector<std::string> ComboItems(HWND combo) {
    std::vector<std::string> items;
    const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::string text(static_cast<size_t>(SendMessageA(combo, CB_GETLBTEXTLEN, i, 0)) + 1, '\0');
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text.data()));
        items.emplace_back(text.c_str());
    }
    return items;
}

// The file-name field of the chooser: an edit, on its own or inside a combo box.
HWND FileNameField(HWND chooser) {
    if (HWND edit = GetDlgItem(chooser, kFileNameEdit)) return edit;
    if (HWND combo = GetDlgItem(chooser, kFileNameCombo)) return harness::FindDescendant(combo, "Edit");
    return nullptr;
}

// A main window that is no window any more: the dialog cannot be made. That is no Cancel: the
// user gets the memory box naming the dialog (without an owner to hang on), and nothing is
// stored, reopened or cleared.
void MenuWithoutWindow(const Setup& s) {
    harness::HostApi& host = *s.host;
    SetProfile(host, 1, 1, s.dcm, 0);
    HWND gone = CreateWindowExA(0, "STATIC", "gone", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    DestroyWindow(gone);
    host.SetMainWnd(gone);
    host.ClearLog();
    harness::BoxWatcher watcher;
    harness::RunAsUser([&] { CHECK(FireSettingsMenu(host) == 0, "no window: the menu procedure answers 0"); },
                       [&] {
                           // Nothing to play; a dialog that did appear fails the check and is cancelled.
                           // FindWindowA sends no message to the host's thread, which may be waiting
                           // for this one already.
                           HWND dialog = nullptr;
                           for (int i = 0; i < 20 && !dialog; ++i) {
                               dialog = FindWindowA("#32770", kCaption);
                               if (!dialog) Sleep(100);
                           }
                           if (!CHECK(dialog == nullptr, "no window: no dialog appears")) harness::Abandon(dialog);
                       });
    const auto boxes = watcher.Boxes();
    CHECK(boxes.size() == 1 && boxes[0].text == "メモリーが足りません.\nCCompositeDlg::DoModal" &&
              boxes[0].icon == harness::StandardIcon(MB_ICONEXCLAMATION),
          "no window: the memory box names the dialog, with the exclamation icon" + Describe(boxes));
    CHECK(ProfileWrites(host).empty() && host.CountCalls("OLX_OpenMap") == 0 && host.ViewCacheClears() == 0,
          "no window: nothing written, reopened or cleared");
    host.SetMainWnd(s.frame);
}

// The browse button's chooser: its title, owner, filter and initial name; Cancel keeps the
// path, a chosen file replaces it and is stored at OK.
void MenuBrowse(const Setup& s) {
    harness::HostApi& host = *s.host;
    if (!OpenQuietly(s)) return;
    SetProfile(host, 1, 1, s.dcm, 0);
    host.ClearLog();
    harness::RunAsUser(
        [&] { FireSettingsMenu(host); },
        [&] {
            HWND dialog = FindCompositeDialog();
            if (!CHECK(dialog != nullptr, "browse: the dialog appears")) return;
            harness::Click(dialog, IDC_BROWSE);
            HWND chooser = FindChooser(dialog);
            if (!CHECK(chooser != nullptr, "browse: the file dialog opens, titled and owned by the dialog")) {
                harness::Abandon(dialog);
                return;
            }
            HWND types = GetDlgItem(chooser, kFileTypeCombo);
            const auto items = ComboItems(types);
            CHECK(items.size() == 2 && items[0] == "圧縮地図 [*.DCM]" && items[1] == "すべて",
                  "browse: the filter offers the DCM pair and every file");
            CHECK(SendMessageA(types, CB_GETCURSEL, 0, 0) == 0, "browse: the DCM pair is preselected");
            HWND name = FileNameField(chooser);
            const std::string initial = harness::WindowText(name);
            CHECK(!initial.empty() && s.dcm.size() >= initial.size() &&
                      s.dcm.compare(s.dcm.size() - initial.size(), initial.size(), initial) == 0,
                  "browse: the file name starts from the stored DCMFile [" + initial + "]");
            HWND readOnly = GetDlgItem(chooser, kReadOnlyCheck);
            CHECK(!readOnly || !IsWindowVisible(readOnly), "browse: no read-only box (OFN_HIDEREADONLY)");
            CHECK(harness::CaptureWindow(chooser, s.out + "\\composite_chooser.bmp"),
                  "browse: screenshot composite_chooser.bmp");
            PostMessageA(chooser, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            CHECK(harness::WaitUntil([&] { return !IsWindow(chooser); }), "browse: Cancel closes the file dialog");
            CHECK(harness::WindowText(GetDlgItem(dialog, IDC_DCM_FILE)) == s.dcm,
                  "browse: a cancelled file dialog keeps the path");

            harness::Click(dialog, IDC_BROWSE);
            chooser = FindChooser(dialog);
            if (!CHECK(chooser != nullptr, "browse: the file dialog opens again")) {
                harness::Abandon(dialog);
                return;
            }
            // A name typed without extension gets one.
            const std::string typed = s.otherDcm.substr(0, s.otherDcm.size() - 4);
            SetWindowTextA(FileNameField(chooser), typed.c_str());
            PostMessageA(chooser, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
            const bool shown = harness::WaitUntil(
                [&] { return SameText(harness::WindowText(GetDlgItem(dialog, IDC_DCM_FILE)), s.otherDcm); }, 5000);
            CHECK(shown, "browse: the typed name, with the extension added, appears in the edit [" +
                             harness::WindowText(GetDlgItem(dialog, IDC_DCM_FILE)) + "]");
            if (IsWindow(chooser)) PostMessageA(chooser, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            harness::WaitUntil([&] { return !IsWindow(chooser); }, 5000);
            harness::Click(dialog, IDOK);
        });
    CHECK(SameText(host.Profile(kPluginId, "DCMFile"), s.otherDcm), "browse: OK stores the chosen file");
    CHECK(host.ViewCacheClears() == 1, "browse: another file clears the view cache");
}

}  // namespace

int main() {
    return harness::Run(harness::kDialogHarness, [](harness::Session& session) {
        Setup s;
        s.host = &session.host;
        s.data = session.data;
        s.sheet = s.data + "\\LEM\\SAMPLE.LEM";
        s.dcm = s.data + "\\sample.dcm";
        s.otherDcm = s.data + "\\other.dcm";
        s.out = harness::ScreenshotFolder();
        s.frame = session.frame;
        harness::RunScenarios<Setup>(session, kPluginId, s,
                                     {OpenWithClicksAndOk, OpenWithCancel, MenuWithForeignLinkType, MenuWithCancel,
                                      MenuWithoutWindow, MenuBrowse});
    });
}
