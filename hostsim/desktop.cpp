// A null owner is recorded as null (the host's main window). The Win32 side asks
// OLX_GetMainWnd for it at that point; natively that call is left out so that the call log
// holds the module's own host calls only.
#include "hostsim/desktop.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "hostsim/text.h"

namespace hostsim {
namespace {

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

size_t CopyCut(const std::string& text, char* buffer, size_t size) {
    if (size == 0) return 0;
    const size_t length = std::min(text.size(), size - 1);
    std::memcpy(buffer, text.data(), length);
    buffer[length] = '\0';
    return length;
}

}  // namespace

int ScriptedDesktop::ShowMessageBox(void* owner, const char* text, const char* caption, uint32_t style) {
    MessageBoxRecord box;
    box.text = text ? text : "";
    box.caption = caption ? caption : "";
    box.style = style;
    box.owner = owner;
    box.answer = ui::kIdOk;
    if (!messageBoxAnswers_.empty()) {
        box.answer = messageBoxAnswers_.front();
        messageBoxAnswers_.pop_front();
    }
    boxes_.push_back(box);
    log_->Record(Call::Kind::Desktop, "box",
                 text::Str(text) + ", " + text::Str(caption) + ", " + Hex32(style) + ", " + text::Ptr(owner),
                 std::to_string(box.answer));
    return box.answer;
}

size_t ScriptedDesktop::CopyStringResource(uint32_t id, char* buffer, size_t size) {
    ++stringResourceQueries_;
    const auto it = stringResources_.find(id);
    if (it == stringResources_.end() || it->second.empty()) return CopyCut({}, buffer, size);
    return CopyCut(it->second, buffer, size);
}

size_t ScriptedDesktop::CopyExecutablePath(char* buffer, size_t size) const {
    if (executablePath_.size() >= size) return CopyCut({}, buffer, size);
    return CopyCut(executablePath_, buffer, size);
}

int ScriptedDesktop::RunDialog(int templateId, void* owner, ui::DialogLogic& logic) {
    const size_t at = log_->Begin(Call::Kind::Desktop, "dialog", std::to_string(templateId) + ", " + text::Ptr(owner));
    DialogScript script = PressOk();
    if (!dialogScripts_.empty()) {
        script = std::move(dialogScripts_.front());
        dialogScripts_.pop_front();
    }
    FakeControls controls;
    DialogUser user(templateId, logic, controls);
    const int result = script(user);
    // The script may have reset the host (this desktop and the log): the entry then is gone.
    lastControls_ = controls.States();
    log_->Finish(at, std::to_string(result));
    return result;
}

bool ScriptedDesktop::RunFileDialog(ui::FileDialogRequest& request, bool openDialog) {
    FileDialogRecord record;
    record.openDialog = openDialog;
    record.owner = request.owner;
    record.filter = FilterBytes(request.filter);
    record.filterIndex = request.filterIndex;
    if (request.title) record.title = std::string(request.title);
    record.flags = request.flags;
    if (request.fileBuffer && request.fileBufferSize > 0)
        record.initialName = std::string(request.fileBuffer, strnlen(request.fileBuffer, request.fileBufferSize));
    record.fileBufferSize = request.fileBufferSize;
    if (request.defaultExtension) record.defaultExtension = std::string(request.defaultExtension);

    FileDialogAnswer answer;
    if (!fileDialogAnswers_.empty()) {
        answer = fileDialogAnswers_.front();
        fileDialogAnswers_.pop_front();
    }
    // As the system dialog: a chosen path that does not fit the buffer is a failure.
    record.chosen = answer.ok && request.fileBuffer && answer.path.size() < request.fileBufferSize;
    if (record.chosen) std::memcpy(request.fileBuffer, answer.path.c_str(), answer.path.size() + 1);

    log_->Record(Call::Kind::Desktop, "file dialog",
                 std::string(openDialog ? "open" : "save") + ", " + text::Quote(Visible(record.filter)) + ", " +
                     std::to_string(record.filterIndex) + ", " + text::Str(request.title) + ", " + Hex32(record.flags) +
                     ", " + text::Quote(record.initialName) + ", " + std::to_string(record.fileBufferSize) + ", " +
                     text::Str(request.defaultExtension),
                 record.chosen ? text::Quote(answer.path) : std::string("cancel"));
    fileDialogs_.push_back(std::move(record));
    return fileDialogs_.back().chosen;
}

int ScriptedDesktop::RunOpenLemDialog(void* parent, std::string& chosenPath) {
    ++openLemDialogs_;
    OpenLemAnswer answer;
    if (!openLemAnswers_.empty()) {
        answer = openLemAnswers_.front();
        openLemAnswers_.pop_front();
    }
    if (answer.result == ui::kIdOk) chosenPath = answer.path;
    log_->Record(Call::Kind::Desktop, "open dialog", text::Ptr(parent),
                 std::to_string(answer.result) + (answer.result == ui::kIdOk ? " " + text::Quote(answer.path) : ""));
    return answer.result;
}

}  // namespace hostsim
