// tephrix-render: loads the module into the host stand-in, opens a LEM sheet through the host
// protocol exactly as the host would (2003, 2004, 2011, 2012 ..., 2021) and draws the sheet and
// a ring of margin blocks as a PNG map or writes their heights as a GeoTIFF. The output is
// streamed: blocks are read one row of blocks at a time, from the north, and sampled down to
// the output's pixels as they arrive.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "hostsim/guidebook_terrain.h"
#include "hostsim/host.h"
#include "plugin/entry.h"
#include "tools/gen/cli.h"
#include "tools/render/cleanup.h"
#include "tools/render/files.h"
#include "tools/render/geotiff.h"
#include "tools/render/mount.h"
#include "tools/render/options.h"
#include "tools/render/picture.h"
#include "tools/render/text_utf8.h"

namespace render {
namespace {

constexpr uint32_t kPluginId = 0x7E9A;
constexpr int kBlock = 320;
// Beyond these the output is no map anyone can open, and the work no render finishes soon.
constexpr int64_t kMaxSide = 200000;
constexpr int64_t kMaxBlocks = 4000000;
// The process itself: code, libraries, the module's buffers for a sheet at its limits.
constexpr int64_t kBaseMemory = 48ll << 20;

double Now() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

int Fail(int status, const std::string& reason) {
    std::fprintf(stderr, "tephrix-render: error: %s\n", EscapeForTerminal(reason).c_str());
    return status;
}

uint64_t Fnv1a(const int16_t* values, size_t count) {
    uint64_t h = 1469598103934665603ull;
    const auto* bytes = reinterpret_cast<const unsigned char*>(values);
    for (size_t i = 0; i < count * sizeof(int16_t); ++i) {
        h ^= bytes[i];
        h *= 1099511628211ull;
    }
    return h;
}

int32_t BlockId(int bx, int by) {
    const int tx = bx + 1;
    return 100 * (tx % 100) + 1000000 * (tx / 100) + 10000 * (by % 100) + 100000000 * (by / 100);
}

// A NUL-terminated text of the information record, converted for the terminal.
std::string RecordText(const std::vector<uint8_t>& record, size_t offset, size_t size) {
    const auto* begin = reinterpret_cast<const char*>(record.data() + offset);
    return EscapeForTerminal(Cp932ToUtf8(std::string(begin, strnlen(begin, size))));
}

void PrintRegistration(const hostsim::Host& host, const std::vector<uint8_t>& record) {
    std::printf("module:    %s\n", RecordText(record, 4, 80).c_str());
    std::printf("version:   %s\n", RecordText(record, 84, 30).c_str());
    std::printf("copyright: %s\n", RecordText(record, 114, 162).c_str());
    for (const hostsim::MapTypeEntry& t : host.Registry().MapTypes())
        std::printf("map type:  id %d, record of %d bytes\n", t.id, t.size);
    for (const hostsim::HookEntry& h : host.Registry().Hooks())
        std::printf("hook:      id %d, kind %d\n", h.id, h.kind);
    for (const hostsim::PopupEntry& p : host.Registry().Popups())
        std::printf("popup:     %d \"%s\" under menu %d\n", p.id, EscapeForTerminal(Cp932ToUtf8(p.text)).c_str(),
                    p.parent);
    for (const hostsim::MenuEntry& m : host.Registry().Menus())
        std::printf("menu:      %d \"%s\" %s %d\n", m.id, EscapeForTerminal(Cp932ToUtf8(m.text)).c_str(),
                    m.child ? "in popup" : "under menu", m.parentOrPopup);
    const size_t before = host.Desktop().MessageBoxes().size();
    const int32_t answer = About();
    for (size_t i = before; i < host.Desktop().MessageBoxes().size(); ++i)
        std::printf("About box: \"%s\" (answered %d)\n",
                    EscapeForTerminal(Cp932ToUtf8(host.Desktop().MessageBoxes()[i].text)).c_str(), answer);
}

// The module's message boxes since index first, as one line of UTF-8 with host paths.
std::string BoxesText(const hostsim::Host& host, size_t first, const Mounts& mounts) {
    std::string text;
    for (size_t i = first; i < host.Desktop().MessageBoxes().size(); ++i) {
        std::string box = mounts.ToHostPaths(Cp932ToUtf8(host.Desktop().MessageBoxes()[i].text));
        std::string line;
        for (char c : box) {
            if (c == '\n' || c == '\r') {
                if (!line.empty() && line.back() != ' ') line += line.back() == '.' ? " " : ": ";
            } else {
                line += c;
            }
        }
        while (!line.empty() && (line.back() == ' ' || line.back() == ':')) line.pop_back();
        text += (text.empty() ? "" : "; ") + line;
    }
    return text;
}

// Metres a degree of latitude and of longitude at a latitude (GRS80; Bessel differs by < 0.1 %).
double MetresPerDegreeLat(double lat) {
    const double p = lat * M_PI / 180;
    return 111132.954 - 559.822 * std::cos(2 * p) + 1.175 * std::cos(4 * p);
}
double MetresPerDegreeLon(double lat) {
    const double p = lat * M_PI / 180;
    return 111412.84 * std::cos(p) - 93.5 * std::cos(3 * p);
}

class Progress {
public:
    explicit Progress(bool show) : show_(show) {}
    void Phase(const char* what) {
        if (!show_) return;
        std::fprintf(stderr, "\r\033[K%s", what);
        std::fflush(stderr);
    }
    void Rows(const char* what, int done, int total) {
        if (!show_) return;
        const int width = 32, filled = total ? done * width / total : width;
        std::fprintf(stderr, "\r\033[K%s [%.*s%*s] %d/%d block rows", what, filled, "################################",
                     width - filled, "", done, total);
        std::fflush(stderr);
    }
    void Done() {
        if (show_) std::fprintf(stderr, "\r\033[K");
    }

private:
    bool show_;
};

// Output pixel i samples source cell floor((i + 1/2) * step): the cell under the pixel's centre.
std::vector<int> SampleIndex(int count, double step, int limit) {
    std::vector<int> at(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i)
        at[static_cast<size_t>(i)] = std::min(limit - 1, static_cast<int>((i + 0.5) * step));
    return at;
}

// The first output index whose source cell is at or after cell.
int FirstAt(const std::vector<int>& at, int cell) {
    return static_cast<int>(std::lower_bound(at.begin(), at.end(), cell) - at.begin());
}

int Run(int argc, char** argv) {
    InstallInterruptCleanup();
    Options o;
    if (const std::string bad = ParseOptions(argc, argv, o); !bad.empty()) {
        Fail(kExitUsage, bad);
        std::fprintf(stderr, "(tephrix-render --help lists the options)\n");
        return kExitUsage;
    }
    if (o.help) {
        PrintUsage(stdout);
        return kExitDone;
    }

    // Everything that can be checked before the long work is checked here.
    DatasetFiles files;
    if (!o.sheet.empty()) {
        if (const std::string why = UnreadableReason(o.sheet); !why.empty())
            return Fail(kExitData, o.sheet + ": " + why);
        files = LocateDataset(o.sheet);
        if (files.data.empty())
            return Fail(kExitData, o.sheet +
                                       ": no .LEM data file of this name in LEM/ or DATA/ beside a header folder, "
                                       "nor beside it");
        if (files.header.empty())
            return Fail(kExitData, o.sheet +
                                       ": no .CSV header of this name in HEADER/ or the old-header folder "
                                       "beside LEM/, nor beside the data file");
        for (const std::string& f : {files.data, files.header})
            if (const std::string why = UnreadableReason(f); !why.empty()) return Fail(kExitData, f + ": " + why);
        if (const std::string why = HeaderProblem(files.header); !why.empty())
            return Fail(kExitData, files.header + ": " + why);
        // The module's name test: the host offers it no file whose name begins with a digit.
        const std::string name = std::filesystem::path(files.data).filename().string();
        if (name[0] >= '0' && name[0] <= '9')
            return Fail(kExitData, files.data +
                                       ": the module takes no data file whose name begins with a digit "
                                       "(the survey's names begin with a letter); rename the .LEM and .CSV files");
    }
    if (o.source == Source::Dcm)
        if (const std::string why = UnreadableReason(o.dcm); !why.empty()) return Fail(kExitData, o.dcm + ": " + why);
    AtomicOutput output, sums;
    std::string error;
    if (!o.sheet.empty() && !output.Create(o.out, error)) return Fail(kExitData, error);
    if (!o.checksums.empty() && !sums.Create(o.checksums, error)) return Fail(kExitData, error);

    Mounts mounts;
    if (!mounts.Ready(error)) return Fail(kExitData, error);
    const std::string sheetPath = o.sheet.empty() ? std::string() : mounts.Mount(files.data);
    if (!o.sheet.empty() && sheetPath.empty())
        return Fail(kExitData, files.data + ": cannot be linked into the host's drives");

    hostsim::Reset();
    hostsim::Host& host = hostsim::Get();
    std::vector<uint8_t> infoRecord(280, 0);
    if (Create(infoRecord.data(), kPluginId) != 1 || Load() != 1) {
        const std::string said = BoxesText(host, 0, mounts);
        return Fail(kExitData, "the module refused to load" + (said.empty() ? "" : ": " + said));
    }
    // Every way out closes the map and releases the module, as the host does when it quits.
    struct Session {
        hostsim::Host& host;
        uint32_t handle = 0;
        ~Session() {
            if (handle) host.Maps().CloseMap(handle);
            Release();
        }
    } session{host};
    if (o.about) {
        PrintRegistration(host, infoRecord);
        if (o.sheet.empty()) return kExitDone;
    }
    // The composite is chosen here, not in the dialog at map open.
    host.Profiles().SetInt(kPluginId, "DCMView", 1);
    host.Profiles().SetInt(kPluginId, "Region", o.region);
    host.Profiles().SetInt(kPluginId, "LinkDCM", o.source == Source::None ? 0 : 1);
    host.Profiles().SetInt(kPluginId, "LinkType", o.source == Source::Dcm ? 1 : 0);
    if (o.source == Source::Dcm) {
        const std::string dcm = mounts.Mount(o.dcm);
        if (dcm.empty()) return Fail(kExitData, o.dcm + ": cannot be linked into the host's drives");
        host.Profiles().Set(kPluginId, "DCMFile", dcm);
    }
    if (o.source == Source::Guidebook) hostsim::InstallGuidebookTerrain(host);

    Progress progress(!o.quiet && isatty(STDERR_FILENO));
    progress.Phase("opening the sheet...");
    const size_t boxesBefore = host.Desktop().MessageBoxes().size();
    const double tOpen = Now();
    const uint32_t handle = host.Maps().OpenFile(sheetPath);
    session.handle = handle;
    const double openSeconds = Now() - tOpen;
    const hostsim::OpenMap* map = handle ? host.Maps().FindOpenMap(handle) : nullptr;
    const std::string said = BoxesText(host, boxesBefore, mounts);
    if (!map || map->described != 1) {
        progress.Done();
        if (!said.empty()) return Fail(kExitData, files.data + ": the module said: " + said);
        return Fail(kExitData,
                    files.header + reinterpret_cast<const char*>(u8": the module refused the header: it needs row "
                                                                 u8"records (レコード lines from line 28 on, at most "
                                                                 u8"1,000,000) and corners that enclose an area"));
    }
    const bool backgroundRefused = o.source != Source::None && !said.empty();
    if (backgroundRefused) {
        progress.Done();
        std::fprintf(stderr, "tephrix-render: %s: the 50 m background was refused, the map is drawn without it: %s\n",
                     o.allowNoBackground ? "warning" : "error", EscapeForTerminal(said).c_str());
    }

    // The ring of blocks around the LEM grid, which lies 320 * (Region div 2) cells in from
    // the whole map's western and southern edges.
    const tagMAPINFO& info = map->info;
    const int64_t marginCells = int64_t{kBlock} * (o.region / 2);
    const int64_t cols = int64_t{info.width} - int64_t{kBlock} * o.region;
    const int64_t rows = int64_t{info.height} - int64_t{kBlock} * o.region;
    if (cols <= 0 || rows <= 0 || !(info.cellsPerDegLat > 0) || !(info.cellsPerDegLon > 0))
        return Fail(kExitData, files.header + ": the module described a map without cells");
    const int64_t firstBx = marginCells / kBlock - o.ring, firstBy = marginCells / kBlock - o.ring;
    const int64_t nbx = (marginCells + cols - 1) / kBlock + o.ring - firstBx + 1;
    const int64_t nby = (marginCells + rows - 1) / kBlock + o.ring - firstBy + 1;
    if (nbx * nby > kMaxBlocks)
        return Fail(kExitData, files.header + ": " + std::to_string(cols) + " x " + std::to_string(rows) +
                                   " cells with a ring of " + std::to_string(o.ring) + " make " +
                                   std::to_string(nbx * nby) + " blocks; at most " + std::to_string(kMaxBlocks) +
                                   " are rendered");
    const int cellsX = static_cast<int>(nbx * kBlock), cellsY = static_cast<int>(nby * kBlock);

    // The drawn area's corners, and the ground size of its cells at its middle latitude.
    const double west = info.west + static_cast<double>(firstBx * kBlock) / info.cellsPerDegLon;
    const double south = info.south + static_cast<double>(firstBy * kBlock) / info.cellsPerDegLat;
    const double north = south + cellsY / info.cellsPerDegLat;
    const double middle = (south + north) / 2;
    const double cellMetresX = MetresPerDegreeLon(middle) / info.cellsPerDegLon;
    const double cellMetresY = MetresPerDegreeLat(middle) / info.cellsPerDegLat;
    // PNG pixels are square on the ground: a row steps as many cells as make the pixel's width.
    const double xStep = o.scale;
    const double yStep = o.format == Format::Png ? o.scale * cellMetresX / cellMetresY : o.scale;
    const int64_t outW = static_cast<int64_t>(cellsX / xStep), outH = static_cast<int64_t>(cellsY / yStep);
    if (outW < 1 || outH < 1 || outW > kMaxSide || outH > kMaxSide) {
        const int64_t side = std::max(cellsX / xStep, cellsY / yStep) > 0 ? std::max(outW, outH) : 0;
        const int fit = static_cast<int>(std::min<int64_t>(kMaxScale, o.scale * (side / kMaxSide + 1)));
        if (outW < 1 || outH < 1)
            return Fail(kExitUsage, "--scale " + std::to_string(o.scale) + " leaves no pixel of the " +
                                        std::to_string(cellsX) + " x " + std::to_string(cellsY) +
                                        " cells: use --scale 1 to " + std::to_string(std::min(cellsX, cellsY)));
        return Fail(kExitUsage, "--scale " + std::to_string(o.scale) + " makes " + std::to_string(outW) + " x " +
                                    std::to_string(outH) + " pixels, more than " + std::to_string(kMaxSide) +
                                    " a side: use --scale " + std::to_string(fit) + " or more");
    }
    const std::vector<int> colAt = SampleIndex(static_cast<int>(outW), xStep, cellsX);
    const std::vector<int> rowAt = SampleIndex(static_cast<int>(outH), yStep, cellsY);  // rows from the north
    const int bandRows = static_cast<int>(std::ceil(kBlock / yStep)) + 1;

    const int64_t writerMemory = o.format == Format::Png ? PngMapWriter::MemoryFor(static_cast<int>(outW))
                                                         : GeoTiffWriter::MemoryFor(static_cast<int>(outW));
    const int64_t needed = kBaseMemory + int64_t{bandRows} * outW * 2 + outW * 4 + outH * 4 + kBlock * kBlock * 2 +
                           writerMemory + (sums.Stream() ? nbx * nby * 8 : 0);
    const int64_t budget = o.maxMemoryMb ? o.maxMemoryMb << 20 : gen::cli::PhysicalMemory() / 4;
    if (needed > budget)
        return Fail(kExitUsage, "the render needs about " + std::to_string(needed >> 20) +
                                    " MB, more than --max-memory " + std::to_string(budget >> 20) + " MB (" +
                                    std::to_string(kMinMemoryMb) + " to " + std::to_string(kMaxMemoryMb) +
                                    "): raise it or use a larger --scale");

    std::vector<int16_t> block(olx::kBlockCells);
    std::vector<int16_t> band(static_cast<size_t>(bandRows) * static_cast<size_t>(outW));
    std::vector<uint64_t> checksums(sums.Stream() ? static_cast<size_t>(nbx * nby) : 0);
    double blockSeconds = 0;
    int blockFailures = 0;

    // One pass over the blocks, north to south; each block row's samples go to sink.
    auto pass = [&](const char* what, const auto& sink) -> bool {
        for (int64_t k = 0; k < nby; ++k) {
            const int64_t by = nby - 1 - k;  // block rows from the north
            const int py0 = FirstAt(rowAt, static_cast<int>(k * kBlock)),
                      py1 = FirstAt(rowAt, static_cast<int>((k + 1) * kBlock));
            for (int64_t bx = 0; bx < nbx; ++bx) {
                std::fill(block.begin(), block.end(), kNoValue);
                const int32_t id = BlockId(static_cast<int>(firstBx + bx), static_cast<int>(firstBy + by));
                const double t0 = Now();
                if (host.Maps().ReadBlock(handle, id, block.data()) != 1) ++blockFailures;
                blockSeconds += Now() - t0;
                if (!checksums.empty())
                    checksums[static_cast<size_t>(by * nbx + bx)] = Fnv1a(block.data(), block.size());
                const int px0 = FirstAt(colAt, static_cast<int>(bx * kBlock)),
                          px1 = FirstAt(colAt, static_cast<int>((bx + 1) * kBlock));
                for (int py = py0; py < py1; ++py) {
                    const int r = kBlock - 1 -
                                  (rowAt[static_cast<size_t>(py)] -
                                   static_cast<int>(k * kBlock));  // block rows run south to north
                    const int16_t* src = &block[static_cast<size_t>(r) * kBlock];
                    int16_t* dst = &band[static_cast<size_t>(py - py0) * static_cast<size_t>(outW)];
                    for (int px = px0; px < px1; ++px) dst[px] = src[colAt[static_cast<size_t>(px)] - bx * kBlock];
                }
            }
            if (!sink(band.data(), py1 - py0)) return false;
            progress.Rows(what, static_cast<int>(k + 1), static_cast<int>(nby));
        }
        return true;
    };

    int rangeMin = o.rangeMin, rangeMax = o.rangeMax;
    if (o.autoRange) {
        int lo = INT16_MAX, hi = INT16_MIN;
        const bool ok = pass("range  ", [&](const int16_t* rowsIn, int count) {
            for (size_t i = 0; i < static_cast<size_t>(count) * static_cast<size_t>(outW); ++i)
                if (rowsIn[i] != kNoValue) lo = std::min<int>(lo, rowsIn[i]), hi = std::max<int>(hi, rowsIn[i]);
            return true;
        });
        (void)ok;
        if (lo <= hi) rangeMin = lo, rangeMax = std::max(hi, lo + 1);
        std::fill(checksums.begin(), checksums.end(), 0);
    }

    const std::string title = Cp932ToUtf8(map->title);
    const double tEncode = Now(), blockSecondsBefore = blockSeconds;
    bool written = false;
    if (o.format == Format::Png) {
        MapFrame frame;
        frame.width = static_cast<int>(outW);
        frame.height = static_cast<int>(outH);
        frame.west = west;
        frame.north = north;
        frame.east = west + outW * xStep / info.cellsPerDegLon;
        frame.south = north - outH * yStep / info.cellsPerDegLat;
        frame.pixelMetres = cellMetresX * xStep;
        frame.title = title;
        const Datum datum = ReadDatum(files.header);
        frame.datum = datum.name + " datum (EPSG:" + std::to_string(datum.epsg) + ")";
        frame.note = o.source == Source::None || backgroundRefused ? "no 50 m background"
                     : o.source == Source::Dcm                     ? "50 m background: DCM file"
                                                                   : "50 m background: guidebook set";
        frame.rangeMin = rangeMin;
        frame.rangeMax = rangeMax;
        frame.stretched = o.autoRange;
        PngMapWriter writer;
        written = writer.Begin(output.Stream(), frame, error) &&
                  pass("drawing",
                       [&](const int16_t* rowsIn, int count) {
                           for (int i = 0; i < count; ++i)
                               if (!writer.PutRow(rowsIn + static_cast<size_t>(i) * static_cast<size_t>(outW), error))
                                   return false;
                           return true;
                       }) &&
                  writer.Finish(error);
    } else {
        GeoFrame frame;
        frame.width = static_cast<int>(outW);
        frame.height = static_cast<int>(outH);
        frame.west = west;
        frame.north = north;
        frame.pixelLon = xStep / info.cellsPerDegLon;
        frame.pixelLat = yStep / info.cellsPerDegLat;
        frame.epsg = ReadDatum(files.header).epsg;
        frame.title = title;
        GeoTiffWriter writer;
        written = output.CloseStream(error) && writer.Create(output.TempPath(), frame, error) &&
                  pass("writing", [&](const int16_t* rowsIn, int count) {
                      return writer.PutRows(const_cast<int16_t*>(rowsIn), count, error);
                  });
        progress.Phase("finishing the GeoTIFF...");
        written = written && writer.Close(error);
    }
    progress.Done();
    if (!written) return Fail(kExitData, o.out + ": " + error);
    // Encoding: everything of the drawing pass but the blocks (sampling, colours, compression).
    const double encodeSeconds = std::max(0.0, Now() - tEncode - (blockSeconds - blockSecondsBefore));
    if (sums.Stream()) {
        for (int64_t by = 0; by < nby; ++by)
            for (int64_t bx = 0; bx < nbx; ++bx)
                std::fprintf(sums.Stream(), "%d %016llx\n",
                             BlockId(static_cast<int>(firstBx + bx), static_cast<int>(firstBy + by)),
                             static_cast<unsigned long long>(checksums[static_cast<size_t>(by * nbx + bx)]));
        if (!sums.Commit(error)) return Fail(kExitData, error);
    }
    if (!output.Commit(error)) return Fail(kExitData, error);
    if (blockFailures)
        std::fprintf(stderr, "tephrix-render: warning: %d blocks could not be read (drawn as no data)\n",
                     blockFailures);
    std::printf(
        "%s: %s, %lld x %lld blocks (%d x %d cells) -> %lld x %lld pixels; open %.2f s, blocks read and "
        "composited %.2f s (%.3f ms each), encode %.2f s\n",
        EscapeForTerminal(o.out).c_str(), EscapeForTerminal(title).c_str(), static_cast<long long>(nbx),
        static_cast<long long>(nby), cellsX, cellsY, static_cast<long long>(outW), static_cast<long long>(outH),
        openSeconds, blockSeconds, blockSeconds * 1000.0 / static_cast<double>(nbx * nby * (o.autoRange ? 2 : 1)),
        encodeSeconds);
    return backgroundRefused && !o.allowNoBackground ? kExitNoBackground : kExitDone;
}

}  // namespace
}  // namespace render

int main(int argc, char** argv) {
    try {
        return render::Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "tephrix-render: error: out of memory\n");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tephrix-render: error: %s\n", render::EscapeForTerminal(e.what()).c_str());
    }
    return render::kExitData;
}
