#include <dirent.h>
#include <fnmatch.h>

#include "platform/cp932.h"
#include "platform/find.h"
#include "platform/path_root.h"
#include "platform/posix/memory_files.h"

namespace platform {
namespace {
// Wildcard match without regard to the case of single-byte letters; '?' takes one character.
bool Match(const char* pattern, const char* name) {
    std::string p = cp932::ToUpper(pattern);
    std::string n = cp932::ToUpper(name);
    return ::fnmatch(p.c_str(), n.c_str(), FNM_NOESCAPE) == 0;
}
}  // namespace

std::vector<std::string> FindFiles(const std::string& pattern) {
    std::vector<std::string> names;
    // Split off the last component, stepping over double-byte characters.
    size_t cut = std::string::npos;
    for (size_t i = 0; i < pattern.size(); ++i) {
        auto b = static_cast<unsigned char>(pattern[i]);
        if (cp932::IsLeadByte(b)) {
            ++i;
        } else if (b == '\\' || b == ':') {
            cut = i;
        }
    }
    std::string folder = cut == std::string::npos ? std::string() : pattern.substr(0, cut + 1);
    std::string wildcard = cut == std::string::npos ? pattern : pattern.substr(cut + 1);
    if (wildcard.empty()) return names;
    if (memory::Installed()) {
        for (std::string& name : memory::List(folder)) {
            if (Match(wildcard.c_str(), name.c_str())) names.push_back(std::move(name));
        }
        return names;
    }
    std::string dirPath = ResolvePosixPath(folder.empty() ? std::string(".") : folder);
    DIR* dir = ::opendir(dirPath.c_str());
    if (!dir) return names;
    while (dirent* e = ::readdir(dir)) {
        std::string name = e->d_name;
        if (name == "." || name == "..") continue;
        if (Match(wildcard.c_str(), name.c_str())) names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

}  // namespace platform
