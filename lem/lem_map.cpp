#include "lem/lem_map.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>
#include <memory>
#include <utility>

#include "base/block_id.h"
#include "base/elevation_source.h"
#include "lem/field_row.h"
#include "lem/path.h"
#include "lem/seam_blend.h"
#include "platform/file.h"
#include "platform/result.h"

namespace {

// Format tokens compared against file bytes; byte escapes so that every compiler sees CP932.
constexpr char kScaleMark[] = "\x8F\x6B\x8E\xDA";                   // 縮尺
constexpr char kRecordMark[] = "\x83\x8C\x83\x52\x81\x5B\x83\x68";  // レコード
constexpr char kSubLem[] = "LEM\\";
constexpr char kSubData[] = "DATA\\";
constexpr char kSubHeader[] = "HEADER\\";
constexpr char kSubOldHeader[] = "\x8B\x8C\x83\x77\x83\x62\x83\x5F\\";  // 旧ヘッダ\.

// GetHeader's read size: large enough to make system calls rare, small enough to stay in the
// second-level cache while it is searched for line ends.
constexpr int64_t kScanWindow = 256 * 1024;
using lem::kNoData;
using lem::kOutsideSurvey;
using olx::kBlockCells;
using olx::kBlockSide;

using platform::Result;
constexpr char kReadHeaderOperation[] = "CLemMap::ReadHeader()";
constexpr char kGetHeaderOperation[] = "CLemMap::GetHeader";

bool IsSpace(unsigned char c) {
    return c == ' ' || (c >= '\t' && c <= '\r');
}

// The usual decimal conversion: leading white space, optional sign, digits up to the first
// other character; no digits give 0. Saturates instead of overflowing.
int32_t ParseInt(const char* s) {
    while (IsSpace(static_cast<unsigned char>(*s))) ++s;
    bool negative = false;
    if (*s == '+' || *s == '-') negative = (*s++ == '-');
    int64_t v = 0;
    while (*s >= '0' && *s <= '9') {
        if (v <= INT32_MAX) v = v * 10 + (*s - '0');
        ++s;
    }
    if (negative) v = -v;
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// Reads a header file the way a text-mode stream with a 256-byte line buffer does: CR LF
// arrives as LF, Ctrl-Z ends the text, and a physical line longer than 255 characters comes
// in pieces of at most 255. Memory stays at one 64 KiB window whatever the file holds.
class TextLineReader {
public:
    explicit TextLineReader(platform::File& file) : file_(file) {}

    // Next line (with its LF when it has one) as a terminated string in line; false at end.
    bool Next(char (&line)[256]) {
        int len = 0;
        while (len < 255) {
            int c = Get();
            if (c < 0) break;
            line[len++] = static_cast<char>(c);
            if (c == '\n') break;
        }
        line[len] = '\0';
        return len > 0;
    }

private:
    int Raw() {
        if (pos_ == end_) {
            if (eof_) return -1;
            int64_t n = file_.Read(buffer_, sizeof buffer_);
            if (n <= 0) {
                eof_ = true;
                return -1;
            }
            pos_ = 0;
            end_ = static_cast<size_t>(n);
        }
        return static_cast<unsigned char>(buffer_[pos_++]);
    }

    int Get() {
        int c = pending_ >= 0 ? std::exchange(pending_, -1) : Raw();
        if (c == 0x1A) {  // end of text
            eof_ = true;
            pos_ = end_;
            return -1;
        }
        if (c == '\r') {
            int next = Raw();
            if (next == '\n') return '\n';
            if (next >= 0) pending_ = next;
        }
        return c;
    }

    platform::File& file_;
    char buffer_[65536];
    size_t pos_ = 0;
    size_t end_ = 0;
    bool eof_ = false;
    int pending_ = -1;
};

// Builds Folder + subfolder + BaseName + extension with the path helpers; empty when the path
// does not fit.
std::string BuildPath(const std::string& folder, const char* subfolder, const std::string& baseName,
                      const char* extension) {
    std::string path = folder;
    if (subfolder && !lem::AppendPath(path, subfolder)) return {};
    if (!lem::AppendPath(path, baseName.c_str())) return {};
    path += extension;
    if (path.size() >= lem::kMaxPath) return {};
    return path;
}

// Bytes of the line at the start of bytes[0, avail): up to and including its line end (LF,
// CR LF or a lone CR), or all avail bytes when no line end lies in them. A file without lone
// CRs is cut exactly where a read stopping after LF cuts it.
size_t LineLength(const char* bytes, size_t avail) {
    const auto* lf = static_cast<const char*>(std::memchr(bytes, '\n', avail));
    const size_t scan = lf ? static_cast<size_t>(lf - bytes) : avail;
    // A CR before the first LF is followed by something else, except when it ends a CR LF.
    if (const auto* cr = static_cast<const char*>(std::memchr(bytes, '\r', scan))) {
        const size_t j = static_cast<size_t>(cr - bytes);
        if (j + 1 < scan || (!lf && j + 1 < avail)) return j + 1;
    }
    return lf ? scan + 1 : avail;
}

uint64_t NextSerial() {
    static uint64_t next = 0;
    return ++next;
}

bool Exists(const std::string& path) {
    return !path.empty() && platform::PathExists(path);
}

// The header must begin with the four bytes of the scale mark.
Result CheckScaleMark(const std::string& path) {
    platform::File file;
    if (!file.Open(path)) return Result::IoError(path.c_str());
    char head[4];
    if (file.Read(head, sizeof head) == 4 && std::memcmp(head, kScaleMark, 4) == 0) return Result::Ok();
    return Result::NotThisFormat();
}

std::string BaseNameOf(const std::string& fileName) {
    size_t dot = fileName.rfind('.');
    return dot == std::string::npos ? fileName : fileName.substr(0, dot);
}

}  // namespace

CLemMap::CLemMap() : Serial(NextSerial()) {
    ClearState();
}

CLemMap::~CLemMap() {
    FreeBuffers();
}

void CLemMap::ClearState() {
    // The owners here free on reset, so "set to none without freeing" becomes a release of
    // storage that FreeBuffers has already emptied in every path that reaches this.
    LineBuffer.clear();
    RowTable.clear();
    Source.reset();
    Folder.clear();
    BaseName.clear();
    dataPathPrimary_.clear();
    dataPathSecondary_.clear();
    headerPathPrimary_.clear();
    headerPathSecondary_.clear();
    Opened = 0;
    FlatLayout = 0;
    indexed_ = false;
}

void CLemMap::FreeBuffers() {
    blockCache_.reset();
    view_.Reset();
    dataFile_.Close();
    indexed_ = false;
    std::vector<char>().swap(spanBuffer_);
    std::vector<int16_t>().swap(seamBuffer_);
    std::vector<char>().swap(LineBuffer);
    std::vector<int64_t>().swap(RowTable);
    Source.reset();
}

int CLemMap::CloseDataset() {
    FreeBuffers();
    ClearState();
    return 1;
}

Result CLemMap::Open(const char* path) {
    FreeBuffers();
    ClearState();

    const std::string input = path ? path : "";
    std::string fileName;
    if (!lem::SplitPath(input, &Folder, &fileName)) return Result::NotThisFormat();
    BaseName = BaseNameOf(fileName);
    // Folder becomes the parent of the folder that holds the file.
    if (lem::HasTrailingBackslash(Folder.c_str())) Folder.pop_back();
    if (!lem::SplitPath(Folder, &Folder, nullptr)) return Result::NotThisFormat();

    std::string lemData = BuildPath(Folder, kSubLem, BaseName, ".LEM");
    std::string dataData = BuildPath(Folder, kSubData, BaseName, ".LEM");
    std::string header = BuildPath(Folder, kSubHeader, BaseName, ".CSV");
    std::string oldHeader = BuildPath(Folder, kSubOldHeader, BaseName, ".CSV");
    const bool dataFound = Exists(lemData) || Exists(dataData);
    const bool headerFound = Exists(header) || Exists(oldHeader);
    if (dataFound && headerFound) {
        // The header's path outlives the result: it becomes the record's own.
        headerPathPrimary_ = std::move(header);
        headerPathSecondary_ = std::move(oldHeader);
        const std::string& found = Exists(headerPathPrimary_) ? headerPathPrimary_ : headerPathSecondary_;
        if (const Result marked = CheckScaleMark(found); !marked) return marked;
        dataPathPrimary_ = std::move(lemData);
        dataPathSecondary_ = std::move(dataData);
        Opened = 1;
        return Result::Ok();
    }

    // Flat layout: the two files side by side in the folder of path itself.
    if (!lem::SplitPath(input, &Folder, nullptr)) return Result::NotThisFormat();
    std::string flatData = BuildPath(Folder, nullptr, BaseName, ".LEM");
    std::string flatHeader = BuildPath(Folder, nullptr, BaseName, ".CSV");
    if (!Exists(flatData) || !Exists(flatHeader)) return Result::NotThisFormat();
    headerPathPrimary_ = headerPathSecondary_ = std::move(flatHeader);
    if (const Result marked = CheckScaleMark(headerPathPrimary_); !marked) return marked;
    dataPathPrimary_ = dataPathSecondary_ = std::move(flatData);
    FlatLayout = 1;
    Opened = 1;
    return Result::Ok();
}

const std::string& CLemMap::HeaderPath() const {
    if (FlatLayout) return headerPathPrimary_;
    return platform::PathExists(headerPathPrimary_) ? headerPathPrimary_ : headerPathSecondary_;
}

const std::string& CLemMap::DataPath() const {
    if (FlatLayout) return dataPathPrimary_;
    return platform::PathExists(dataPathPrimary_) ? dataPathPrimary_ : dataPathSecondary_;
}

Result CLemMap::ReadHeader(const char* path, CLemMap& target, int headerOnly) {
    platform::File file;
    if (!file.Open(path ? path : "")) return Result::IoError(path ? path : "");
    target.RecordCount = 0;
    if (!headerOnly) std::vector<int64_t>().swap(target.RowTable);

    std::vector<uint8_t> flags;
    TextLineReader reader(file);
    char line[256];
    int64_t lineNo = 0;
    for (; reader.Next(line); ++lineNo) {
        // First field up to ',', LF or the end; the value is the next field.
        char value[257] = "";
        const char* comma = line + std::strcspn(line, ",\n");
        if (*comma == ',') {
            const char* start = comma + 1;
            size_t len = std::min<size_t>(std::strcspn(start, ",\n"), 256);
            std::memcpy(value, start, len);
            value[len] = '\0';
        }
        switch (lineNo) {
            case 0:
                if (std::strncmp(line, kScaleMark, 4) != 0) return Result::NotThisFormat();
                break;
            case 4: target.Cols = ParseInt(value); break;
            case 5: target.Rows = ParseInt(value); break;
            case 6: target.SouthLat = ParseInt(value); break;
            case 7: target.SouthLat = target.SouthLat + ParseInt(value) * 0.016666666666666666; break;
            case 8: target.SouthLat = target.SouthLat + ParseInt(value) * 0.0002777777777777778; break;
            case 9: target.WestLon = ParseInt(value); break;
            case 10: target.WestLon = target.WestLon + ParseInt(value) * 0.016666666666666666; break;
            case 11: target.WestLon = target.WestLon + ParseInt(value) * 0.0002777777777777778; break;
            case 12: target.NorthLat = ParseInt(value); break;
            case 13: target.NorthLat = target.NorthLat + ParseInt(value) * 0.016666666666666666; break;
            case 14: target.NorthLat = target.NorthLat + ParseInt(value) * 0.0002777777777777778; break;
            case 15: target.EastLon = ParseInt(value); break;
            case 16: target.EastLon = target.EastLon + ParseInt(value) * 0.016666666666666666; break;
            case 17: target.EastLon = target.EastLon + ParseInt(value) * 0.0002777777777777778; break;
            case 18: target.Title = value; break;
            default:
                if (lineNo >= 27 && !headerOnly && std::strncmp(line, kRecordMark, 8) == 0) {
                    const int64_t n = lineNo - 27;
                    // A flag beyond any sheet we accept: refuse before it can size anything.
                    if (n >= CLemMap::kMaxRowFlags) return Result::Damaged();
                    if (static_cast<size_t>(n) >= flags.size() && !platform::TryAllocate([&] {
                            if (flags.capacity() <= static_cast<size_t>(n)) flags.reserve(static_cast<size_t>(n) + 600);
                            flags.resize(static_cast<size_t>(n) + 1, 0);
                        })) {
                        return Result::NoMemory(kReadHeaderOperation);
                    }
                    flags[static_cast<size_t>(n)] = ParseInt(value) != 0 ? 1 : 0;
                }
                break;
        }
        // Title mode needs nothing after the title line.
        if (headerOnly && lineNo == 18) {
            ++lineNo;
            break;
        }
    }
    file.Close();

    if (!headerOnly) {
        if (flags.empty()) return Result::Damaged();
        if (!platform::TryAllocate([&] { target.RowTable.assign(flags.size(), -1); })) {
            return Result::NoMemory(kReadHeaderOperation);
        }
        for (size_t n = 0; n < flags.size(); ++n) target.RowTable[n] = flags[n] ? 1 : -1;
        target.RecordCount = static_cast<int32_t>(flags.size());
    }

    // Zero, negative and absurd counts are all refused: the line buffer and the block
    // placement need a positive count of sane size.
    const bool sane = target.Cols > 0 && target.Cols <= kMaxCols && target.Rows > 0 && target.Rows <= kMaxRows;
    return lineNo >= 19 && sane ? Result::Ok() : Result::Damaged();
}

Result CLemMap::GetHeader() {
    if (!Opened) return Result::NotThisFormat();
    FreeBuffers();

    if (const Result header = ReadHeader(HeaderPath().c_str(), *this, 0); !header) return header;

    // Cols <= kMaxCols, so this cannot overflow.
    const int64_t n = int64_t{Cols} * 5 + 10;
    if (!platform::TryAllocate([&] { LineBuffer.assign(static_cast<size_t>(n + 3), 0); })) {
        return Result::NoMemory(kGetHeaderOperation);
    }

    const std::string& dataPath = DataPath();
    platform::File data;
    if (!data.Open(dataPath)) return Result::IoError(dataPath.c_str());
    // The scan window holds at least two lines; a file smaller than the usual window needs no
    // more than its size and one byte (the short read that tells the end). Its bytes are
    // written before they are read: no zero fill.
    int64_t windowSize = std::max<int64_t>(kScanWindow, 2 * (n + 2));
    if (const int64_t fileSize = data.Size(); fileSize >= 0) {
        windowSize = std::min(windowSize, std::max(fileSize + 1, 2 * (n + 2)));
    }
    std::unique_ptr<char[]> window;
    if (!platform::TryAllocate(
            [&] { window = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(windowSize)); })) {
        std::vector<char>().swap(LineBuffer);
        return Result::NoMemory(kGetHeaderOperation);
    }

    // One pass with large reads. Each "line" is what a read of at most n + 2 bytes stopping
    // after its line end would give; the offset counts n bytes of values plus the line-end
    // bytes that were read.
    int32_t i = 0;
    int64_t offset = 0;
    size_t pos = 0, end = 0;
    bool eof = false;
    const size_t lineMax = static_cast<size_t>(n + 2);
    while (i < RecordCount) {
        if (end - pos < lineMax && !eof) {
            std::memmove(window.get(), window.get() + pos, end - pos);
            end -= pos;
            pos = 0;
            int64_t got = data.Read(window.get() + end, static_cast<size_t>(windowSize) - end);
            if (got <= 0) {
                eof = true;
            } else {
                end += static_cast<size_t>(got);
                if (end < static_cast<size_t>(windowSize)) eof = true;
            }
        }
        const size_t avail = std::min(end - pos, lineMax);
        if (avail == 0) break;
        const size_t len = LineLength(window.get() + pos, avail);
        pos += len;

        while (i < RecordCount && RowTable[static_cast<size_t>(i)] == -1) ++i;
        if (i >= RecordCount) break;
        RowTable[static_cast<size_t>(i)] = offset;
        offset += n;
        if (len > static_cast<size_t>(n)) offset += len > static_cast<size_t>(n) + 1 ? 2 : 1;
        ++i;
    }
    // Present rows that the data file does not reach have no line: they are absent.
    for (int32_t j = i; j < RecordCount; ++j) RowTable[static_cast<size_t>(j)] = -1;
    indexed_ = true;
    return Result::Ok();
}

const std::string& CLemMap::ResolveDataPath(platform::FileStamp* stamp) const {
    *stamp = platform::StampOf(dataPathPrimary_);
    if (FlatLayout || stamp->exists) return dataPathPrimary_;
    *stamp = platform::StampOf(dataPathSecondary_);
    return dataPathSecondary_;
}

lem::BlockInputs CLemMap::CurrentInputs(const platform::FileStamp& data) const {
    lem::BlockInputs in;
    in.margin = Margin;
    in.cols = Cols;
    in.rows = Rows;
    in.recordCount = RecordCount;
    in.rowTable = RowTable.data();
    in.rowTableSize = RowTable.size();
    in.lineBufferSize = LineBuffer.size();
    if (Source) {
        in.source = Source->Serial();
        in.sourceStamp = Source->Stamp();
    }
    in.sourceLat = SourceOrigin.lat;
    in.sourceLon = SourceOrigin.lon;
    in.cellsPerDegLat = CellsPerDegLat;
    in.cellsPerDegLon = CellsPerDegLon;
    in.data = data;
    return in;
}

int CLemMap::ReadBlock(int32_t blockId, int16_t* values) {
    if (!Opened) {
        std::memset(values, 0, kBlockCells * sizeof(int16_t));
        return 0;
    }
    platform::FileStamp stamp;
    const std::string& dataPath = ResolveDataPath(&stamp);
    const lem::BlockInputs inputs = CurrentInputs(stamp);
    if (blockCache_ && blockCache_->Find(blockId, inputs, values)) return 1;

    if (!dataFile_.IsOpen() || dataFilePath_ != &dataPath || !(dataFileStamp_ == stamp)) {
        // The view goes first: a file shrunk in place would fault on pages beyond its new end.
        view_.Reset();
        dataFile_.Close();
        if (!stamp.isFile || !dataFile_.Open(dataPath)) {
            std::memset(values, 0, kBlockCells * sizeof(int16_t));
            return 0;
        }
        dataFileStamp_ = stamp;
        dataFilePath_ = &dataPath;
        // Views never reach beyond this: the stamp says when the file's size may have changed.
        dataFileSize_ = dataFile_.Size();
    }
    platform::File& data = dataFile_;

    // Without a completed GetHeader the table holds flags, not offsets: place nothing.
    const bool indexed = indexed_ && !LineBuffer.empty() && Cols > 0 && Rows > 0;
    const base::CellPos cell = base::BlockIdToCell(blockId);
    const int64_t r2 = Margin / 2;
    const int64_t c0 = int64_t{cell.firstColumn} - kBlockSide * r2;
    const int64_t top = int64_t{Rows} - 1 + kBlockSide * r2 - cell.firstRow;
    const bool places = indexed && c0 >= 0 && c0 < Cols;
    // A margin block without a background: nothing to write, nothing worth keeping.
    base::ElevationSource* const source = Source.get();
    if (!places && source == nullptr) return 1;

    const bool background = source != nullptr;
    // A source that writes every cell also when it cannot fill leaves no cell as the host passed it.
    const bool writesAll = background && source->WritesEveryCell();
    const auto fill = [&](int16_t* block, const base::RowRange* ranges) {
        return source->FillBlock(blockId, block, SourceOrigin.lat, SourceOrigin.lon, CellsPerDegLat, CellsPerDegLon,
                                 ranges);
    };
    // Without memory for the cache blocks are read afresh every time.
    if (!blockCache_) (void)platform::TryAllocate([&] { blockCache_ = std::make_unique<lem::CBlockCache>(); });
    lem::CBlockCache::Written written;
    bool blend = false;
    const auto filled = [&](int result) {
        blend = result == 1;
        if (writesAll || blend) written.SetAll();
    };
    const auto keep = [&] {
        if (blockCache_) blockCache_->Store(blockId, inputs, values, written);
        return 1;
    };

    if (!places) {
        filled(fill(values, nullptr));
        return keep();
    }

    // With a background the sheet goes first and the base is asked for afterwards, only for the
    // cells that still need it (inside the sheet that is mostly none); the sheet's values there
    // wait in seamBuffer_ meanwhile. Without memory for it, the base comes first, whole.
    if (background && seamBuffer_.empty()) {
        // Without it the base is filled first, as below.
        (void)platform::TryAllocate([&] { seamBuffer_.resize(kBlockCells); });
    }
    const bool deferred = background && !seamBuffer_.empty();
    if (background && !deferred) filled(fill(values, nullptr));
    base::RowRange baseCells[kBlockSide];
    // The sheet's row of a block row with cells in seamBuffer_ (else -1), and those cells.
    int64_t seamLine[kBlockSide];
    base::RowRange sheetCells[kBlockSide];
    for (int d = 0; d < kBlockSide; ++d) {
        baseCells[d] = base::RowRange{0, kBlockSide};
        seamLine[d] = -1;
    }

    const int64_t rowLimit = std::min<int64_t>({Rows, RecordCount, static_cast<int64_t>(RowTable.size())});
    const int width = static_cast<int>(std::min<int64_t>(kBlockSide, Cols - c0));
    const int64_t wanted = int64_t{width} * 5;  // <= LineBuffer.size() - 3

    // The fields a row needs, in file order (north to south). A row is placed only when the read
    // delivers at least one of its fields whole.
    struct RowRead {
        int d;
        int64_t L;
        int64_t start;  // file offset of the row's first field in the block
    };
    RowRead rows[kBlockSide];
    int rowCount = 0;
    for (int d = kBlockSide - 1; d >= 0; --d) {
        const int64_t L = top - d;
        if (L < 0 || L >= rowLimit) continue;
        const int64_t rowOffset = RowTable[static_cast<size_t>(L)];
        if (rowOffset < 0) continue;
        rows[rowCount++] = RowRead{d, L, rowOffset + 10 + 5 * c0};
    }

    const auto placeRow = [&](int d, int64_t L, const char* text, int delivered) {
        int16_t* out = values + d * kBlockSide;
        if (!background) {
            lem::StoreFieldRow(text, delivered, out, written.RowBits(d));
            return;
        }
        int16_t baseRow[kBlockSide];
        if (!deferred) std::memcpy(baseRow, out, sizeof baseRow);
        // A source that cannot fill may leave the other cells as the host passed them.
        const lem::KeptCells kept = lem::StoreFieldRow(text, delivered, out, writesAll ? nullptr : written.RowBits(d));
        const lem::SeamRow seam{L, c0, Cols, Rows};
        const lem::SeamCells cells = lem::CellsForBase(seam, delivered, kept);
        if (deferred) baseCells[d] = cells.fill;
        if (cells.blend.begin == cells.blend.end) return;
        // The blend needs the fields themselves, to tell the marks: those of its cells only.
        int32_t parsed[kBlockSide];
        const int parsedEnd = std::min<int>(delivered, cells.blend.end);
        if (parsedEnd > cells.blend.begin) {
            lem::ParseFieldRow(text + 5 * cells.blend.begin, parsedEnd - cells.blend.begin, parsed + cells.blend.begin);
        }
        int16_t sheetRow[kBlockSide];
        int16_t* sheet = deferred ? seamBuffer_.data() + d * kBlockSide : sheetRow;
        lem::KeepSheetCells(parsed, out, delivered, cells.blend, sheet);
        if (deferred) {
            seamLine[d] = L;
            sheetCells[d] = cells.blend;
        } else {
            lem::BlendSeamRow(sheet, baseRow, cells.blend, seam, blend, out);
        }
    };

    // Rows come from a view of the file where one can be had; those that cannot be mapped are
    // read below. A row gets the fields whose bytes lie before the end of the file, as a read
    // gives them, and the conversion's three bytes of look-ahead stay inside the view.
    struct ReleaseView {
        platform::MappedView& view;
        ~ReleaseView() {
            if (platform::MappedView::kPinsFileSize) view.Reset();
        }
    } const releaseView{view_};
    const int64_t fileSize = dataFileSize_;
    int unmapped = 0;
    bool mapping = fileSize > 0;
    for (int i = 0; i < rowCount; ++i) {
        const RowRead row = rows[i];
        if (mapping && row.start >= fileSize) continue;  // a read there delivers nothing
        const int64_t inFile = std::min(fileSize - row.start, wanted + 3);
        if (mapping && !view_.Holds(static_cast<uint64_t>(row.start), static_cast<uint64_t>(inFile))) {
            mapping = MapWindow(row.start, inFile, fileSize);
        }
        if (!mapping) {
            rows[unmapped++] = row;
            continue;
        }
        const char* text = view_.Data() + (row.start - static_cast<int64_t>(view_.Offset()));
        // Rows lie a line apart, each a fresh stream to the processor: ask for the next row's
        // bytes while this one is converted, or the conversion waits on memory.
        if (i + 1 < rowCount && view_.Holds(static_cast<uint64_t>(rows[i + 1].start), static_cast<uint64_t>(wanted))) {
            const char* next = view_.Data() + (rows[i + 1].start - static_cast<int64_t>(view_.Offset()));
            for (int64_t b = 0; b < wanted; b += 64) __builtin_prefetch(next + b);
        }
        const int delivered = static_cast<int>(std::min(inFile, wanted) / 5);
        if (delivered == 0) continue;
        if (5 * delivered + 3 > inFile) {
            // The file ends within the look-ahead: convert a copy.
            std::memcpy(LineBuffer.data(), text, static_cast<size_t>(inFile));
            text = LineBuffer.data();
        }
        placeRow(row.d, row.L, text, delivered);
    }
    rowCount = unmapped;

    // Consecutive rows are read with one call while the bytes between them are few: a system
    // call costs as much as copying several kilobytes, and the rows of a block lie one line
    // apart. Rows further apart, or beyond the span buffer, are read one by one.
    // Without memory for the span buffer every row is read on its own into the line buffer.
    if (rowCount > 0 && spanBuffer_.empty()) {
        (void)platform::TryAllocate([&] { spanBuffer_.resize(kSpanBytes + kSpanSlack); });
    }
    const bool spans = !spanBuffer_.empty();
    for (int i = 0; i < rowCount;) {
        int j = i + 1;
        while (spans && j < rowCount) {
            const int64_t previousEnd = rows[j - 1].start + wanted;
            if (rows[j].start < previousEnd || rows[j].start - previousEnd > kMaxSpanGap ||
                rows[j].start + wanted - rows[i].start > kSpanBytes) {
                break;
            }
            ++j;
        }
        const int64_t length = rows[j - 1].start + wanted - rows[i].start;
        char* const text = j - i > 1 ? spanBuffer_.data() : LineBuffer.data();
        // A file error skips the rows; a short read keeps the fields it did not deliver whole.
        const int64_t got = data.ReadAt(static_cast<uint64_t>(rows[i].start), text, static_cast<size_t>(length));
        for (int n = i; n < j; ++n) {
            const int64_t at = rows[n].start - rows[i].start;
            const int64_t available = std::min(got - at, wanted);
            if (available <= 0) continue;
            placeRow(rows[n].d, rows[n].L, text + at, static_cast<int>(available / 5));
        }
        i = j;
    }
    if (deferred) {
        filled(fill(values, baseCells));
        for (int d = 0; d < kBlockSide; ++d) {
            if (seamLine[d] < 0) continue;
            int16_t* out = values + d * kBlockSide;
            lem::BlendSeamRow(seamBuffer_.data() + d * kBlockSide, out, sheetCells[d],
                              lem::SeamRow{seamLine[d], c0, Cols, Rows}, blend, out);
        }
    }
    return keep();
}

bool CLemMap::MapWindow(int64_t start, int64_t length, int64_t fileSize) {
    constexpr int64_t half = kViewBytes / 2;
    const int64_t first = start / half * half;
    const int64_t end = std::min(fileSize, first + kViewBytes);
    // A row's range is at most a block's 1,600 bytes and the look-ahead: the window holds it.
    if (start + length > end) return false;
    return view_.Map(dataFile_, static_cast<uint64_t>(first), static_cast<size_t>(end - first));
}
