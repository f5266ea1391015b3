// The POSIX file layer maps Windows paths onto a folder: X:\a\b becomes <root>/X/a/b.
// Only the native build has it; the host stand-in and tests set the root.
#pragma once

#include <sys/stat.h>

#include <string>
#include <vector>

namespace platform {

// Sets the folder that stands for "all drives". Empty: the current folder.
void SetPosixRoot(const std::string& root);
const std::string& PosixRoot();
// The drive that rooted paths without a drive letter ("\a\b") belong to; 'C' by default.
void SetCurrentDrive(char drive);
[[nodiscard]] char CurrentDrive();

// A Windows path split into its drive letter (upper case; 0 when it names none) and its
// components, stepping over double-byte characters so that a trail byte 0x5C is not a separator.
struct WindowsPath {
    char drive = 0;
    bool rooted = false;
    std::vector<std::string> parts;
};
[[nodiscard]] WindowsPath ParseWindowsPath(const std::string& path);
// The POSIX path for a Windows path (separator backslashes only; trail bytes 0x5C stay).
[[nodiscard]] std::string ToPosixPath(const std::string& windowsPath);
// The host path, on disk, of an existing file: like ToPosixPath, but a component that does
// not exist with its exact case is looked up without regard to case, as Windows does.
[[nodiscard]] std::string ResolvePosixPath(const std::string& windowsPath);
// The status of what a Windows path names, resolved as ResolvePosixPath resolves it; false when
// nothing is there. resolved, when given, gets the host path.
[[nodiscard]] bool StatWindowsPath(const std::string& windowsPath, struct stat* st, std::string* resolved = nullptr);

}  // namespace platform
