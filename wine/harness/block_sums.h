// Blocks of the Windows build against the checksums the native build wrote for the same sheet
// (tephrix-render --checksums: "<block id> <FNV-1a 64 of the block's bytes>" lines).
#pragma once

#include <cstdint>
#include <string>

#include "wine/harness/host_api.h"

namespace harness {

// Reads every listed block of an open map through the host (2012) and checks each against its
// checksum; one check for the whole file.
void CompareBlocks(HostApi& host, uint32_t handle, const std::string& sumsPath, const std::string& what);

}  // namespace harness
