// A temporary folder that stands for all drives of the native build: C:\x is <folder>/C/x. It
// becomes the POSIX file layer's root (current drive C:) when made, and is removed, with all
// it holds, when it goes; the layer's root is then reset. Tests, benchmarks and the renderer
// use it; a folder that cannot be made throws std::system_error naming the parent folder.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace hostsim {

class DriveRoot {
public:
    // Makes <temporary folder>/<prefix>-XXXXXX; the temporary folder is TMPDIR's, else /tmp.
    explicit DriveRoot(const std::string& prefix = "tephrix");
    ~DriveRoot();
    DriveRoot(const DriveRoot&) = delete;
    DriveRoot& operator=(const DriveRoot&) = delete;

    [[nodiscard]] const std::string& Dir() const { return dir_; }
    // Writes bytes to the file at a Windows path, creating its folders; throws when it cannot.
    void Write(const std::string& windowsPath, const std::string& bytes) const;
    void Write(const std::string& windowsPath, const std::vector<uint8_t>& bytes) const;
    void Remove(const std::string& windowsPath) const;
    void MakeFolder(const std::string& windowsPath) const;

private:
    std::string dir_;
};

}  // namespace hostsim
