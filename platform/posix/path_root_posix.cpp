#include "platform/path_root.h"

#include <dirent.h>
#include <strings.h>
#include <sys/stat.h>

#include <iterator>
#include <utility>
#include <vector>

#include "platform/cp932.h"

namespace platform {
namespace {
std::string g_root;
char g_drive = 'C';

std::string ResolveComponents(const std::string& windowsPath);

std::string Base(const WindowsPath& p) {
    std::string base = g_root.empty() ? std::string(".") : g_root;
    base += '/';
    base += p.drive ? p.drive : g_drive;
    return base;
}
}  // namespace

// Status queries translate the same few paths (a map's data file, its DCM file) at every block
// request: remember the last translations, until the root or the drive changes.
static unsigned g_rootGeneration = 1;
struct Translation {
    unsigned generation = 0;
    std::string windows;
    std::string posix;
};
static thread_local Translation t_translations[4];
static thread_local unsigned t_nextTranslation = 0;

static const std::string& ExactPosixPath(const std::string& windowsPath) {
    for (const Translation& t : t_translations) {
        if (t.generation == g_rootGeneration && t.windows == windowsPath) return t.posix;
    }
    Translation& t = t_translations[t_nextTranslation++ % std::size(t_translations)];
    t.generation = g_rootGeneration;
    t.windows = windowsPath;
    t.posix = ToPosixPath(windowsPath);
    return t.posix;
}

WindowsPath ParseWindowsPath(const std::string& path) {
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

char CurrentDrive() {
    return g_drive;
}

void SetPosixRoot(const std::string& root) {
    g_root = root;
    ++g_rootGeneration;
}
const std::string& PosixRoot() {
    return g_root;
}
void SetCurrentDrive(char drive) {
    g_drive = static_cast<char>(drive & ~0x20);
    ++g_rootGeneration;
}

std::string ToPosixPath(const std::string& windowsPath) {
    WindowsPath p = ParseWindowsPath(windowsPath);
    std::string out = Base(p);
    for (const auto& part : p.parts) {
        out += '/';
        out += part;
    }
    return out;
}

std::string ResolvePosixPath(const std::string& windowsPath) {
    struct stat st {};
    std::string path;
    (void)StatWindowsPath(windowsPath, &st, &path);
    return path;
}

bool StatWindowsPath(const std::string& windowsPath, struct stat* st, std::string* resolved) {
    // Almost always every component exists with its exact case: then one status query of the
    // whole path answers (the kernel walks the components as ResolveComponents would), instead
    // of one query a component.
    const std::string& exact = ExactPosixPath(windowsPath);
    if (::stat(exact.c_str(), st) == 0) {
        if (resolved != nullptr) *resolved = exact;
        return true;
    }
    std::string path = ResolveComponents(windowsPath);
    const bool found = path != exact && ::stat(path.c_str(), st) == 0;
    if (resolved != nullptr) *resolved = std::move(path);
    return found;
}

}  // namespace platform

namespace platform {
namespace {

std::string ResolveComponents(const std::string& windowsPath) {
    WindowsPath p = ParseWindowsPath(windowsPath);
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

}  // namespace
}  // namespace platform
