// Folder search with a wildcard pattern, as FindFirstFile gives it: names only, in the
// order the file system returns them, letters matched without regard to case.
#pragma once

#include <string>
#include <vector>

namespace platform {

// pattern is a Windows path whose last component may hold '*' and '?'.
// Returns the names (not paths) of the entries that match; files and folders alike.
[[nodiscard]] std::vector<std::string> FindFiles(const std::string& pattern);

}  // namespace platform
