// tephrix-gen-dcm: writes a DCM file of the synthetic landscape.
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "tools/gen/cli.h"
#include "tools/gen/dcm_writer.h"
#include "tools/gen/terrain.h"

namespace {

using namespace gen::cli;

constexpr int64_t kMaxCellsPerDegree = 36000;  // the finest grid the module reads
constexpr size_t kMaxDatumName = 179;          // the header's room for it, with its NUL

std::string g_created;  // a file this run made, removed when the run fails

void Usage(FILE* to) {
    std::fprintf(to,
                 "usage: tephrix-gen-dcm [--out] FILE [options]\n"
                 "Writes a DCM elevation file (\"BEVM\") of the synthetic 50 m landscape around the\n"
                 "generator's volcano, in whole 320 x 320 tiles.\n"
                 "\n"
                 "  --out FILE                 the file to write (or FILE as the first argument)\n"
                 "  --box SOUTH WEST NORTH EAST  area to cover in decimal degrees, latitudes -90 to 90,\n"
                 "                             longitudes -180 to 180 (default half a degree around\n"
                 "                             the volcano: %.4f %.4f %.4f %.4f)\n"
                 "  --cells LAT LON            cells per degree, 1 to %lld each (default 2400 1800,\n"
                 "                             about 46 m)\n"
                 "  --datum NAME               short datum name written with the DATM tag (printable\n"
                 "                             ASCII, at most %zu bytes; default none: the host's datum 1)\n"
                 "  --help                     this text\n"
                 "\n"
                 "The file holds at most %lld tiles (its offsets are 32-bit).\n"
                 "exit status: 0 written; 1 I/O error; 2 usage error\n",
                 gen::kSummitLat - 0.25, gen::kSummitLon - 0.25, gen::kSummitLat + 0.25, gen::kSummitLon + 0.25,
                 static_cast<long long>(kMaxCellsPerDegree), kMaxDatumName,
                 static_cast<long long>((INT32_MAX - gen::dcm::kHeaderSize) /
                                        (gen::dcm::kIndexEntrySize + gen::dcm::kTileBytes)));
}

int Fail(int status, const std::string& reason) {
    std::fprintf(stderr, "tephrix-gen-dcm: error: %s\n", Printable(reason).c_str());
    if (status == kExitUsage) std::fprintf(stderr, "(tephrix-gen-dcm --help lists the options)\n");
    return status;
}

int Run(int argc, char** argv) {
    std::string out;
    double box[4] = {gen::kSummitLat - 0.25, gen::kSummitLon - 0.25, gen::kSummitLat + 0.25, gen::kSummitLon + 0.25};
    int64_t cells[2] = {2400, 1800};
    std::string datum;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (a == "--help" || a == "-h") {
            Usage(stdout);
            return kExitDone;
        } else if (a == "--out") {
            const char* v = value();
            if (!v || !*v) return Fail(kExitUsage, "--out needs a file name");
            out = v;
        } else if (a == "--box") {
            static const char* const names[] = {"SOUTH", "WEST", "NORTH", "EAST"};
            for (int k = 0; k < 4; ++k) {
                const double limit = k % 2 ? 180 : 90;
                const char* v = value();
                if (!ParseReal(v, -limit, limit, box[k]))
                    return Fail(kExitUsage, std::string("--box ") + names[k] + ": " +
                                                (v ? "'" + std::string(v) + "'" : "nothing") +
                                                " is not a number from " + std::to_string(static_cast<int>(-limit)) +
                                                " to " + std::to_string(static_cast<int>(limit)));
            }
        } else if (a == "--cells") {
            for (int k = 0; k < 2; ++k) {
                const char* v = value();
                if (!ParseWhole(v, 1, kMaxCellsPerDegree, cells[k]))
                    return Fail(kExitUsage, std::string("--cells ") + (k ? "LON" : "LAT") + ": " +
                                                (v ? "'" + std::string(v) + "'" : "nothing") +
                                                " is not a whole number from 1 to " +
                                                std::to_string(kMaxCellsPerDegree));
            }
        } else if (a == "--datum") {
            const char* v = value();
            if (!v || !*v) return Fail(kExitUsage, "--datum needs a name");
            datum = v;
            if (datum.size() > kMaxDatumName)
                return Fail(kExitUsage, "--datum: at most " + std::to_string(kMaxDatumName) + " bytes");
            for (char c : datum)
                if (c < 0x21 || c > 0x7E) return Fail(kExitUsage, "--datum: printable ASCII only");
        } else if (a.size() > 1 && a[0] == '-') {
            return Fail(kExitUsage, "unknown option '" + a + "'");
        } else if (out.empty() && !a.empty()) {
            out = a;
        } else {
            return Fail(kExitUsage, "one output file only; '" + a + "' is a second");
        }
    }
    if (out.empty()) return Fail(kExitUsage, "the output file is missing: give --out FILE");
    if (box[2] <= box[0]) return Fail(kExitUsage, "--box: NORTH must lie north of SOUTH");
    if (box[3] <= box[1]) return Fail(kExitUsage, "--box: EAST must lie east of WEST");

    const gen::DcmLayout layout = gen::LayoutForBox(box[0], box[1], box[2], box[3], static_cast<int32_t>(cells[0]),
                                                    static_cast<int32_t>(cells[1]), datum);
    const int64_t tiles = (int64_t{layout.rows} / 320) * (int64_t{layout.cols} / 320);
    const int64_t bytes = gen::dcm::kHeaderSize + tiles * (gen::dcm::kIndexEntrySize + gen::dcm::kTileBytes);
    if (bytes > INT32_MAX)
        return Fail(kExitUsage, "--box and --cells make " + std::to_string(tiles) + " tiles (" +
                                    std::to_string(bytes >> 20) + " MB); a DCM file's 32-bit offsets reach " +
                                    std::to_string(INT32_MAX >> 20) + " MB: use a smaller box or fewer cells");
    if (bytes > PhysicalMemory() / 2)
        return Fail(kExitIo, "the file is built in memory and needs " + std::to_string(bytes >> 20) +
                                 " MB, more than half of this "
                                 "machine's memory");
    // Checked before the tiles are computed: the target must be a file the folder takes.
    struct stat st {};
    const bool existed = ::stat(out.c_str(), &st) == 0;
    if (existed && !S_ISREG(st.st_mode)) return Fail(kExitIo, out + ": not a regular file");
    if (FILE* probe = std::fopen(out.c_str(), "ab")) {
        std::fclose(probe);
    } else {
        return Fail(kExitIo, out + ": " + std::strerror(errno));
    }
    if (!existed) g_created = out;
    const gen::DcmFile file = gen::BuildDcm(layout);
    errno = 0;
    if (!gen::WriteDcmFile(out, file)) {
        const int saved = errno;
        ::unlink(out.c_str());
        g_created.clear();
        return Fail(kExitIo, out + ": " + (saved ? std::strerror(saved) : "write failed"));
    }
    g_created.clear();
    std::printf("%s: %zu tiles, %d x %d cells, origin %d\" %d\"\n", Printable(out).c_str(), file.tileIds.size(),
                layout.rows, layout.cols, layout.originLatSeconds, layout.originLonSeconds);
    return kExitDone;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        Fail(kExitIo, "out of memory");
    } catch (const std::exception& e) {
        Fail(kExitIo, e.what());
    }
    if (!g_created.empty()) ::unlink(g_created.c_str());
    return kExitIo;
}
