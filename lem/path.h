// Path helpers for code page 932 paths: a trail byte 0x5C is never taken for a separator.
// Paths are at most 259 bytes (a 260-byte buffer with its terminator); longer input is refused.
#pragma once

#include <cstddef>
#include <string>

namespace lem {

constexpr size_t kMaxPath = 260;  // bytes with the terminator

[[nodiscard]] bool HasTrailingBackslash(const char* path);
// folder := folder + separator + component. Returns false, leaving folder unchanged, when the
// input or the result would not fit kMaxPath.
[[nodiscard]] bool AppendPath(std::string& folder, const char* component);
// Position in path where the file-name part begins.
[[nodiscard]] const char* FindFileName(const char* path);
// Assigns the given outputs (either may be null). Returns false, assigning nothing, when the
// path does not fit kMaxPath.
bool SplitPath(const std::string& path, std::string* folder, std::string* fileName);

}  // namespace lem
