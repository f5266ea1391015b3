#include "ui/messages.h"

#include <algorithm>
#include <cstring>

#include "platform/message_box.h"
#include "tephrix/version.h"

namespace ui {
namespace {

constexpr char kFileTrouble[] = "ファイルが開けません.\n";
constexpr char kMemoryTrouble[] = "メモリーが足りません.\n";
constexpr char kGuidebookUnusable[] =
    "下記の標高データが開けないか形式が読みとれません.\n\nOrolux解説本の５０ｍメッシュ標高データ.";
constexpr char kDcmUnusable[] =
    "下記の標高データが開けないか形式が読みとれません.\n圧縮した標高データ(DCM形式)を指定してください.\n\n";
constexpr char kHostTooOld[] = "Tephrix.olp\nOroluxのバージョンが古いためこのプラグインは使用できません.";
constexpr char kAboutBanner[] = "Tephrix Plugin [Ver " TEPHRIX_VERSION_TEXT "]";
constexpr char kOpenDialogCaption[] = "火山標高";
constexpr char kNoMapChosen[] = "地図を指定してください.";

constexpr uint32_t kExclamation = platform::kMbOk | platform::kMbIconExclamation;

// head and tail in one terminated text; a tail longer than the room left is cut. Room for the
// longest head and a path of 259 bytes (the paths the module handles), or a setting of any length
// up to that.
class Text {
public:
    Text(const char* head, const char* tail, const char* between = "") {
        Append(head);
        Append(between);
        Append(tail);
    }
    [[nodiscard]] const char* c_str() const { return text_; }

private:
    void Append(const char* part) {
        if (!part) return;
        const size_t room = sizeof text_ - 1 - length_;
        const size_t n = std::min(std::strlen(part), room);
        std::memcpy(text_ + length_, part, n);
        length_ += n;
        text_[length_] = '\0';
    }
    char text_[1024] = {};
    size_t length_ = 0;
};

}  // namespace

void ReportReadFailure(const platform::Result& result) {
    switch (result.status) {
        case platform::Status::kIoError:
            (void)platform::ShowMessageBox(nullptr, Text(kFileTrouble, result.subject).c_str(), nullptr, kExclamation);
            break;
        case platform::Status::kNoMemory:
            (void)platform::ShowMessageBox(nullptr, Text(kMemoryTrouble, result.subject).c_str(), nullptr,
                                           kExclamation);
            break;
        case platform::Status::kOk:
        case platform::Status::kNotThisFormat:
        case platform::Status::kDamaged:
            break;
    }
}

void ReportGuidebookUnusable() {
    (void)platform::ShowMessageBox(nullptr, kGuidebookUnusable, nullptr, platform::kMbOk | platform::kMbIconStop);
}

void ReportDcmUnusable(const char* path) {
    (void)platform::ShowMessageBox(nullptr, Text(kDcmUnusable, path).c_str(), nullptr,
                                   platform::kMbOk | platform::kMbIconStop);
}

void ReportHostTooOld() {
    (void)platform::ShowMessageBox(nullptr, kHostTooOld, nullptr, platform::kMbOk | platform::kMbIconInformation);
}

int ShowAbout(const char* copyright) {
    return platform::ShowMessageBox(nullptr, Text(kAboutBanner, copyright, " ").c_str(), nullptr,
                                    platform::kMbOk | platform::kMbIconInformation);
}

void ReportDialogUnavailable(const char* operation) {
    (void)platform::ShowMessageBox(nullptr, Text(kMemoryTrouble, operation).c_str(), nullptr, kExclamation);
}

void ReportNoMapChosen(void* dialog) {
    (void)platform::ShowMessageBox(dialog, kNoMapChosen, kOpenDialogCaption, kExclamation);
}

void ReportMapPathUnusable(void* dialog, const char* file) {
    (void)platform::ShowMessageBox(dialog, Text(kFileTrouble, file).c_str(), kOpenDialogCaption, kExclamation);
}

}  // namespace ui
