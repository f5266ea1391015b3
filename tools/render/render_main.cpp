// tephrix-render: loads the module into the host stand-in, opens a LEM sheet through the host
// protocol exactly as the host would (2003, 2004, 2011, 2012 ..., 2021) and writes a PNG of the
// sheet and a ring of margin blocks around it.
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "hostsim/guidebook_terrain.h"
#include "hostsim/host.h"
#include "platform/path_root.h"
#include "plugin/entry.h"
#include "tools/render/mount.h"
#include "tools/render/picture.h"
#include "tools/render/text_utf8.h"

namespace {

constexpr uint32_t kPluginId = 0x7E9A;
constexpr int16_t kNoValue = INT16_MIN;  // what the renderer's buffers hold before a block is read

struct Options {
    std::string sheet;
    std::string out = "out/render.png";
    enum class Source { None, Dcm, Guidebook } source = Source::None;
    std::string dcm;
    int ring = 1;
    int region = 256;
    int scale = 1;
    bool quiet = false;
    bool about = false;
    std::string checksums;
};

void Usage(FILE* to) {
    std::fprintf(to,
                 "usage: tephrix-render [options] SHEET\n"
                 "\n"
                 "Opens a 5 m volcano elevation sheet (any file of the dataset: the .LEM data file,\n"
                 "the .CSV header, in the LEM\\ + HEADER\\ layout or as a flat pair) through the\n"
                 "module exactly as the host does, and renders the sheet with a ring of 50 m margin\n"
                 "blocks to a PNG: hypsometric colours, hill shading, no data in magenta, a colour\n"
                 "scale in metres, and the map title as PNG text.\n"
                 "\n"
                 "options:\n"
                 "  --out FILE             PNG to write (default out/render.png)\n"
                 "  --composite none       no 50 m background (default)\n"
                 "  --composite dcm FILE   50 m background from a DCM elevation file\n"
                 "  --composite guidebook  50 m background from the host's guidebook set (the stand-in\n"
                 "                         serves a synthetic 50 m landscape)\n"
                 "  --ring N               margin blocks of 320 cells around the sheet (default 1)\n"
                 "  --region R             the \"Region\" setting: margin of the whole map in blocks\n"
                 "                         (default 256)\n"
                 "  --scale N              write every Nth cell (default 1)\n"
                 "  --quiet                no progress bar\n"
                 "  --about                print what the module registered with the host and its\n"
                 "                         About text; SHEET may then be left out\n"
                 "  --checksums FILE       also write \"<block id> <FNV-1a 64 of the block's bytes>\" lines\n"
                 "                         (the Wine suite compares its blocks with them)\n"
                 "  --help                 this text\n");
}

bool ParseInt(const char* text, int lo, int hi, int& out) {
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (!*text || *end || v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

int ParseArgs(int argc, char** argv, Options& o) {
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        auto next = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--help" || a == "-h") {
            Usage(stdout);
            return 0;
        } else if (a == "--out") {
            const char* v = next();
            if (!v) return 2;
            o.out = v;
        } else if (a == "--composite") {
            const char* v = next();
            if (!v) return 2;
            std::string kind = v;
            if (kind == "none") {
                o.source = Options::Source::None;
            } else if (kind == "guidebook") {
                o.source = Options::Source::Guidebook;
            } else if (kind == "dcm") {
                const char* file = next();
                if (!file) return 2;
                o.source = Options::Source::Dcm;
                o.dcm = file;
            } else {
                return 2;
            }
        } else if (a == "--ring") {
            const char* v = next();
            if (!v || !ParseInt(v, 0, 64, o.ring)) return 2;
        } else if (a == "--region") {
            const char* v = next();
            if (!v || !ParseInt(v, 0, 4096, o.region)) return 2;
        } else if (a == "--scale") {
            const char* v = next();
            if (!v || !ParseInt(v, 1, 64, o.scale)) return 2;
        } else if (a == "--checksums") {
            const char* v = next();
            if (!v) return 2;
            o.checksums = v;
        } else if (a == "--quiet") {
            o.quiet = true;
        } else if (a == "--about") {
            o.about = true;
        } else if (!a.empty() && a[0] == '-') {
            return 2;
        } else if (o.sheet.empty()) {
            o.sheet = a;
        } else {
            return 2;
        }
    }
    if (o.sheet.empty()) return o.about ? -1 : 2;
    return -1;
}

double MonotonicSeconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + ts.tv_nsec * 1e-9;
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

void Progress(bool show, int done, int total) {
    if (!show) return;
    const int width = 40;
    int filled = total ? done * width / total : width;
    std::fprintf(stderr, "\r[%.*s%*s] %d/%d blocks", filled, "########################################",
                 width - filled, "", done, total);
    if (done == total) std::fputc('\n', stderr);
    std::fflush(stderr);
}

// A NUL-terminated text of the information record, converted for the terminal.
std::string RecordText(const std::vector<uint8_t>& record, size_t offset, size_t size) {
    const auto* begin = reinterpret_cast<const char*>(record.data() + offset);
    return render::Cp932ToUtf8(std::string(begin, strnlen(begin, size)));
}

// What the module told the host at Create and Load, and its About box.
void PrintRegistration(const hostsim::Host& host, const std::vector<uint8_t>& record) {
    std::printf("module:    %s\n", RecordText(record, 4, 80).c_str());
    std::printf("version:   %s\n", RecordText(record, 84, 30).c_str());
    std::printf("copyright: %s\n", RecordText(record, 114, 162).c_str());
    for (const hostsim::MapTypeEntry& t : host.MapTypes()) std::printf("map type:  id %d, record of %d bytes\n", t.id, t.size);
    for (const hostsim::HookEntry& h : host.Hooks()) std::printf("hook:      id %d, kind %d\n", h.id, h.kind);
    for (const hostsim::PopupEntry& p : host.Popups())
        std::printf("popup:     %d \"%s\" under menu %d\n", p.id, render::Cp932ToUtf8(p.text).c_str(), p.parent);
    for (const hostsim::MenuEntry& m : host.Menus())
        std::printf("menu:      %d \"%s\" %s %d\n", m.id, render::Cp932ToUtf8(m.text).c_str(),
                    m.child ? "in popup" : "under menu", m.parentOrPopup);
    const size_t before = host.MessageBoxes().size();
    const int32_t answer = About();
    for (size_t i = before; i < host.MessageBoxes().size(); ++i)
        std::printf("About box: \"%s\" (answered %d)\n", render::Cp932ToUtf8(host.MessageBoxes()[i].text).c_str(), answer);
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    int parsed = ParseArgs(argc, argv, o);
    if (parsed >= 0) {
        if (parsed == 2) Usage(stderr);
        return parsed;
    }

    render::Mounts mounts;
    const std::string sheetPath = o.sheet.empty() ? std::string() : mounts.Mount(o.sheet);
    if (!o.sheet.empty() && sheetPath.empty()) {
        std::fprintf(stderr, "tephrix-render: %s: no such file\n", o.sheet.c_str());
        return 1;
    }

    hostsim::Reset();
    hostsim::Host& host = hostsim::Get();
    std::vector<uint8_t> infoRecord(280, 0);
    if (Create(infoRecord.data(), kPluginId) != 1 || Load() != 1) {
        std::fprintf(stderr, "tephrix-render: the module refused to load\n");
        return 1;
    }
    if (o.about) {
        PrintRegistration(host, infoRecord);
        if (o.sheet.empty()) return 0;
    }
    // The composite is chosen here, not in the dialog at map open.
    host.SetProfileInt(kPluginId, "DCMView", 1);
    host.SetProfileInt(kPluginId, "Region", o.region);
    host.SetProfileInt(kPluginId, "LinkDCM", o.source == Options::Source::None ? 0 : 1);
    host.SetProfileInt(kPluginId, "LinkType", o.source == Options::Source::Dcm ? 1 : 0);
    if (o.source == Options::Source::Dcm) {
        std::string dcm = mounts.Mount(o.dcm);
        if (dcm.empty()) {
            std::fprintf(stderr, "tephrix-render: %s: no such file\n", o.dcm.c_str());
            return 1;
        }
        host.SetProfile(kPluginId, "DCMFile", dcm);
    }
    if (o.source == Options::Source::Guidebook) hostsim::InstallGuidebookTerrain(host);

    uint32_t handle = host.OpenFile(sheetPath);
    const hostsim::OpenMap* map = handle ? host.FindOpenMap(handle) : nullptr;
    if (!map || map->described != 1) {
        std::fprintf(stderr, "tephrix-render: %s is not a 5 m volcano elevation dataset (no .LEM data file with its "
                             ".CSV header beside it or in HEADER\\)\n",
                     o.sheet.c_str());
        return 1;
    }
    for (const auto& box : host.MessageBoxes()) {
        std::fprintf(stderr, "tephrix-render: the module said: %s\n", render::Cp932ToUtf8(box.text).c_str());
    }

    // The LEM grid lies 320 * (Region div 2) cells in from the whole map's western and southern
    // edges; its size follows from the whole map's size.
    const int marginCells = 320 * (o.region / 2);
    const int cols = map->info.width - 320 * o.region;
    const int rows = map->info.height - 320 * o.region;
    const int firstBx = marginCells / 320 - o.ring;
    const int firstBy = marginCells / 320 - o.ring;
    const int lastBx = (marginCells + cols - 1) / 320 + o.ring;
    const int lastBy = (marginCells + rows - 1) / 320 + o.ring;
    const int nbx = lastBx - firstBx + 1;
    const int nby = lastBy - firstBy + 1;
    if (cols <= 0 || rows <= 0 || firstBx < 0 || firstBy < 0) {
        std::fprintf(stderr, "tephrix-render: the ring does not fit inside the whole map (use a larger --region)\n");
        return 1;
    }

    render::Grid grid(nbx * 320, nby * 320, kNoValue);
    std::vector<int16_t> block(olx::kBlockCells);
    const bool showProgress = !o.quiet && isatty(STDERR_FILENO);
    const int total = nbx * nby;
    int done = 0;
    std::unique_ptr<FILE, int (*)(FILE*)> sums(nullptr, &std::fclose);
    if (!o.checksums.empty()) {
        sums.reset(std::fopen(o.checksums.c_str(), "w"));
        if (!sums) {
            std::fprintf(stderr, "tephrix-render: cannot write %s\n", o.checksums.c_str());
            return 1;
        }
    }
    const double t0 = MonotonicSeconds();
    for (int by = 0; by < nby; ++by) {
        for (int bx = 0; bx < nbx; ++bx) {
            std::fill(block.begin(), block.end(), kNoValue);
            const int32_t id = BlockId(firstBx + bx, firstBy + by);
            host.ReadBlock(handle, id, block.data());
            if (sums) std::fprintf(sums.get(), "%d %016llx\n", id, static_cast<unsigned long long>(Fnv1a(block.data(), block.size())));
            grid.PutBlock(bx * 320, by * 320, block.data());
            Progress(showProgress, ++done, total);
        }
    }
    const double seconds = MonotonicSeconds() - t0;
    host.CloseMap(handle);
    Release();

    render::PictureInfo info;
    info.title = render::Cp932ToUtf8(map->title);
    info.cellMetresX = 1.0 / map->info.cellsPerDegLon * 111320.0 * std::cos(map->info.south * 3.14159265358979 / 180);
    info.cellMetresY = 1.0 / map->info.cellsPerDegLat * 110940.0;
    info.noValue = kNoValue;
    info.scale = o.scale;
    std::filesystem::path out(o.out);
    if (out.has_parent_path()) std::filesystem::create_directories(out.parent_path());
    std::string error;
    if (!render::WritePicture(grid, info, o.out, error)) {
        std::fprintf(stderr, "tephrix-render: %s\n", error.c_str());
        return 1;
    }
    std::printf("%s: %s, %d x %d blocks (%d x %d cells), %.3f ms per block\n", o.out.c_str(), info.title.c_str(), nbx,
                nby, grid.Width(), grid.Height(), seconds * 1000.0 / total);
    return 0;
}
