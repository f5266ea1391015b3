#include "ui/messages.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/message_box.h"
#include "platform/result.h"
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

// head, between and tail as one terminated text. It is composed in a fixed buffer, so that the
// boxes for want of memory need none; only a tail too long for it (a setting of any length) takes
// heap storage, and is cut to the buffer when even that cannot be had.
class Text {
public:
    Text(const char* head, const char* tail, const char* between = "") {
        const size_t need = Length(head) + Length(between) + Length(tail);
        if (need >= sizeof fixed_ && platform::TryAllocate([&] { heap_.reserve(need + 1); })) {
            heap_.append(head ? head : "").append(between ? between : "").append(tail ? tail : "");
            return;
        }
        Append(head);
        Append(between);
        Append(tail);
    }
    [[nodiscard]] const char* c_str() const { return heap_.empty() ? fixed_ : heap_.c_str(); }

private:
    static size_t Length(const char* part) { return part ? std::strlen(part) : 0; }
    void Append(const char* part) {
        const size_t n = std::min(Length(part), sizeof fixed_ - 1 - length_);
        if (n > 0) std::memcpy(fixed_ + length_, part, n);
        length_ += n;
        fixed_[length_] = '\0';
    }
    char fixed_[1024] = {};
    size_t length_ = 0;
    std::string heap_;
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
        case platform::Status::kDamaged: break;
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
