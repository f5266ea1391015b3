#include "base/dcm_elevation.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "base/le_bytes.h"
#include "base/resample.h"
#include "olx/host_interface.h"

namespace {

constexpr char kMagic[] = "\x42\x45\x56\x4D";     // BEVM
constexpr char kDatumTag[] = "\x44\x41\x54\x4D";  // DATM
constexpr size_t kTileBytes = olx::kBlockBytes;
// The 64-bit constant nearest to 1/3600.
constexpr double kDegreesPerSecond = 1.0 / 3600.0;
// Zero-initialised storage (no 200 KB of zeros in the module's file); never written.
int16_t g_zeroTile[olx::kBlockCells];

// Reads size bytes at offset; what the file does not hold (short file, negative offset, read
// error) reads as zeros.
void ReadOrZero(platform::File& file, int64_t offset, void* buffer, size_t size) {
    auto* bytes = static_cast<uint8_t*>(buffer);
    size_t done = 0;
    if (offset >= 0) {
        while (done < size) {
            const int64_t got = file.ReadAt(static_cast<uint64_t>(offset) + done, bytes + done, size - done);
            if (got <= 0) break;
            done += static_cast<size_t>(got);
        }
    }
    if (done < size) std::memset(bytes + done, 0, size - done);
}

}  // namespace

CDcmElevation::CDcmElevation() = default;

CDcmElevation::~CDcmElevation() = default;

platform::Result CDcmElevation::Open(const char* path) {
    index_.clear();
    index_.shrink_to_fit();
    indexCount_ = 0;
    ready_ = false;
    slots_.Clear();
    store_.Clear();
    tileFile_.Close();
    const size_t length = path != nullptr ? std::strlen(path) : kMaxPath;
    if (length >= kMaxPath) {
        filePath_.clear();
        return platform::Result::IoError(path);
    }
    filePath_.assign(path, length);

    platform::File file;
    if (!file.Open(filePath_)) return platform::Result::IoError(filePath_.c_str());
    ReadOrZero(file, 0, header_, kHeaderSize);
    if (std::memcmp(header_ + kMagicOffset, kMagic, 4) != 0 || base::LoadI16(header_ + kZeroWordOffset) != 0) {
        return platform::Result::NotThisFormat();
    }

    if (base::LoadI32(header_ + kCellsLatOffset) > kMaxCellsPerDegree ||
        base::LoadI32(header_ + kCellsLonOffset) > kMaxCellsPerDegree) {
        return platform::Result::Damaged();
    }

    // The count decides an allocation only once the file is known to be big enough to hold it.
    const int32_t count = base::LoadI32(header_ + kCountOffset);
    const int64_t fileSize = file.Size();
    if (count < 0 || count > kMaxIndexEntries || fileSize < 0 ||
        static_cast<int64_t>(count) > fileSize / kIndexEntrySize) {
        return platform::Result::Damaged();
    }
    std::vector<uint8_t> raw;
    if (!platform::TryAllocate([&] {
            raw.resize(static_cast<size_t>(count) * kIndexEntrySize);
            index_.resize(static_cast<size_t>(count));
        })) {
        index_.clear();
        return platform::Result::NoMemory("CDcmElevation::Open");
    }
    ReadOrZero(file, base::LoadI32(header_ + kIndexOffsetOffset), raw.data(), raw.size());
    for (int32_t i = 0; i < count; ++i) {
        const uint8_t* entry = raw.data() + static_cast<size_t>(i) * kIndexEntrySize;
        index_[static_cast<size_t>(i)] = IndexEntry{base::LoadI32(entry), base::LoadI32(entry + 4)};
    }
    // A stable sort keeps entries of one identifier in file order, so the first one survives.
    std::stable_sort(index_.begin(), index_.end(),
                     [](const IndexEntry& a, const IndexEntry& b) { return a.tileId < b.tileId; });
    index_.erase(std::unique(index_.begin(), index_.end(),
                             [](const IndexEntry& a, const IndexEntry& b) { return a.tileId == b.tileId; }),
                 index_.end());
    indexCount_ = count;
    ready_ = true;
    return platform::Result::Ok();
}

bool CDcmElevation::HasDatumTag() const {
    return std::memcmp(header_ + kDatumTagOffset, kDatumTag, 4) == 0;
}

int32_t CDcmElevation::Datum() const {
    if (!HasDatumTag()) return olx::kModuleDatum;
    return OLX_GetDatumbyShortString(DatumName().c_str());
}

base::SourceStamp CDcmElevation::Stamp() const {
    base::SourceStamp stamp;
    stamp.hasFile = true;
    stamp.file = platform::StampOf(filePath_);
    return stamp;
}

std::string CDcmElevation::DatumName() const {
    if (!HasDatumTag()) return {};
    const auto* name = reinterpret_cast<const char*>(header_ + kDatumNameOffset);
    const void* nul = std::memchr(name, 0, kDatumNameSize);
    const size_t length = nul != nullptr ? static_cast<size_t>(static_cast<const char*>(nul) - name) : kDatumNameSize;
    return std::string(name, length);
}

int CDcmElevation::FillBlockWith(base::Resampler resampler, int32_t blockId, int16_t* block, double lat0, double lon0,
                                 double cellsPerDegLat, double cellsPerDegLon, const base::RowRange* rows) {
    // One status query a fill; a file that changed on disk is opened and read afresh.
    const platform::FileStamp stamp = ready_ ? platform::StampOf(filePath_) : platform::FileStamp{};
    if (!tileFile_.IsOpen() || !(stamp == tileFileStamp_)) {
        tileFile_.Close();
        store_.Clear();
        if (!ready_ || !stamp.isFile || !tileFile_.Open(filePath_)) {
            base::FillRows(block, rows, 0);
            return 0;
        }
        tileFileStamp_ = stamp;
    }
    slots_.Clear();
    const base::SourceGrid grid{base::LoadI32(header_ + kLatSecondsOffset) * kDegreesPerSecond,
                                base::LoadI32(header_ + kLonSecondsOffset) * kDegreesPerSecond,
                                static_cast<double>(base::LoadI32(header_ + kCellsLatOffset)),
                                static_cast<double>(base::LoadI32(header_ + kCellsLonOffset))};
    base::FillFromTiles(resampler, blockId, block, lat0, lon0, cellsPerDegLat, cellsPerDegLon, grid,
                        &LookupTile<CDcmElevation>, this, 0, rows);
    return 1;
}

const int16_t* CDcmElevation::GetTile(int32_t tileId) {
    const Slot& slot = slots_.Get(tileId, [&](Slot& fresh) { fresh.zero = !FindTile(tileId, &fresh.offset); });
    return slot.zero ? g_zeroTile : StoredTile(tileId, slot.offset);
}

const int16_t* CDcmElevation::StoredTile(int32_t tileId, int32_t offset) {
    return store_
        .Get(tileId,
             [&](Values& values) {
                 ++tileReads_;
                 ReadOrZero(tileFile_, offset, values.data(), kTileBytes);
                 if constexpr (std::endian::native == std::endian::big) {
                     for (int16_t& v : values) {
                         const auto u = static_cast<uint16_t>(v);
                         v = static_cast<int16_t>(static_cast<uint16_t>((u >> 8) | (u << 8)));
                     }
                 }
             })
        .data();
}

bool CDcmElevation::FindTile(int32_t tileId, int32_t* offset) const {
    const auto it = std::lower_bound(index_.begin(), index_.end(), tileId,
                                     [](const IndexEntry& e, int32_t id) { return e.tileId < id; });
    if (it == index_.end() || it->tileId != tileId) return false;
    *offset = it->offset;
    return true;
}
