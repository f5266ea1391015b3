// One opened LEM sheet: where its files are, its header, the row index over its data file,
// and the 50 m source attached to it.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/elevation_source.h"
#include "lem/block_cache.h"
#include "olx/host_interface.h"
#include "platform/file.h"
#include "platform/mapped_view.h"
#include "platform/result.h"

namespace lem {
// The margin in 320-cell blocks around the sheet until the first map-info message sets it from
// the "Region" setting.
constexpr int32_t kDefaultMargin = 256;
}  // namespace lem

class CLemMap {
public:
    CLemMap();
    ~CLemMap();
    CLemMap(const CLemMap&) = delete;
    CLemMap& operator=(const CLemMap&) = delete;

    void ClearState();
    void FreeBuffers();
    int CloseDataset();

    // The readers show nothing: their result says what happened, and the caller decides what
    // the user sees (ui/messages.h). A kIoError's subject is the file's path, which stays valid
    // while the record (ReadHeader: the path argument) does.

    // Locates the dataset that path belongs to (folder layout, then flat layout). kNotThisFormat
    // when no dataset lies there or its header lacks the scale mark; kIoError when the header
    // cannot be opened.
    platform::Result Open(const char* path);
    // Parses the header file at path into target; headerOnly != 0 reads the title only.
    // kNotThisFormat: no scale mark; kDamaged: refused counts or lines; kIoError: cannot be
    // opened; kNoMemory ("CLemMap::ReadHeader()"): no room for the row flags or the table.
    static platform::Result ReadHeader(const char* path, CLemMap& target, int headerOnly);
    // Header in index mode plus the row offset index of the data file. Besides ReadHeader's
    // results: kNoMemory ("CLemMap::GetHeader") for the line buffer, kIoError for the data file,
    // kNotThisFormat when the record is not located.
    platform::Result GetHeader();
    // Fills one 320 x 320 block (row 0 south, column 0 west) for a block identifier.
    int ReadBlock(int32_t blockId, int16_t* values);

    // Attach a 50 m source and convert the map's corner into its datum. A source of the kind
    // already attached is opened again in place, one of another kind replaced; one that fails to
    // open stays attached (its result is passed on) and the corner is left as it was.
    platform::Result LinkDcm(const char* path);
    platform::Result LinkXem(const void* setId, const char* setName);

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
    // The margin in 320-cell blocks that places the sheet in the whole map: the module's current
    // margin, which the map-type handler gives every open map at each map-info message.
    int32_t Margin = lem::kDefaultMargin;
    int32_t Opened = 0;
    int32_t FlatLayout = 0;
    std::string Folder;
    std::string BaseName;
    std::vector<char> LineBuffer;  // Cols * 5 + 13 bytes after GetHeader, empty before
    // The 50 m source under the sheet and its margin, if any.
    std::unique_ptr<base::ElevationSource> Source;
    // The attached source when it is a Kind, else nullptr.
    template <typename Kind>
    [[nodiscard]] Kind* SourceAs() const {
        return dynamic_cast<Kind*>(Source.get());
    }
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
    // The one way a source is attached: make a Kind unless one is attached, open(Kind&), then
    // convert the corner into its datum. operation names a failed allocation.
    template <typename Kind, typename OpenSource>
    platform::Result Link(const char* operation, OpenSource&& open);

    // The data path ReadBlock uses, with the stamp of what it names (one status query when the
    // LEM\ path exists).
    const std::string& ResolveDataPath(platform::FileStamp* stamp) const;
    [[nodiscard]] lem::BlockInputs CurrentInputs(const platform::FileStamp& data) const;

    // The data file stays open between block requests while the path names the same file.
    platform::File dataFile_;
    platform::FileStamp dataFileStamp_;
    const std::string* dataFilePath_ = nullptr;
    int64_t dataFileSize_ = -1;  // of the open data file, when it was opened
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

    // ReadBlock takes a row's fields straight from a view of the data file where it can: a
    // block uses 1,600 bytes of each ~11 KB line of a typical sheet, and reading copies them all.
    // The view is a window of the file, so that no sheet can take a 32-bit host's address
    // space; natively it stays between requests (the sample sheet needs one for good), on
    // Windows it is released before each request returns (see MappedView::kPinsFileSize).
    // A window starts at a multiple of half its size, so it holds any range up to that long.
    static constexpr int64_t kViewBytes = sizeof(void*) >= 8 ? int64_t{64} << 20 : int64_t{16} << 20;
    // Maps the window that holds bytes [start, start + length) of the data file, clipped to
    // fileSize; false when the system cannot.
    [[nodiscard]] bool MapWindow(int64_t start, int64_t length, int64_t fileSize);
    platform::MappedView view_;

    // True only once GetHeader has completed: until then RowTable may hold the header's
    // present/absent flags (a GetHeader that failed after reading the header leaves them).
    bool indexed_ = false;
    // Candidate paths, built once by Open so that ReadBlock composes no strings.
    std::string dataPathPrimary_;    // LEM\ (or the flat data file)
    std::string dataPathSecondary_;  // DATA\ (or the flat data file)
    std::string headerPathPrimary_;  // HEADER\ (or the flat header file)
    std::string headerPathSecondary_;
};
