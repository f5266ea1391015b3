#include "tests/support/temp_root.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>

#include "platform/path_root.h"

namespace testsupport {

TempRoot::TempRoot() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "tephrix-XXXXXX").string();
    if (!::mkdtemp(tmpl.data())) throw std::runtime_error("mkdtemp failed");
    dir_ = tmpl;
    platform::SetPosixRoot(dir_);
    platform::SetCurrentDrive('C');
}

TempRoot::~TempRoot() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
    platform::SetPosixRoot("");
}

void TempRoot::Write(const std::string& windowsPath, const std::string& bytes) const {
    std::filesystem::path p = platform::ToPosixPath(windowsPath);
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) throw std::runtime_error("cannot write " + p.string());
}

void TempRoot::Write(const std::string& windowsPath, const std::vector<uint8_t>& bytes) const {
    Write(windowsPath, std::string(bytes.begin(), bytes.end()));
}

void TempRoot::Remove(const std::string& windowsPath) const {
    std::filesystem::remove(platform::ToPosixPath(windowsPath));
}

void TempRoot::MakeFolder(const std::string& windowsPath) const {
    std::filesystem::create_directories(platform::ToPosixPath(windowsPath));
}

}  // namespace testsupport
