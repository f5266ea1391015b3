#include "platform/path_root.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <vector>

#include "platform/cp932.h"

namespace platform {
namespace {
std::string g_root;
char g_drive = 'C';

// Splits a Windows path into drive letter (0 when none) and components, stepping over
// double-byte characters so that a trail byte 0x5C is not a separator.
struct WindowsPath {
    char drive = 0;
    bool rooted = false;
    std::vector<std::string> parts;
};

WindowsPath Parse(const std::string& path) {
    WindowsPath out;
    size_t i = 0;
    if (path.size() >= 2 && path[1] == ':' && static_cast<unsigned char>(path[0]) < 0x80) {
        out.drive = static_cast<char>(path[0] & ~0x20);  // upper case
        i = 2;
    }
    if (i < path.size() && (path[i] == '\\' || path[i] == '/')) out.rooted = true;
    std::string current;
    for (; i < path.size(); ++i) {
        auto b = static_cast<unsigned char>(path[i]);
        if (cp932::IsLeadByte(b)) {
            current += path[i];
            if (i + 1 < path.size()) current += path[++i];
        } else if (b == '\\' || b == '/') {
            if (!current.empty()) out.parts.push_back(current);
            current.clear();
        } else {
            current += path[i];
        }
    }
    if (!current.empty()) out.parts.push_back(current);
    return out;
}

std::string Base(const WindowsPath& p) {
    std::string base = g_root.empty() ? std::string(".") : g_root;
    base += '/';
    base += p.drive ? p.drive : g_drive;
    return base;
}
}  // namespace

void SetPosixRoot(const std::string& root) { g_root = root; }
const std::string& PosixRoot() { return g_root; }
void SetCurrentDrive(char drive) { g_drive = static_cast<char>(drive & ~0x20); }

std::string ToPosixPath(const std::string& windowsPath) {
    WindowsPath p = Parse(windowsPath);
    std::string out = Base(p);
    for (const auto& part : p.parts) {
        out += '/';
        out += part;
    }
    return out;
}

std::string ResolvePosixPath(const std::string& windowsPath) {
    WindowsPath p = Parse(windowsPath);
    std::string out = Base(p);
    for (const auto& part : p.parts) {
        std::string exact = out + '/' + part;
        struct stat st {};
        if (part == "." || part == ".." || ::stat(exact.c_str(), &st) == 0) {
            out = exact;
            continue;
        }
        // Windows file systems ignore the case of letters; look the component up that way.
        std::string found;
        if (DIR* dir = ::opendir(out.c_str())) {
            while (dirent* e = ::readdir(dir)) {
                if (cp932::CompareNoCase(e->d_name, part) == 0) {
                    found = e->d_name;
                    break;
                }
            }
            ::closedir(dir);
        }
        out += '/';
        out += found.empty() ? part : found;
    }
    return out;
}

}  // namespace platform
