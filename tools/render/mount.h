// Makes files of the real file system reachable through Windows paths: each mounted file's
// grandparent folder becomes a drive of a temporary root (C:, D:, ...), so that both dataset
// layouts (LEM\ + HEADER\ side by side, or a flat pair) keep their shape.
#pragma once

#include <string>

namespace render {

class Mounts {
public:
    Mounts();
    ~Mounts();
    Mounts(const Mounts&) = delete;
    Mounts& operator=(const Mounts&) = delete;

    // The Windows path of an existing file, or empty when it does not exist.
    std::string Mount(const std::string& hostPath);

private:
    std::string root_;
    char nextDrive_ = 'C';
};

}  // namespace render
