#include "tools/render/mount.h"

#include <stdlib.h>

#include <filesystem>

#include "platform/path_root.h"

namespace render {
namespace fs = std::filesystem;

Mounts::Mounts() {
    std::string tmpl = (fs::temp_directory_path() / "tephrix-render-XXXXXX").string();
    if (::mkdtemp(tmpl.data())) root_ = tmpl;
    platform::SetPosixRoot(root_);
}

Mounts::~Mounts() {
    std::error_code ec;
    if (!root_.empty()) fs::remove_all(root_, ec);  // removes the links, not what they point to
}

std::string Mounts::Mount(const std::string& hostPath) {
    std::error_code ec;
    fs::path file = fs::absolute(hostPath, ec);
    if (ec || !fs::is_regular_file(file, ec) || root_.empty() || nextDrive_ > 'Z') return {};
    fs::path folder = file.parent_path();
    fs::path parent = folder.has_parent_path() && folder != folder.root_path() ? folder.parent_path() : folder;
    const char drive = nextDrive_++;
    fs::create_directory_symlink(parent, fs::path(root_) / std::string(1, drive), ec);
    if (ec) return {};
    std::string windows(1, drive);
    windows += ":\\";
    if (parent != folder) windows += folder.filename().string() + "\\";
    windows += file.filename().string();
    return windows;
}

}  // namespace render
