// The desktop the module sees in the native build: message boxes, modal dialogs, the common
// file dialog and the open dialog, all answered by the test's scripted user and logged.
// A null owner is recorded as null (the host's main window). The Win32 side asks
// OLX_GetMainWnd for it at that point; natively that call is left out so that the call log
// holds the module's own host calls only.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "hostsim/host.h"
#include "hostsim/text.h"
#include "platform/message_box.h"
#include "res/resource_ids.h"
#include "ui/dialog_host.h"

namespace hostsim {
namespace {
namespace t = hostsim::text;

std::string Hex32(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%x", v);
    return buf;
}

// Pairs of NUL-terminated strings up to the double NUL; a null filter is empty.
std::string FilterBytes(const char* filter) {
    if (!filter) return {};
    size_t n = 0;
    while (!(filter[n] == '\0' && (n == 0 || filter[n - 1] == '\0'))) ++n;
    // n is the second NUL of the pair (or 0 for an empty list); keep both.
    return std::string(filter, n == 0 ? 1 : n + 1);
}

std::string Visible(const std::string& bytes) {
    std::string out;
    for (char c : bytes) out += c == '\0' ? std::string("\\0") : std::string(1, c);
    return out;
}

}  // namespace

// ---- fake controls

bool FakeControls::IsChecked(int id) const {
    auto it = states_.find(id);
    return it != states_.end() && it->second.checked;
}

void FakeControls::SetChecked(int id, bool checked) {
    states_[id].checked = checked;
}

std::string FakeControls::GetText(int id) const {
    auto it = states_.find(id);
    return it == states_.end() ? std::string() : it->second.text;
}

void FakeControls::SetText(int id, const std::string& text) {
    states_[id].text = text;
}

void FakeControls::Enable(int id, bool enabled) {
    states_[id].enabled = enabled;
}

bool FakeControls::IsEnabled(int id) const {
    auto it = states_.find(id);
    return it == states_.end() || it->second.enabled;
}

bool IsAutoCheckBox(int templateId, int id) {
    return templateId == IDD_COMPOSITE && (id == IDC_LINK_DCM || id == IDC_HIDE_CHECK);
}

std::vector<int> RadioGroupOf(int templateId, int id) {
    if (templateId == IDD_COMPOSITE && (id == IDC_GUIDEBOOK_RADIO || id == IDC_DCM_RADIO))
        return {IDC_GUIDEBOOK_RADIO, IDC_DCM_RADIO};
    return {};
}

// ---- the scripted user

DialogUser::DialogUser(int templateId, ui::DialogLogic& logic, FakeControls& controls)
    : templateId_(templateId), logic_(logic), controls_(controls) {}

void DialogUser::Init() {
    logic_.OnInit(controls_);
}

int DialogUser::Click(int id) {
    if (IsAutoCheckBox(templateId_, id)) {
        controls_.SetChecked(id, !controls_.IsChecked(id));
    } else {
        const std::vector<int> group = RadioGroupOf(templateId_, id);
        for (int member : group) controls_.SetChecked(member, member == id);
    }
    const int r = logic_.OnCommand(id, controls_);
    if (r != 0 && result_ == 0) result_ = r;
    return r;
}

void DialogUser::Type(int id, const std::string& text) {
    controls_.SetText(id, text);
}

bool DialogUser::IsChecked(int id) const {
    return controls_.IsChecked(id);
}

bool DialogUser::IsEnabled(int id) const {
    return controls_.IsEnabled(id);
}

std::string DialogUser::Text(int id) const {
    return controls_.GetText(id);
}

namespace {
// Clicks, then a button: OK or Cancel; a dialog that does not end on OK is cancelled.
DialogScript ClickThen(std::vector<int> ids, int button) {
    return [ids = std::move(ids), button](DialogUser& user) {
        user.Init();
        for (int id : ids) {
            if (user.Ended()) return user.Result();
            (void)user.Click(id);
        }
        if (!user.Ended()) (void)user.Click(button);
        if (!user.Ended()) (void)user.Cancel();
        return user.Ended() ? user.Result() : ui::kIdCancel;
    };
}
}  // namespace

DialogScript PressOk() {
    return ClickThen({}, ui::kIdOk);
}

DialogScript PressCancel() {
    return ClickThen({}, ui::kIdCancel);
}

DialogScript ClickThenOk(std::vector<int> ids) {
    return ClickThen(std::move(ids), ui::kIdOk);
}

DialogScript ClickThenCancel(std::vector<int> ids) {
    return ClickThen(std::move(ids), ui::kIdCancel);
}

}  // namespace hostsim

namespace platform {

int SystemMessageBox(void* owner, const char* text, const char* caption, uint32_t style) {
    hostsim::Host& h = hostsim::Get();
    hostsim::MessageBoxRecord box;
    box.text = text ? text : "";
    box.caption = caption ? caption : "";
    box.style = style;
    box.owner = owner;
    box.answer = kIdOk;
    if (!h.messageBoxAnswers.empty()) {
        box.answer = h.messageBoxAnswers.front();
        h.messageBoxAnswers.pop_front();
    }
    h.boxes_.push_back(box);
    h.Record(hostsim::Call::Kind::Desktop, "box",
             hostsim::t::Str(text) + ", " + hostsim::t::Str(caption) + ", " + hostsim::Hex32(style) + ", " +
                 hostsim::t::Ptr(owner),
             std::to_string(box.answer));
    return box.answer;
}

namespace {
// Copies text into buffer as the system calls do: cut to size - 1 bytes, always terminated.
size_t CopyCut(const std::string& text, char* buffer, size_t size) {
    if (size == 0) return 0;
    const size_t length = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return length;
}
}  // namespace

size_t HostStringResource(uint32_t id, char* buffer, size_t size) {
    hostsim::Host& h = hostsim::Get();
    ++h.stringResourceQueries_;
    const auto it = h.stringResources.find(id);
    if (it == h.stringResources.end() || it->second.empty()) return CopyCut({}, buffer, size);
    return CopyCut(it->second, buffer, size);
}

size_t HostExecutablePath(char* buffer, size_t size) {
    const std::string& path = hostsim::Get().executablePath;
    if (path.size() >= size) return CopyCut({}, buffer, size);
    return CopyCut(path, buffer, size);
}

}  // namespace platform

namespace ui {

int RunModalDialog(int templateId, void* owner, DialogLogic& logic) {
    hostsim::Host& h = hostsim::Get();
    h.Record(hostsim::Call::Kind::Desktop, "dialog", std::to_string(templateId) + ", " + hostsim::t::Ptr(owner), "");
    const size_t at = h.log_.size() - 1;
    hostsim::DialogScript script = hostsim::PressOk();
    if (!h.dialogScripts.empty()) {
        script = std::move(h.dialogScripts.front());
        h.dialogScripts.pop_front();
    }
    hostsim::FakeControls controls;
    hostsim::DialogUser user(templateId, logic, controls);
    const int result = script(user);
    hostsim::Host& after = hostsim::Get();
    after.lastControls_ = controls.States();
    if (at < after.log_.size()) after.log_[at].result = std::to_string(result);
    return result;
}

bool RunFileDialog(FileDialogRequest& request, bool openDialog) {
    hostsim::Host& h = hostsim::Get();
    hostsim::FileDialogRecord record;
    record.openDialog = openDialog;
    record.owner = request.owner;
    record.filter = hostsim::FilterBytes(request.filter);
    record.filterIndex = request.filterIndex;
    if (request.title) record.title = std::string(request.title);
    record.flags = request.flags;
    if (request.fileBuffer && request.fileBufferSize > 0)
        record.initialName = std::string(request.fileBuffer, strnlen(request.fileBuffer, request.fileBufferSize));
    record.fileBufferSize = request.fileBufferSize;
    if (request.defaultExtension) record.defaultExtension = std::string(request.defaultExtension);

    hostsim::FileDialogAnswer answer;
    if (!h.fileDialogAnswers.empty()) {
        answer = h.fileDialogAnswers.front();
        h.fileDialogAnswers.pop_front();
    }
    // As the system dialog: a chosen path that does not fit the buffer is a failure.
    record.chosen = answer.ok && request.fileBuffer && answer.path.size() < request.fileBufferSize;
    if (record.chosen) std::memcpy(request.fileBuffer, answer.path.c_str(), answer.path.size() + 1);

    namespace t = hostsim::t;
    h.Record(hostsim::Call::Kind::Desktop, "file dialog",
             std::string(openDialog ? "open" : "save") + ", " + t::Quote(hostsim::Visible(record.filter)) + ", " +
                 std::to_string(record.filterIndex) + ", " + t::Str(request.title) + ", " +
                 hostsim::Hex32(record.flags) + ", " + t::Quote(record.initialName) + ", " +
                 std::to_string(record.fileBufferSize) + ", " + t::Str(request.defaultExtension),
             record.chosen ? t::Quote(answer.path) : std::string("cancel"));
    h.fileDialogs_.push_back(std::move(record));
    return h.fileDialogs_.back().chosen;
}

int RunOpenLemDialog(void* parent, std::string& chosenPath) {
    hostsim::Host& h = hostsim::Get();
    ++h.openLemDialogs_;
    hostsim::OpenLemAnswer answer;
    if (!h.openLemAnswers.empty()) {
        answer = h.openLemAnswers.front();
        h.openLemAnswers.pop_front();
    }
    if (answer.result == kIdOk) chosenPath = answer.path;
    h.Record(hostsim::Call::Kind::Desktop, "open dialog", hostsim::t::Ptr(parent),
             std::to_string(answer.result) + (answer.result == kIdOk ? " " + hostsim::t::Quote(answer.path) : ""));
    return answer.result;
}

}  // namespace ui
