// The host stand-in: the state behind the 27 OLX_ functions and the controls that tests, the
// demo and the Wine harness use to play the host's part (fire menus and hooks, open and read
// maps, script the user's answers). One process-wide host; Reset() gives a fresh one.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "olx/host_interface.h"
#include "ui/dialog_host.h"

namespace hostsim {

// One entry of the call log.
//   kind Host:    an OLX_ function the module called; name "OLX_OpenMap" etc.
//   kind Send:    a message the host sent to a module procedure: "map 2003", "menu 100",
//                 "hook 1001" (the number is the code or event).
//   kind Desktop: the native desktop seen by the module: "box", "dialog", "file dialog",
//                 "open dialog".
// args renders the arguments: numbers in decimal, strings in double quotes holding their
// bytes unchanged (null for a null address), records in braces with their size field first,
// procedures as proc#N (N numbers distinct procedures in order of first appearance, null for
// none). result renders the return value ("" for functions without one).
struct Call {
    enum class Kind { Host, Send, Desktop };
    Kind kind = Kind::Host;
    std::string name;
    std::string args;
    std::string result;
};

struct MapTypeEntry {
    int32_t id = 0;
    int32_t size = 0;
    uint32_t owner = 0;
    OlxProc proc = nullptr;
    int32_t zero = 0;
};

struct HookEntry {
    int32_t id = 0;
    int32_t kind = 0;
    int32_t size = 0;
    uint32_t owner = 0;
    OlxProc proc = nullptr;
    int32_t zero = 0;
};

// A menu entry (OLX_AddMenu, parentOrPopup = parent code) or a child entry of a popup
// (OLX_AddChildMenu, parentOrPopup = popup id). Menus and child menus share one id space.
struct MenuEntry {
    int32_t id = 0;
    bool child = false;
    uint32_t pluginId = 0;
    int32_t parentOrPopup = 0;
    std::string text;
    OlxProc proc = nullptr;
};

struct PopupEntry {
    int32_t id = 0;
    uint32_t pluginId = 0;
    int32_t parent = 0;
    std::string text;
    int32_t arg = 0;
};

// A copy of a tagOPENMAPINFO the module passed to OLX_OpenMap (the path's bytes copied).
struct OpenRequest {
    uint32_t view = 0;
    int32_t size = 0;
    std::optional<std::string> path;  // nullopt: null address
    int32_t flag = 0;
    tagGEOPOS center{};
    int32_t zero32 = 0;
    int32_t zero40 = 0;
    int32_t matIndex = 0;
};

// A map the host opened through the map-type procedure and has not closed.
struct OpenMap {
    uint32_t handle = 0;
    std::string path;
    int32_t recognised = 0;  // result of 2003 (1 when Describe() added the map without it)
    int32_t opened = 0;      // result of 2004 (0 when the map was only described)
    int32_t described = 0;   // result of the latest 2011
    tagMAPINFO info{};       // the record after the latest 2011
    std::string title;       // the title's bytes, copied as soon as 2011 returned
    bool hasTitle = false;   // false when the title address was null
    OlxProc proc = nullptr;  // the map-type procedure that took the map
    bool open = true;        // false once the host closed it
};

// The file-type record that the map-type procedure filled at 2001.
struct FileTypeAnswer {
    int32_t result = 0;
    tagFILETYPEINFO record{};
    std::optional<std::string> filterName;
    std::optional<std::string> pattern;
};

struct MessageBoxRecord {
    std::string text;
    std::string caption;
    uint32_t style = 0;  // buttons + icon
    void* owner = nullptr;
    int answer = 0;
};

struct FileDialogRecord {
    bool openDialog = false;
    void* owner = nullptr;
    std::string filter;  // every byte up to and including the double NUL that ends the list
    uint32_t filterIndex = 0;
    std::optional<std::string> title;
    uint32_t flags = 0;
    std::string initialName;  // the file buffer's text when the dialog was asked for
    uint32_t fileBufferSize = 0;
    std::optional<std::string> defaultExtension;
    bool chosen = false;
};

struct FileDialogAnswer {
    bool ok = false;  // false: the user cancelled
    std::string path;
};

struct OpenLemAnswer {
    int result = 2;  // IDOK (1) with path, or IDCANCEL (2)
    std::string path;
};

// Controls of a natively run dialog: per control its check state, text and enabled state.
// Behaviour of automatic buttons is the scripted user's job (DialogUser::Click).
struct ControlState {
    bool checked = false;
    std::string text;
    bool enabled = true;
};

// The controls model a natively run dialog sees. Unknown controls read as unchecked, empty and
// enabled. Window() is nullptr.
class FakeControls : public ui::DialogControls {
public:
    [[nodiscard]] bool IsChecked(int id) const override;
    void SetChecked(int id, bool checked) override;
    [[nodiscard]] std::string GetText(int id) const override;
    void SetText(int id, const std::string& text) override;
    void Enable(int id, bool enabled) override;
    [[nodiscard]] bool IsEnabled(int id) const override;
    [[nodiscard]] void* Window() const override { return nullptr; }

    [[nodiscard]] const std::map<int, ControlState>& States() const { return states_; }

private:
    std::map<int, ControlState> states_;
};

// Automatic controls of the dialog templates: check boxes that toggle on a click and radio
// groups whose clicked button is ticked and the others cleared.
[[nodiscard]] bool IsAutoCheckBox(int templateId, int id);
[[nodiscard]] std::vector<int> RadioGroupOf(int templateId, int id);

// The scripted user of one modal dialog.
class DialogUser {
public:
    DialogUser(int templateId, ui::DialogLogic& logic, FakeControls& controls);

    [[nodiscard]] int TemplateId() const { return templateId_; }
    // Runs the dialog's initialisation (OnInit).
    void Init();
    // A click as Windows delivers it: an automatic check box toggles, an automatic radio
    // button is ticked and the others of its group cleared; then OnCommand. Returns its result;
    // the first non-zero result ends the dialog (Ended(), Result()).
    int Click(int id);
    int Ok() { return Click(1); }
    int Cancel() { return Click(2); }
    // Types text into an edit (no event).
    void Type(int id, const std::string& text);

    [[nodiscard]] bool IsChecked(int id) const;
    [[nodiscard]] bool IsEnabled(int id) const;
    [[nodiscard]] std::string Text(int id) const;
    [[nodiscard]] bool Ended() const { return result_ != 0; }
    [[nodiscard]] int Result() const { return result_; }
    [[nodiscard]] FakeControls& Controls() { return controls_; }

private:
    int templateId_;
    ui::DialogLogic& logic_;
    FakeControls& controls_;
    int result_ = 0;
};

// A scripted user: plays the dialog and returns how it ended (what RunModalDialog returns).
using DialogScript = std::function<int(DialogUser& user)>;

// Ready-made users: OK at once, Cancel at once, or clicks on controls (check boxes, radio
// buttons, buttons in order) then OK.
DialogScript PressOk();
DialogScript PressCancel();
DialogScript ClickThenOk(std::vector<int> ids);
DialogScript ClickThenCancel(std::vector<int> ids);

// The guidebook 50 m set the decoder serves: its description and its tiles (tile id → 320 x 320
// values, row 0 south; false: the tile cannot be decoded).
using TileSource = std::function<bool(int32_t tileId, int16_t* out)>;

// A description with the fields the module reads (south-west corner, cells per degree, datum).
tagMAPSETCREATEINFO MakeSetInfo(double lat, double lon, double cellsPerDegLat, double cellsPerDegLon,
                                int32_t datum);

// The 12 bytes OLX_MakeMapSetID writes for the given nine fields.
std::vector<uint8_t> MapSetIdBytes(const tagMAPSETIDINFO& info);
// The fields of the guidebook set's identifier with the given variant.
tagMAPSETIDINFO GuidebookIdInfo(int32_t variant = 1);

// Datum codes of OLX_GetDatumbyShortString.
constexpr int32_t kDatumTokyo = 1;
constexpr int32_t kDatumJgd2000 = 2;
constexpr int32_t kDatumWgs84 = 3;

class Host {
public:
    // ---- call log
    [[nodiscard]] const std::vector<Call>& Log() const { return log_; }
    // Names in order; with a kind, only the entries of that kind.
    [[nodiscard]] std::vector<std::string> Names() const;
    [[nodiscard]] std::vector<std::string> Names(Call::Kind kind) const;
    // Entries with this name, in order.
    [[nodiscard]] std::vector<Call> Calls(const std::string& name) const;
    [[nodiscard]] int Count(const std::string& name) const;
    // The whole log as text, one "name(args) -> result" line per entry.
    [[nodiscard]] std::string LogText() const;
    void ClearLog() { log_.clear(); }

    // ---- version, main window
    int32_t version = olx::kRequiredVersion;
    void* mainWnd = nullptr;

    // ---- the host executable as the module's framework sees it: its string table (id → text;
    // an id without entry or with an empty text has none) and its full path.
    std::map<uint32_t, std::string> stringResources;
    std::string executablePath = "C:\\Program Files\\Orolux\\Orolux.exe";
    // How often the module asked for a string resource of the executable.
    [[nodiscard]] int StringResourceQueries() const { return stringResourceQueries_; }

    // ---- registrations
    [[nodiscard]] const std::vector<MapTypeEntry>& MapTypes() const { return mapTypes_; }
    [[nodiscard]] const std::vector<HookEntry>& Hooks() const { return hooks_; }
    [[nodiscard]] const std::vector<MenuEntry>& Menus() const { return menus_; }
    [[nodiscard]] const std::vector<PopupEntry>& Popups() const { return popups_; }
    // Id of the menu or child menu with exactly these text bytes; 0 when there is none.
    [[nodiscard]] int32_t FindMenu(const std::string& text) const;

    // Sends code to the procedure of menu menuId (handle 0); -1 when there is no such menu.
    int32_t FireMenu(int32_t menuId, int32_t code, intptr_t param = 0);
    // Code 101 with an integer that starts at 0; returns what the procedure stored (nullopt:
    // no such menu).
    std::optional<int32_t> MenuState(int32_t menuId);
    // Offers a file to the hooks of kind 7 in registration order (event 1001, the address of a
    // host copy of path) until one returns non-zero; returns that result, 0 when none took it.
    int32_t FireFileOpenHook(const std::string& path);
    // Any event to every hook of a kind, in order; returns the last result (0 when none).
    int32_t FireHook(int32_t kind, int32_t event, intptr_t param);

    // ---- profile store: per plug-in id, key → text (integers as decimal text). Keys compare
    // without regard to ASCII case, as in the system's profile files.
    [[nodiscard]] std::optional<std::string> Profile(uint32_t pluginId, const std::string& key) const;
    void SetProfile(uint32_t pluginId, const std::string& key, const std::string& value);
    void SetProfileInt(uint32_t pluginId, const std::string& key, int32_t value);
    void EraseProfile(uint32_t pluginId, const std::string& key);
    // Reads or writes "[plugin N]" sections of key=value lines (bytes unchanged). Load replaces
    // the store. Values with line breaks cannot be saved: SaveIni then returns false.
    [[nodiscard]] bool LoadIni(const std::string& path);
    [[nodiscard]] bool SaveIni(const std::string& path) const;
    // Loads path (when it exists) and saves the store there after every profile write.
    void SetIniBacking(const std::string& path);

    // ---- views and maps
    uint32_t activeView = 1;
    uint32_t activeBaseMap = 0;
    uint32_t activeCoverMap = 0;
    void SetViewCenter(uint32_t view, double lat, double lon);
    void SetMapgroupFile(uint32_t map, const std::string& path);
    void SetMapFile(uint32_t map, const std::string& path);
    void SetMatIndex(uint32_t map, int32_t index);
    // A successful open makes the new map the active base map with its path as map group file
    // and map file (as the host's own open would).
    bool activateOpenedMaps = true;

    // ---- opening maps through the map-type procedure
    // Handles are handed out from nextHandle, which then advances by handleStep.
    uint32_t nextHandle = 16;
    uint32_t handleStep = 16;
    // Bytes of the 2011 record before the module fills it: every byte mapInfoFill, bytes 9-11
    // the host's own (mapInfoHostBytes).
    uint8_t mapInfoFill = 0;
    uint8_t mapInfoHostBytes[3] = {0x48, 0x53, 0x54};
    // When 2011 fails the host gives the map up with 2021.
    bool closeOnDescribeFailure = true;

    // The host's own open of a file (what OLX_OpenMap with flag 0 does, without the call being
    // logged as OLX_OpenMap): 2003 to each map type until one answers 1, 2004, 2011. Returns the
    // new handle, 0 when the file was not taken or not opened.
    uint32_t OpenFile(const std::string& path);
    // 2012 with a tagBLOCKREQUEST for values (320 x 320). -1 when no procedure has the handle.
    int32_t ReadBlock(uint32_t handle, int32_t blockId, int16_t* values);
    // 2021; the host forgets the map whatever the answer. -1 when no procedure has the handle.
    int32_t CloseMap(uint32_t handle);
    // 2001 to the first map type; the record starts filled with 0xEE bytes.
    FileTypeAnswer RequestFileType();
    // 2011 without 2004 for a handle whose path the host already knows (SetMapFile): the map
    // is taken by the first map type. Returns the result (-1 without a map type).
    int32_t Describe(uint32_t handle);
    // The maps open now, in the order they were opened.
    [[nodiscard]] std::vector<OpenMap> OpenMaps() const;
    // The open map with this handle, nullptr when none. The record stays readable (with open
    // false) after the map is closed, until Reset.
    [[nodiscard]] const OpenMap* FindOpenMap(uint32_t handle) const;
    // Every record passed to OLX_OpenMap, in order.
    [[nodiscard]] const std::vector<OpenRequest>& OpenRequests() const { return openRequests_; }

    [[nodiscard]] int ViewCacheClears() const { return viewCacheClears_; }

    // ---- guidebook decoder
    void SetGuidebookSource(const tagMAPSETCREATEINFO& info, TileSource tiles);
    void RemoveGuidebookSource();
    bool failXemOpen = false;
    bool failXemInfo = false;
    std::set<int32_t> failDecodeTiles;  // tiles whose decoding fails
    [[nodiscard]] int DecodeCount(int32_t tileId) const;
    [[nodiscard]] int DecodeCountTotal() const;
    [[nodiscard]] const std::set<uint32_t>& OpenXemHandles() const { return xemHandles_; }

    // ---- native desktop
    std::deque<int> messageBoxAnswers;  // default IDOK
    [[nodiscard]] const std::vector<MessageBoxRecord>& MessageBoxes() const { return boxes_; }
    std::deque<DialogScript> dialogScripts;  // default: OnInit, then OK
    // The controls of the latest natively run dialog as they were when it ended.
    [[nodiscard]] const std::map<int, ControlState>& LastDialogControls() const { return lastControls_; }
    std::deque<FileDialogAnswer> fileDialogAnswers;  // default: cancelled
    [[nodiscard]] const std::vector<FileDialogRecord>& FileDialogs() const { return fileDialogs_; }
    std::deque<OpenLemAnswer> openLemAnswers;  // default: IDCANCEL
    [[nodiscard]] int OpenLemDialogs() const { return openLemDialogs_; }

    // ---- the state behind the functions above, shared with the OLX_ functions and the
    // desktop; tests read it through the accessors.
    void Record(Call::Kind kind, std::string name, std::string args, std::string result = {});
    // "proc#N" for a procedure, "null" for none.
    std::string ProcName(OlxProc proc);
    // Sends a message to a module procedure and logs it as kind Send.
    int32_t Send(OlxProc proc, const std::string& name, int32_t code, uint32_t handle, intptr_t param,
                 const std::string& args);
    uint32_t OpenPath(const std::string& path);
    void SaveBacking();

    std::vector<Call> log_;
    std::vector<OlxProc> procNames_;
    std::vector<MapTypeEntry> mapTypes_;
    std::vector<HookEntry> hooks_;
    std::vector<MenuEntry> menus_;
    std::vector<PopupEntry> popups_;
    int32_t nextRegistrationId_ = 1;
    int32_t nextMenuId_ = 40001;
    int32_t nextPopupId_ = 501;

    std::map<uint32_t, std::vector<std::pair<std::string, std::string>>> profile_;
    std::string profileText_;  // what OLX_GetProfileString returned last
    std::string iniBacking_;

    std::map<uint32_t, tagGEOPOS> viewCenters_;
    std::map<uint32_t, std::string> mapgroupFiles_;
    std::map<uint32_t, std::string> mapFiles_;
    std::map<uint32_t, int32_t> matIndices_;
    std::string mapgroupText_;
    std::string mapFileText_;
    std::deque<OpenMap> maps_;  // every map ever opened; a deque keeps records in place
    std::vector<OpenRequest> openRequests_;
    int viewCacheClears_ = 0;

    bool hasGuidebook_ = false;
    tagMAPSETCREATEINFO guidebookInfo_{};
    TileSource guidebookTiles_;
    std::map<int32_t, int> decodeCounts_;
    std::set<uint32_t> xemHandles_;
    uint32_t nextXemHandle_ = 0x7E01;

    std::vector<MessageBoxRecord> boxes_;
    int stringResourceQueries_ = 0;
    std::map<int, ControlState> lastControls_;
    std::vector<FileDialogRecord> fileDialogs_;
    int openLemDialogs_ = 0;
};

// The one host of the process.
Host& Get();
// Drops every registration, setting, open map, script and log entry: a fresh host with
// version 7730.
void Reset();

}  // namespace hostsim
