#include "tools/render/options.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/gen/cli.h"
#include "tools/render/text_utf8.h"

namespace render {
namespace {

using gen::cli::ParseWhole;

std::string Quote(const char* text) {
    return "'" + EscapeForTerminal(text) + "'";
}

}  // namespace

void PrintUsage(FILE* to) {
    std::fprintf(to,
                 "usage: tephrix-render [options] SHEET\n"
                 "\n"
                 "Opens a 5 m volcano elevation sheet through the module exactly as the host does and\n"
                 "renders the sheet with a ring of 50 m margin blocks. SHEET is the .LEM data file or\n"
                 "its .CSV header (in HEADER/ or the old-header folder beside LEM/ or DATA/, or beside\n"
                 "the data file).\n"
                 "\n"
                 "options:\n"
                 "  --out FILE             file to write (default out/render.png, or .tif with gtiff);\n"
                 "                         written under a temporary name and renamed when complete\n"
                 "  --format png|gtiff     png: a shaded relief map with legend, title, scale bar,\n"
                 "                         north arrow and corner coordinates (default);\n"
                 "                         gtiff: the heights as a tiled, compressed int16 GeoTIFF in\n"
                 "                         the sheet's datum, no data -9999\n"
                 "  --composite none       no 50 m background (default)\n"
                 "  --composite dcm FILE   50 m background from a DCM elevation file\n"
                 "  --composite guidebook  50 m background from the host's guidebook set (the stand-in\n"
                 "                         serves a synthetic 50 m landscape)\n"
                 "  --allow-no-background  exit 0, not 3, when the module refuses the 50 m source\n"
                 "  --ring N               margin blocks of 320 cells around the sheet, 0 to %d\n"
                 "                         (default 1)\n"
                 "  --region R             the \"Region\" setting: margin of the whole map in blocks,\n"
                 "                         0 to %d, at least 2 x ring (default 256)\n"
                 "  --scale N              one output pixel per N cells, 1 to %d (default 1);\n"
                 "                         the cells are sampled while the blocks are read\n"
                 "  --range MIN MAX        heights the colour ramp spans, whole metres from %d to %d\n"
                 "                         (default 0 3800: sea level to the highest volcano)\n"
                 "  --auto-range           stretch the ramp over the heights drawn (reads twice)\n"
                 "  --max-memory MB        refuse a render that would need more, %lld to %lld\n"
                 "                         (default a quarter of physical memory)\n"
                 "  --quiet                no progress (progress shows only on a terminal)\n"
                 "  --about                print what the module registered with the host and its\n"
                 "                         About text; SHEET may then be left out\n"
                 "  --checksums FILE       also write \"<block id> <FNV-1a 64 of the block's bytes>\" lines\n"
                 "  --help                 this text\n"
                 "\n"
                 "exit status: 0 done; 1 data or I/O error; 2 usage error; 3 the map was drawn but\n"
                 "the requested 50 m background was refused (0 with --allow-no-background)\n",
                 kMaxRing, kMaxRegion, kMaxScale, kMinHeight, kMaxHeight, static_cast<long long>(kMinMemoryMb),
                 static_cast<long long>(kMaxMemoryMb));
}

std::string ParseOptions(int argc, char** argv, Options& o) {
    bool regionGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&](const char*& v) {
            v = i + 1 < argc ? argv[++i] : nullptr;
            return v != nullptr;
        };
        auto number = [&](const char* name, int64_t lo, int64_t hi, int64_t& out) -> std::string {
            const char* v = nullptr;
            if (!value(v))
                return std::string(name) + " needs a whole number from " + std::to_string(lo) + " to " +
                       std::to_string(hi);
            if (!ParseWhole(v, lo, hi, out))
                return std::string(name) + ": " + Quote(v) + " is not a whole number from " + std::to_string(lo) +
                       " to " + std::to_string(hi);
            return {};
        };
        const char* v = nullptr;
        int64_t n = 0;
        std::string bad;
        if (a == "--help" || a == "-h") {
            o.help = true;
            return {};
        } else if (a == "--out") {
            if (!value(v) || !*v) return "--out needs a file name";
            o.out = v;
        } else if (a == "--format") {
            if (!value(v)) return "--format needs png or gtiff";
            const std::string f = v;
            if (f == "png")
                o.format = Format::Png;
            else if (f == "gtiff" || f == "geotiff")
                o.format = Format::GeoTiff;
            else
                return "--format: " + Quote(v) + " is not one of png, gtiff";
        } else if (a == "--composite") {
            if (!value(v)) return "--composite needs none, dcm FILE or guidebook";
            const std::string kind = v;
            if (kind == "none") {
                o.source = Source::None;
            } else if (kind == "guidebook") {
                o.source = Source::Guidebook;
            } else if (kind == "dcm") {
                if (!value(v) || !*v) return "--composite dcm needs the DCM file";
                o.source = Source::Dcm;
                o.dcm = v;
            } else {
                return "--composite: " + Quote(v) + " is not one of none, dcm FILE, guidebook";
            }
        } else if (a == "--allow-no-background") {
            o.allowNoBackground = true;
        } else if (a == "--ring") {
            if (!(bad = number("--ring", 0, kMaxRing, n)).empty()) return bad;
            o.ring = static_cast<int>(n);
        } else if (a == "--region") {
            if (!(bad = number("--region", 0, kMaxRegion, n)).empty()) return bad;
            o.region = static_cast<int>(n);
            regionGiven = true;
        } else if (a == "--scale") {
            if (!(bad = number("--scale", 1, kMaxScale, n)).empty()) return bad;
            o.scale = static_cast<int>(n);
        } else if (a == "--range") {
            int64_t lo = 0, hi = 0;
            if (!(bad = number("--range MIN", kMinHeight, kMaxHeight, lo)).empty()) return bad;
            if (!(bad = number("--range MAX", kMinHeight, kMaxHeight, hi)).empty()) return bad;
            if (hi <= lo)
                return "--range: MAX (" + std::to_string(hi) + ") must be above MIN (" + std::to_string(lo) + ")";
            o.rangeMin = static_cast<int>(lo);
            o.rangeMax = static_cast<int>(hi);
            o.rangeGiven = true;
        } else if (a == "--auto-range") {
            o.autoRange = true;
        } else if (a == "--max-memory") {
            if (!(bad = number("--max-memory", kMinMemoryMb, kMaxMemoryMb, n)).empty()) return bad;
            o.maxMemoryMb = n;
        } else if (a == "--checksums") {
            if (!value(v) || !*v) return "--checksums needs a file name";
            o.checksums = v;
        } else if (a == "--quiet") {
            o.quiet = true;
        } else if (a == "--about") {
            o.about = true;
        } else if (a.size() > 1 && a[0] == '-') {
            return "unknown option " + Quote(a.c_str());
        } else if (o.sheet.empty()) {
            if (a.empty()) return "SHEET is an empty name";
            o.sheet = a;
        } else {
            return "one SHEET only; " + Quote(a.c_str()) + " is a second";
        }
    }
    if (o.sheet.empty() && !o.about) return "SHEET is missing: give the .LEM file";
    if (o.autoRange && o.rangeGiven) return "--range and --auto-range exclude each other";
    if (o.ring > o.region / 2)
        return "--ring " + std::to_string(o.ring) + " does not fit in --region " + std::to_string(o.region) +
               (regionGiven ? "" : " (the default)") + ": the ring may be at most region / 2";
    if (o.out.empty()) o.out = o.format == Format::GeoTiff ? "out/render.tif" : "out/render.png";
    return {};
}

}  // namespace render
