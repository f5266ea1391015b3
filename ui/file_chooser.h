// The system's open or save file dialog behind a browse button.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "ui/dialog_host.h"

class CFileChooser {
public:
    static constexpr uint32_t kOfnOverwritePrompt = 0x00000002;
    static constexpr uint32_t kOfnHideReadOnly = 0x00000004;
    static constexpr uint32_t kOfnExplorer = 0x00080000;
    static constexpr uint32_t kFileBufferSize = 260;

    // filter: pairs of description and pattern, each followed by '|', the list ended by a
    // further '|'. The texts are not copied and must outlive the chooser.
    CFileChooser(int openFlag, const char* defaultExtension, const char* initialName, uint32_t extraFlags,
                 const char* filter, void* owner);
    CFileChooser(const CFileChooser&) = delete;
    CFileChooser& operator=(const CFileChooser&) = delete;

    // IDOK when the user chose a file, IDCANCEL when the dialog was cancelled or failed.
    int run();
    [[nodiscard]] std::string path() const;

    // "a|b||" -> "a\0b\0\0": one byte longer than the text, every '|' a NUL.
    [[nodiscard]] static std::vector<char> ConvertFilter(const char* filter);

    // Callers may set further fields (the title) before run().
    ui::FileDialogRequest request;

private:
    int openFlag_;
    const char* defaultExtension_;
    const char* initialName_;
    const char* filter_;
    uint32_t extraFlags_;
    void* owner_;
    std::unique_ptr<char[]> fileBuffer_;
};
