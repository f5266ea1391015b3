// Header-area layout of a linked module, as the host expects it: few sections, the section
// table ending at a fixed offset, the header checksum matching the bytes. Only the headers
// change; no section moves in memory or in the file, so no address inside the image changes.
#pragma once

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

namespace marker {

namespace detail {

inline uint32_t Get32(const std::vector<uint8_t>& b, size_t o) {
    return static_cast<uint32_t>(b[o]) | static_cast<uint32_t>(b[o + 1]) << 8 | static_cast<uint32_t>(b[o + 2]) << 16 |
           static_cast<uint32_t>(b[o + 3]) << 24;
}
inline uint16_t Get16(const std::vector<uint8_t>& b, size_t o) {
    return static_cast<uint16_t>(b[o] | b[o + 1] << 8);
}
inline void Put32(std::vector<uint8_t>& b, size_t o, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[o + i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void Put16(std::vector<uint8_t>& b, size_t o, uint16_t v) {
    b[o] = static_cast<uint8_t>(v);
    b[o + 1] = static_cast<uint8_t>(v >> 8);
}

constexpr uint32_t kContentBits = 0x000000E0;  // code, initialized data, uninitialized data
constexpr uint32_t kCode = 0x00000020;
constexpr uint32_t kInitialized = 0x00000040;
constexpr uint32_t kUninitialized = 0x00000080;
constexpr size_t kSectionHeader = 40;

inline bool HasName(const std::vector<uint8_t>& b, size_t header, const char* name) {
    char field[9] = {};
    std::memcpy(field, &b[header], 8);
    return std::strcmp(field, name) == 0;
}

struct Headers {
    uint32_t nt = 0;          // e_lfanew
    uint32_t table = 0;       // first section header
    uint16_t count = 0;       // sections
    uint32_t checksumAt = 0;  // CheckSum field
    uint32_t sectionAlignment = 0;
};

inline bool ReadHeaders(const std::vector<uint8_t>& b, Headers& h, std::string& error) {
    if (b.size() < 0x40 || b[0] != 'M' || b[1] != 'Z') return error = "no MZ header", false;
    h.nt = Get32(b, 0x3C);
    if (h.nt > b.size() || b.size() - h.nt < 24 || std::memcmp(&b[h.nt], "PE\0\0", 4) != 0)
        return error = "no PE signature", false;
    h.count = Get16(b, h.nt + 6);
    const uint16_t optionalSize = Get16(b, h.nt + 20);
    const uint32_t opt = h.nt + 24;
    if (optionalSize < 68 || b.size() - opt < optionalSize) return error = "truncated optional header", false;
    h.sectionAlignment = Get32(b, opt + 32);
    h.checksumAt = opt + 64;
    h.table = opt + optionalSize;
    if ((b.size() - h.table) / kSectionHeader < h.count) return error = "truncated section table", false;
    return true;
}

}  // namespace detail

// The PE header checksum: 16-bit one's-complement-style sum of the file with the CheckSum
// field taken as zero, plus the file length.
inline uint32_t PeChecksum(const std::vector<uint8_t>& b, uint32_t checksumAt) {
    uint64_t sum = 0;
    for (size_t i = 0; i < b.size(); i += 2) {
        if (i == checksumAt || i == checksumAt + 2) continue;
        uint32_t word = b[i];
        if (i + 1 < b.size()) word |= static_cast<uint32_t>(b[i + 1]) << 8;
        sum += word;
        sum = (sum & 0xFFFF) + (sum >> 16);
    }
    sum = (sum & 0xFFFF) + (sum >> 16);
    return static_cast<uint32_t>(sum + b.size());
}

// Recomputes the CheckSum field for the bytes as they are now.
inline bool UpdateChecksum(std::vector<uint8_t>& b, std::string& error) {
    detail::Headers h;
    if (!detail::ReadHeaders(b, h, error)) return false;
    detail::Put32(b, h.checksumAt, PeChecksum(b, h.checksumAt));
    return true;
}

// Joins each section to the one before it when both have the same memory protection, neither
// holds code nor is .rsrc or .reloc, they follow each other without a gap in memory and in the file, and the earlier
// one has file data (an uninitialized section can only close a group: its zeros have no
// bytes in the file). The merged section keeps the first one's name; the data directories
// hold addresses, which do not change.
inline bool MergeSections(std::vector<uint8_t>& b, std::string& error) {
    using namespace detail;
    Headers h;
    if (!ReadHeaders(b, h, error)) return false;
    if (h.sectionAlignment == 0) return error = "section alignment 0", false;
    auto at = [&](uint16_t i) { return h.table + kSectionHeader * i; };
    uint16_t kept = 0;
    for (uint16_t i = 0; i < h.count; ++i) {
        const size_t s = at(i);
        if (kept > 0) {
            const size_t p = at(kept - 1);
            const uint32_t pFlags = Get32(b, p + 36), sFlags = Get32(b, s + 36);
            const uint32_t pVa = Get32(b, p + 12), pVsize = Get32(b, p + 8);
            const uint32_t pRawSize = Get32(b, p + 16), pRaw = Get32(b, p + 20);
            const uint32_t sVa = Get32(b, s + 12), sVsize = Get32(b, s + 8);
            const uint32_t sRawSize = Get32(b, s + 16), sRaw = Get32(b, s + 20);
            const uint64_t pSpan =
                (static_cast<uint64_t>(pVsize) + h.sectionAlignment - 1) / h.sectionAlignment * h.sectionAlignment;
            const bool sameProtection = (pFlags & ~kContentBits) == (sFlags & ~kContentBits);
            const bool noCode = ((pFlags | sFlags) & kCode) == 0;
            const bool inMemory = static_cast<uint64_t>(pVa) + pSpan == sVa;
            // The earlier section's file data must cover its whole span so that the later
            // one's data lies exactly where the merged section maps it.
            const bool inFile = pRawSize == pSpan && (sRawSize == 0 || static_cast<uint64_t>(pRaw) + pRawSize == sRaw);
            const bool earlierHasData = pRawSize != 0 && !(pFlags & kUninitialized);
            // Resources and relocations keep the sections that tools look them up by.
            const bool ownTable =
                HasName(b, p, ".rsrc") || HasName(b, p, ".reloc") || HasName(b, s, ".rsrc") || HasName(b, s, ".reloc");
            if (sameProtection && noCode && inMemory && inFile && earlierHasData && !ownTable) {
                Put32(b, p + 8, sVa + sVsize - pVa);
                Put32(b, p + 16, pRawSize + sRawSize);
                // Initialized data: the merged section has bytes in the file. An uninitialized
                // tail only widens it in memory, which also ends the group (its span is then
                // larger than its file data).
                Put32(b, p + 36, (pFlags & ~kContentBits) | kInitialized);
                continue;
            }
        }
        if (kept != i) std::memmove(&b[at(kept)], &b[s], kSectionHeader);
        ++kept;
    }
    std::memset(&b[at(kept)], 0, kSectionHeader * (h.count - kept));
    Put16(b, h.nt + 6, kept);
    return true;
}

// Moves the NT headers (signature, file header, optional header, section table) so that the
// section table ends at tableEnd. The bytes left behind become zero; the bytes taken over
// must have been zero, so neither the DOS stub nor anything else is overwritten.
inline bool PlaceSectionTable(std::vector<uint8_t>& b, uint32_t tableEnd, std::string& error) {
    using namespace detail;
    Headers h;
    if (!ReadHeaders(b, h, error)) return false;
    const uint32_t oldStart = h.nt;
    const uint32_t oldEnd = h.table + static_cast<uint32_t>(kSectionHeader) * h.count;
    const uint32_t length = oldEnd - oldStart;
    if (tableEnd < length + 0x40 || tableEnd > b.size()) return error = "no room for the headers there", false;
    const uint32_t newStart = tableEnd - length;
    if (newStart % 8 != 0) return error = "the headers would not be 8-byte aligned", false;
    if (newStart == oldStart) return true;
    for (uint32_t i = newStart; i < tableEnd; ++i) {
        if ((i < oldStart || i >= oldEnd) && b[i] != 0) return error = "bytes in the way of the headers", false;
    }
    std::vector<uint8_t> block(b.begin() + oldStart, b.begin() + oldEnd);
    std::memset(&b[oldStart], 0, length);
    std::memcpy(&b[newStart], block.data(), length);
    Put32(b, 0x3C, newStart);
    return true;
}

}  // namespace marker
