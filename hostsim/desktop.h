// The desktop the module sees in the native build: message boxes, modal dialogs, the common
// file dialog and the open dialog, all answered by a scripted user and logged; and the host
// executable as the module's framework sees it (main window, string table, path).
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "hostsim/call_log.h"
#include "hostsim/dialog_user.h"
#include "ui/dialog_host.h"

namespace hostsim {

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

class ScriptedDesktop {
public:
    // What the module does on the desktop is logged in log (kind Desktop).
    explicit ScriptedDesktop(CallLog& log) : log_(&log) {}

    // ---- the host executable
    [[nodiscard]] void* MainWindow() const { return mainWindow_; }
    void SetMainWindow(void* window) { mainWindow_ = window; }
    // Its string table: an id without entry, or with an empty text, has none.
    void SetStringResource(uint32_t id, std::string text) { stringResources_[id] = std::move(text); }
    void SetStringResources(std::map<uint32_t, std::string> table) { stringResources_ = std::move(table); }
    void SetExecutablePath(std::string path) { executablePath_ = std::move(path); }
    // How often the module asked for a string resource of the executable.
    [[nodiscard]] int StringResourceQueries() const { return stringResourceQueries_; }

    // ---- the scripted user's answers, each used once, in order; without one a message box is
    // answered IDOK, a dialog runs PressOk(), the file dialog is cancelled and the open dialog
    // answers IDCANCEL.
    void AnswerMessageBox(int answer) { messageBoxAnswers_.push_back(answer); }
    void ScriptDialog(DialogScript script) { dialogScripts_.push_back(std::move(script)); }
    void AnswerFileDialog(FileDialogAnswer answer) { fileDialogAnswers_.push_back(std::move(answer)); }
    void AnswerOpenDialog(OpenLemAnswer answer) { openLemAnswers_.push_back(std::move(answer)); }
    // Drop the answers not used yet.
    void ClearDialogScripts() { dialogScripts_.clear(); }
    void ClearFileDialogAnswers() { fileDialogAnswers_.clear(); }
    void ClearOpenDialogAnswers() { openLemAnswers_.clear(); }

    // ---- what the module showed
    [[nodiscard]] const std::vector<MessageBoxRecord>& MessageBoxes() const { return boxes_; }
    // The controls of the latest natively run dialog as they were when it ended.
    [[nodiscard]] const std::map<int, ControlState>& LastDialogControls() const { return lastControls_; }
    [[nodiscard]] const std::vector<FileDialogRecord>& FileDialogs() const { return fileDialogs_; }
    [[nodiscard]] int OpenLemDialogs() const { return openLemDialogs_; }

    // ---- the module's side: what the platform and ui seams call natively
    int ShowMessageBox(void* owner, const char* text, const char* caption, uint32_t style);
    // Copy text into buffer as the system calls do: cut to size - 1 bytes, always terminated.
    size_t CopyStringResource(uint32_t id, char* buffer, size_t size);
    size_t CopyExecutablePath(char* buffer, size_t size) const;
    int RunDialog(int templateId, void* owner, ui::DialogLogic& logic);
    bool RunFileDialog(ui::FileDialogRequest& request, bool openDialog);
    int RunOpenLemDialog(void* parent, std::string& chosenPath);

private:
    CallLog* log_;
    void* mainWindow_ = nullptr;
    std::map<uint32_t, std::string> stringResources_;
    std::string executablePath_ = "C:\\Program Files\\Orolux\\Orolux.exe";
    int stringResourceQueries_ = 0;

    std::deque<int> messageBoxAnswers_;
    std::deque<DialogScript> dialogScripts_;
    std::deque<FileDialogAnswer> fileDialogAnswers_;
    std::deque<OpenLemAnswer> openLemAnswers_;

    std::vector<MessageBoxRecord> boxes_;
    std::map<int, ControlState> lastControls_;
    std::vector<FileDialogRecord> fileDialogs_;
    int openLemDialogs_ = 0;
};

}  // namespace hostsim
