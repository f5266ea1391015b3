// One opened LEM sheet: where its files are, its header, the row index over its data file,
// and the 50 m source attached to it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "lem/block_cache.h"
#include "platform/file.h"
#include "plugin/host_interface.h"

class CDcmElevation;
class CXemElevation;

class CLemMap {
public:
    CLemMap();
    ~CLemMap();
    CLemMap(const CLemMap&) = delete;
    CLemMap& operator=(const CLemMap&) = delete;

    void ClearState();
    void FreeBuffers();
    int CloseDataset();

    // Locates the dataset that path belongs to (folder layout, then flat layout).
    [[nodiscard]] int Open(const char* path);
    // Parses the header file at path into target; headerOnly != 0 reads the title only.
    [[nodiscard]] static int ReadHeader(const char* path, CLemMap& target, int headerOnly);
    // Header in index mode plus the row offset index of the data file.
    [[nodiscard]] int GetHeader();
    // Fills one 320 x 320 block (row 0 south, column 0 west) for a block identifier.
    int ReadBlock(int32_t blockId, int16_t* values);

    // Attach a 50 m source; both keep the source attached when its open fails (result 0).
    [[nodiscard]] int LinkDcm(const char* path);
    [[nodiscard]] int LinkXem(const void* setId, const char* setName);

    int32_t Cols = 0;
    int32_t Rows = 0;
    double SouthLat = 0;
    double WestLon = 0;
    double NorthLat = 0;
    double EastLon = 0;
    std::string Title;
    int32_t RecordCount = 0;
    // Per grid row, row 0 the northernmost: 1 present / -1 absent after ReadHeader; the byte
    // offset of the row's line in the data file, or -1, after GetHeader. 64-bit offsets so that
    // no data file size can wrap them.
    std::vector<int64_t> RowTable;
    double OriginLat = 0;
    double OriginLon = 0;
    double CellsPerDegLat = 0;
    double CellsPerDegLon = 0;
    int32_t Opened = 0;
    int32_t FlatLayout = 0;
    std::string Folder;
    std::string BaseName;
    std::vector<char> LineBuffer;  // Cols * 5 + 13 bytes after GetHeader, empty before
    std::unique_ptr<CDcmElevation> Dcm;
    std::unique_ptr<CXemElevation> Xem;
    tagGEOPOS SourceOrigin{};
    // Distinct for every record made in this process, so that whoever held a record can tell
    // it from one that replaced it at the same address.
    const uint64_t Serial;

    // Paths of the dataset's two files as GetHeader and ReadBlock use them (the existence tests
    // are made at each call); empty when the record is not located.
    [[nodiscard]] const std::string& HeaderPath() const;
    [[nodiscard]] const std::string& DataPath() const;

    // Counts beyond these are refused like a zero count: far above any survey sheet (a few
    // thousand cells a side), and small enough that LineBuffer (Cols * 5 + 13 bytes) and
    // RowTable cannot overflow their sizes on a 32-bit build.
    static constexpr int32_t kMaxCols = 1000000;
    static constexpr int32_t kMaxRows = 1000000;
    static constexpr int32_t kMaxRowFlags = 1000000;

private:
    // The data path ReadBlock uses, with the stamp of what it names (one status query when the
    // LEM\ path exists).
    const std::string& ResolveDataPath(platform::FileStamp* stamp) const;
    [[nodiscard]] lem::BlockInputs CurrentInputs(const platform::FileStamp& data) const;

    // The data file stays open between block requests while the path names the same file.
    platform::File dataFile_;
    platform::FileStamp dataFileStamp_;
    const std::string* dataFilePath_ = nullptr;
    std::unique_ptr<lem::CBlockCache> blockCache_;
    // ReadBlock reads runs of consecutive rows into this at once. 1 MiB holds the rows of a block
    // of a sheet up to 3,000 columns wide in four reads; it stays in the second-level cache while
    // its fields are converted.
    static constexpr int64_t kSpanBytes = 1 << 20;
    // Bytes after a row's fields that the field conversion may load.
    static constexpr int64_t kSpanSlack = 16;
    // Rows further apart than this are read on their own: copying 32 KiB more costs about what
    // one more read call does here (a few microseconds).
    static constexpr int64_t kMaxSpanGap = 32 * 1024;
    std::vector<char> spanBuffer_;
    // With a 50 m background: the sheet's values of the cells that wait for the base.
    std::vector<int16_t> seamBuffer_;

    // True only once GetHeader has completed: until then RowTable may hold the header's
    // present/absent flags (a GetHeader that failed after reading the header leaves them).
    bool indexed_ = false;
    // Candidate paths, built once by Open so that ReadBlock composes no strings.
    std::string dataPathPrimary_;    // LEM\ (or the flat data file)
    std::string dataPathSecondary_;  // DATA\ (or the flat data file)
    std::string headerPathPrimary_;  // HEADER\ (or the flat header file)
    std::string headerPathSecondary_;
};

namespace lem {
// The margin in 320-cell blocks that block placement uses for every open map; the map-type
// handler sets it from the "Region" setting at each map-info message.
constexpr int32_t kDefaultMargin = 256;
[[nodiscard]] int32_t CurrentMargin();
void SetCurrentMargin(int32_t margin);
}  // namespace lem
