#include "tools/render/mount.h"

#include <exception>
#include <filesystem>

#include "tools/render/cleanup.h"

namespace render {
namespace fs = std::filesystem;

Mounts::Mounts() {
    // Registered for the signal handler before a signal can leave the folder behind.
    const DeferSignals defer;
    try {
        root_.emplace("tephrix-render");
        RegisterTemporary(root_->Dir());
    } catch (const std::exception& e) {
        error_ = e.what();
    }
}

Mounts::~Mounts() {
    if (!root_) return;
    const std::string dir = root_->Dir();
    root_.reset();  // removes the links, not what they point to
    for (char d = 'C'; d < nextDrive_; ++d) ForgetTemporary(dir + "/" + d);
    ForgetTemporary(dir);
}

bool Mounts::Ready(std::string& error) const {
    error = error_;
    return root_.has_value();
}

std::string Mounts::Mount(const std::string& hostPath) {
    std::error_code ec;
    fs::path file = fs::absolute(hostPath, ec);
    if (ec || !root_ || nextDrive_ > 'Z') return {};
    fs::path folder = file.parent_path();
    fs::path parent = folder.has_parent_path() && folder != folder.root_path() ? folder.parent_path() : folder;
    const char drive = nextDrive_++;
    const DeferSignals defer;
    RegisterTemporary(root_->Dir() + "/" + drive);
    fs::create_directory_symlink(parent, fs::path(root_->Dir()) / std::string(1, drive), ec);
    if (ec) return {};
    drives_.push_back(parent.string());
    std::string windows(1, drive);
    windows += ":\\";
    if (parent != folder) windows += folder.filename().string() + "\\";
    windows += file.filename().string();
    return windows;
}

std::string Mounts::ToHostPaths(const std::string& text) const {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const size_t drive = static_cast<size_t>(c - 'C');
        if (c >= 'C' && drive < drives_.size() && text.compare(i + 1, 2, ":\\") == 0 &&
            (i == 0 || text[i - 1] == '\n' || text[i - 1] == ' ')) {
            // The rest of the line is the path; separators become slashes.
            size_t end = text.find('\n', i);
            if (end == std::string::npos) end = text.size();
            std::string rest = text.substr(i + 3, end - i - 3);
            for (char& r : rest)
                if (r == '\\') r = '/';
            out += drives_[drive] + (drives_[drive].back() == '/' ? "" : "/") + rest;
            i = end - 1;
            continue;
        }
        out += c;
    }
    return out;
}

}  // namespace render
