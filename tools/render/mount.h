// Makes files of the real file system reachable through Windows paths: each mounted file's
// grandparent folder becomes a drive of a temporary root (C:, D:, ...), so that both dataset
// layouts (LEM\ + HEADER\ side by side, or a flat pair) keep their shape.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "hostsim/drive_root.h"

namespace render {

class Mounts {
public:
    Mounts();
    ~Mounts();
    Mounts(const Mounts&) = delete;
    Mounts& operator=(const Mounts&) = delete;

    // False when the temporary root could not be made (error says why).
    [[nodiscard]] bool Ready(std::string& error) const;
    // The Windows path of an existing file, or empty when it cannot be mounted.
    std::string Mount(const std::string& hostPath);
    // A text the module wrote with the Windows paths of mounted files back in host paths.
    [[nodiscard]] std::string ToHostPaths(const std::string& text) const;

private:
    std::optional<hostsim::DriveRoot> root_;
    std::string error_;
    std::vector<std::string> drives_;  // host folder of drive 'C' + index
    char nextDrive_ = 'C';
};

}  // namespace render
