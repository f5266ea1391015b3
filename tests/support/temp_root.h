// A temporary folder that stands for all drives during one test: C:\x is <tmp>/C/x.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace testsupport {

class TempRoot {
public:
    TempRoot();
    ~TempRoot();
    TempRoot(const TempRoot&) = delete;
    TempRoot& operator=(const TempRoot&) = delete;

    [[nodiscard]] const std::string& Dir() const { return dir_; }
    // Writes bytes to the file at a Windows path, creating its folders.
    void Write(const std::string& windowsPath, const std::string& bytes) const;
    void Write(const std::string& windowsPath, const std::vector<uint8_t>& bytes) const;
    void Remove(const std::string& windowsPath) const;
    void MakeFolder(const std::string& windowsPath) const;

private:
    std::string dir_;
};

}  // namespace testsupport
