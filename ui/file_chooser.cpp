#include "ui/file_chooser.h"

#include <cstring>

#include "platform/cp932.h"

CFileChooser::CFileChooser(int openFlag, const char* defaultExtension, const char* initialName, uint32_t extraFlags,
                           const char* filter, void* owner)
    : openFlag_(openFlag),
      defaultExtension_(defaultExtension),
      initialName_(initialName),
      filter_(filter),
      extraFlags_(extraFlags),
      owner_(owner),
      fileBuffer_(new char[kFileBufferSize]()) {
    request = ui::FileDialogRequest{};
    request.filterIndex = 1;
    request.flags = extraFlags_ | kOfnExplorer;
}

std::vector<char> CFileChooser::ConvertFilter(const char* filter) {
    const size_t length = filter ? std::strlen(filter) : 0;
    std::vector<char> out(length + 1, '\0');
    for (size_t i = 0; i < length; ++i) out[i] = filter[i] == '|' ? '\0' : filter[i];
    return out;
}

int CFileChooser::run() {
    std::vector<char> filter = ConvertFilter(filter_);

    // An initial name that does not fit is cut at a character boundary, never past the buffer.
    size_t length = 0;
    if (initialName_) {
        const size_t full = std::strlen(initialName_);
        while (length < full) {
            const size_t step = cp932::IsLeadByte(static_cast<unsigned char>(initialName_[length])) ? 2 : 1;
            if (length + step > full || length + step > kFileBufferSize - 1) break;
            length += step;
        }
        std::memcpy(fileBuffer_.get(), initialName_, length);
    }
    fileBuffer_[length] = '\0';

    request.owner = owner_;
    request.filter = filter.data();
    request.defaultExtension = defaultExtension_;
    request.fileBuffer = fileBuffer_.get();
    request.fileBufferSize = kFileBufferSize;
    const bool chosen = ui::RunFileDialog(request, openFlag_ != 0);
    request.filter = nullptr;
    return chosen ? ui::kIdOk : ui::kIdCancel;
}

std::string CFileChooser::path() const {
    return std::string(fileBuffer_.get(), ::strnlen(fileBuffer_.get(), kFileBufferSize));
}
