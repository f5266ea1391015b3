#include "wine/harness/block_sums.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <utility>
#include <vector>

#include "wine/harness/check.h"

namespace harness {
namespace {

uint64_t Fnv1a(const std::vector<int16_t>& values) {
    uint64_t h = 1469598103934665603ull;
    const auto* bytes = reinterpret_cast<const unsigned char*>(values.data());
    for (size_t i = 0; i < values.size() * sizeof(int16_t); ++i) {
        h ^= bytes[i];
        h *= 1099511628211ull;
    }
    return h;
}

std::vector<std::pair<int32_t, uint64_t>> ReadSums(const std::string& path) {
    std::vector<std::pair<int32_t, uint64_t>> sums;
    std::ifstream in(path);
    std::string line;
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        int32_t id = 0;
        std::string hex;
        if (fields >> id >> hex) sums.emplace_back(id, std::strtoull(hex.c_str(), nullptr, 16));
    }
    return sums;
}

}  // namespace

void CompareBlocks(HostApi& host, uint32_t handle, const std::string& sumsPath, const std::string& what) {
    auto sums = ReadSums(sumsPath);
    if (!CHECK(!sums.empty(), what + ": native checksums at " + sumsPath)) return;
    std::vector<int16_t> block(olx::kBlockCells);
    int mismatches = 0;
    for (const auto& [id, want] : sums) {
        std::fill(block.begin(), block.end(), INT16_MIN);
        host.ReadBlock(handle, id, block.data());
        if (Fnv1a(block) != want) {
            if (mismatches++ == 0) std::printf("  first mismatch: block %d\n", id);
        }
    }
    CHECK(mismatches == 0, what + ": " + std::to_string(sums.size()) + " blocks identical to the native build (" +
                               std::to_string(mismatches) + " differ)");
}

}  // namespace harness
