#include "lem/path.h"

#include <cstring>
#include <utility>

#include "platform/cp932.h"

namespace lem {
namespace {

// One walk from the start: returns the last separator backslash, or nullptr. A lead byte
// takes its trail byte with it, so a trail byte 0x5C (as in 表) is never a separator.
const char* LastSeparator(const char* path) {
    const char* last = nullptr;
    const char* p = path;
    while (*p) {
        if (cp932::IsLeadByte(static_cast<unsigned char>(*p))) {
            if (p[1] == '\0') break;
            p += 2;
        } else {
            if (*p == '\\') last = p;
            ++p;
        }
    }
    return last;
}

}  // namespace

bool HasTrailingBackslash(const char* path) {
    const char* last = LastSeparator(path);
    return last != nullptr && last[1] == '\0';
}

bool AppendPath(std::string& folder, const char* component) {
    std::string buffer(folder.c_str());
    if (buffer.size() >= kMaxPath) return false;
    if (!HasTrailingBackslash(buffer.c_str())) buffer += '\\';
    if (*component == '\\') ++component;
    buffer += component;
    if (buffer.size() >= kMaxPath) return false;
    folder = std::move(buffer);
    return true;
}

const char* FindFileName(const char* path) {
    if (*path) {
        if (const char* last = LastSeparator(path)) return last + 1;
    }
    if (const char* colon = std::strrchr(path, ':')) return colon + 1;
    return path;
}

bool SplitPath(const std::string& path, std::string* folder, std::string* fileName) {
    if (path.size() >= kMaxPath) return false;
    // Work on a copy: path and folder may be the same object. Text after an embedded
    // terminator is not part of the path.
    const std::string copy(path.c_str());
    const char* start = copy.c_str();
    const char* name = FindFileName(start);
    if (fileName) fileName->assign(name);
    if (folder) folder->assign(start, static_cast<size_t>(name - start));
    return true;
}

}  // namespace lem
