#include "platform/posix/memory_files.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

#include "platform/cp932.h"
#include "platform/path_root.h"

namespace platform::memory {
namespace {

struct Node {
    std::string bytes;
    int64_t writeTime = 0;
    uint64_t id = 0;
};

struct Drive {
    // Keyed by the normalised path ("C\F\A.LEM", letters upper case): names compare without
    // regard to case, as on Windows. The value keeps the path as last written (same length as
    // the key), for the names of listings.
    std::map<std::string, std::pair<std::string, std::shared_ptr<Node>>> files;
    std::vector<std::shared_ptr<Node>> open;  // by handle; empty slots are free
    int64_t clock = 0;
    uint64_t nextId = 1;
};

std::unique_ptr<Drive> g_drive;

// The drive letter and components of a Windows path, "." and ".." applied; rooted or not, a path
// counts from its drive's root (the current drive when it names none), as the folder layer maps it.
std::vector<std::string> Components(const std::string& path) {
    const WindowsPath p = ParseWindowsPath(path);
    std::vector<std::string> parts{std::string(1, p.drive ? p.drive : CurrentDrive())};
    for (const std::string& part : p.parts) {
        if (part == "..") {
            if (parts.size() > 1) parts.pop_back();
        } else if (part != ".") {
            parts.push_back(part);
        }
    }
    return parts;
}

std::string Join(const std::vector<std::string>& parts, size_t count) {
    std::string key;
    for (size_t i = 0; i < count; ++i) {
        if (i) key += '\\';
        key += parts[i];
    }
    return key;
}

std::string Key(const std::string& path, std::string* spelled = nullptr) {
    const std::vector<std::string> parts = Components(path);
    std::string joined = Join(parts, parts.size());
    std::string key = cp932::ToUpper(joined);
    if (spelled) *spelled = std::move(joined);
    return key;
}

Node* FileAt(const std::string& key) {
    auto it = g_drive->files.find(key);
    return it == g_drive->files.end() ? nullptr : it->second.second.get();
}

// A folder exists when a file lies below it; the drive root always exists.
bool FolderAt(const std::string& key) {
    if (key.find('\\') == std::string::npos) return true;
    const std::string prefix = key + '\\';
    auto it = g_drive->files.lower_bound(prefix);
    return it != g_drive->files.end() && it->first.compare(0, prefix.size(), prefix) == 0;
}

}  // namespace

void Install() {
    g_drive = std::make_unique<Drive>();
}
void Uninstall() {
    g_drive.reset();
}
bool Installed() {
    return g_drive != nullptr;
}

void Put(const std::string& windowsPath, std::string_view bytes) {
    if (!g_drive) return;
    std::string spelled;
    const std::string key = Key(windowsPath, &spelled);
    auto& entry = g_drive->files[key];
    if (!entry.second) {
        entry.second = std::make_shared<Node>();
        entry.second->id = g_drive->nextId++;
    }
    entry.first = std::move(spelled);
    entry.second->bytes.assign(bytes.data(), bytes.size());
    entry.second->writeTime = ++g_drive->clock;
}

void Remove(const std::string& windowsPath) {
    if (g_drive) g_drive->files.erase(Key(windowsPath));
}

bool Stat(const std::string& windowsPath, Status* status) {
    if (!g_drive) return false;
    const std::string key = Key(windowsPath);
    if (const Node* node = FileAt(key)) {
        *status = {true, static_cast<int64_t>(node->bytes.size()), node->writeTime, node->id};
        return true;
    }
    if (!FolderAt(key)) return false;
    *status = {};
    return true;
}

int Open(const std::string& windowsPath) {
    if (!g_drive) return -1;
    auto it = g_drive->files.find(Key(windowsPath));
    if (it == g_drive->files.end()) return -1;
    auto& open = g_drive->open;
    auto slot = std::find(open.begin(), open.end(), nullptr);
    if (slot == open.end()) slot = open.insert(open.end(), nullptr);
    *slot = it->second.second;
    return static_cast<int>(slot - open.begin());
}

namespace {
Node* Handle(int handle) {
    if (!g_drive || handle < 0 || static_cast<size_t>(handle) >= g_drive->open.size()) return nullptr;
    return g_drive->open[static_cast<size_t>(handle)].get();
}
}  // namespace

void Close(int handle) {
    if (Handle(handle)) g_drive->open[static_cast<size_t>(handle)].reset();
}

int64_t ReadAt(int handle, uint64_t offset, void* buffer, size_t size) {
    const Node* node = Handle(handle);
    if (!node) return -1;
    if (offset >= node->bytes.size()) return 0;
    const size_t n = std::min<uint64_t>(size, node->bytes.size() - offset);
    std::memcpy(buffer, node->bytes.data() + offset, n);
    return static_cast<int64_t>(n);
}

const char* Bytes(int handle, uint64_t offset, size_t length) {
    const Node* node = Handle(handle);
    if (!node || offset > node->bytes.size() || length > node->bytes.size() - offset) return nullptr;
    return node->bytes.data() + offset;
}

int64_t Size(int handle) {
    const Node* node = Handle(handle);
    return node ? static_cast<int64_t>(node->bytes.size()) : -1;
}

std::vector<std::string> List(const std::string& windowsFolder) {
    std::vector<std::string> names;
    if (!g_drive) return names;
    const std::vector<std::string> parts = Components(windowsFolder);
    const std::string prefix = cp932::ToUpper(Join(parts, parts.size())) + '\\';
    std::string last;
    for (auto it = g_drive->files.lower_bound(prefix);
         it != g_drive->files.end() && it->first.compare(0, prefix.size(), prefix) == 0; ++it) {
        // A file directly in the folder, or a folder below it (named as its first file spells it).
        const size_t sep = it->first.find('\\', prefix.size());
        const size_t end = sep == std::string::npos ? it->first.size() : sep;
        std::string name = it->second.first.substr(prefix.size(), end - prefix.size());
        if (cp932::ToUpper(name) != cp932::ToUpper(last)) names.push_back(name);
        last = name;
    }
    return names;
}

}  // namespace platform::memory
