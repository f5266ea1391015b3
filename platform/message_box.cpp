#include "platform/message_box.h"

#include <cstring>

#include "platform/cp932.h"

namespace platform {
namespace {

// Room for the longest path and for any title a host keeps in its string table.
char g_title[520];
bool g_titleKnown = false;

// The file name of path without its extension: what follows the last separator that is not the
// trail byte of a double-byte character, up to its last '.'.
void FileTitle(const char* path, char* out, size_t size) {
    const char* name = path;
    for (const char* p = path; *p;) {
        if (cp932::IsLeadByte(static_cast<unsigned char>(*p)) && p[1] != '\0') {
            p += 2;
            continue;
        }
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
        ++p;
    }
    size_t length = std::strlen(name);
    if (const char* dot = std::strrchr(name, '.')) length = static_cast<size_t>(dot - name);
    if (length >= size) length = size - 1;
    std::memcpy(out, name, length);
    out[length] = '\0';
}

}  // namespace

const char* ApplicationTitle() {
    if (!g_titleKnown) {
        if (HostStringResource(kAppTitleResource, g_title, sizeof g_title) == 0) {
            char path[sizeof g_title];
            if (HostExecutablePath(path, sizeof path) == 0) path[0] = '\0';
            FileTitle(path, g_title, sizeof g_title);
        }
        g_titleKnown = true;
    }
    return g_title;
}

void ForgetApplicationTitle() {
    g_titleKnown = false;
    g_title[0] = '\0';
}

int ShowMessageBox(void* owner, const char* text, const char* caption, uint32_t style) {
    return SystemMessageBox(owner, text, caption ? caption : ApplicationTitle(), style);
}

}  // namespace platform
