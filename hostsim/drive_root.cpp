#include "hostsim/drive_root.h"

#include <stdlib.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "platform/path_root.h"

namespace hostsim {
namespace fs = std::filesystem;

DriveRoot::DriveRoot(const std::string& prefix) {
    std::error_code ec;
    const fs::path tmp = fs::temp_directory_path(ec);
    std::string pattern = ((ec ? fs::path("/tmp") : tmp) / (prefix + "-XXXXXX")).string();
    if (!::mkdtemp(pattern.data()))
        throw std::system_error(errno, std::generic_category(),
                                "cannot make a temporary folder " + pattern.substr(0, pattern.size() - 7));
    dir_ = pattern;
    platform::SetPosixRoot(dir_);
    platform::SetCurrentDrive('C');
}

DriveRoot::~DriveRoot() {
    std::error_code ec;
    fs::remove_all(dir_, ec);  // symbolic links inside are removed, not followed
    platform::SetPosixRoot("");
}

void DriveRoot::Write(const std::string& windowsPath, const std::string& bytes) const {
    const fs::path p = platform::ToPosixPath(windowsPath);
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::system_error(EIO, std::generic_category(), "cannot write " + p.string());
}

void DriveRoot::Write(const std::string& windowsPath, const std::vector<uint8_t>& bytes) const {
    Write(windowsPath, std::string(bytes.begin(), bytes.end()));
}

void DriveRoot::Remove(const std::string& windowsPath) const {
    fs::remove(platform::ToPosixPath(windowsPath));
}

void DriveRoot::MakeFolder(const std::string& windowsPath) const {
    fs::create_directories(platform::ToPosixPath(windowsPath));
}

}  // namespace hostsim
