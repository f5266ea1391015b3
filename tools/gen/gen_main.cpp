// tephrix-gen: writes a synthetic LEM sheet (data file and CSV header in code page 932).
#include <iconv.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>
#include <vector>

#include "tools/gen/cli.h"
#include "tools/gen/lem_sheet.h"

namespace {

using namespace gen::cli;

constexpr int kMaxSide = 100000;
// The largest sheet it writes: 34,500 x 23,000 cells (4 GB of text). Everything is built in
// memory, about 10 bytes a cell.
constexpr int64_t kMaxCells = 800000000;
constexpr int64_t kBytesPerCell = 10;

// UTF-8 for the terminal, whatever the execution character set of narrow literals.
const char8_t kUsage[] =
    u8"usage: tephrix-gen --out DIR [options]\n"
    u8"Writes a synthetic 5 m volcano sheet: a .LEM data file and its .CSV header (code page 932).\n"
    u8"\n"
    u8"  --out DIR            folder that receives the dataset (created as needed)\n"
    u8"  --name NAME          base name of both files (default SAMPLE; no / or \\)\n"
    u8"  --cols N --rows N    grid size, 1 to 100000 each and at most 800,000,000 cells\n"
    u8"                       (default 2250 x 1500)\n"
    u8"  --south D:M:S        southern edge latitude (default 35:19:15)\n"
    u8"  --north D:M:S        northern edge latitude (default 35:24:15)\n"
    u8"  --west D:M:S         western edge longitude (default 138:39:54)\n"
    u8"  --east D:M:S         eastern edge longitude (default 138:47:24)\n"
    u8"                       degrees -90 to 90 (latitudes) or -180 to 180, minutes and\n"
    u8"                       seconds 0 to 59\n"
    u8"  --title TEXT         sheet title, UTF-8 (written in code page 932)\n"
    u8"  --lf                 LF line ends (default CR LF)\n"
    u8"  --no-final-eol       no line end after the last line\n"
    u8"  --absent LIST        rows without a data line, e.g. 3,10-12 (row 0 is the northernmost)\n"
    u8"  --layout KIND        lem   : LEM\\ and HEADER\\ subfolders (default)\n"
    u8"                       data  : DATA\\ and 旧ヘッダ\\ subfolders\n"
    u8"                       flat  : both files side by side in DIR\n"
    u8"  --no-lake            no disc of -9999 cells\n"
    u8"  --no-outside         no corner of -1111 cells\n"
    u8"  --truth FILE         also write the values (tenths of a metre) as raw little-endian int32,\n"
    u8"                       row-major, northernmost row first\n"
    u8"  --help               this text\n"
    u8"\n"
    u8"exit status: 0 written; 1 I/O error; 2 usage error\n";

bool ParseDms(const char* text, int maxDeg, gen::Dms* out) {
    const std::string t = text;
    const size_t a = t.find(':'), b = a == std::string::npos ? a : t.find(':', a + 1);
    if (b == std::string::npos) return false;
    int64_t d = 0, m = 0, s = 0;
    if (!ParseWhole(t.substr(0, a).c_str(), -maxDeg, maxDeg, d) ||
        !ParseWhole(t.substr(a + 1, b - a - 1).c_str(), 0, 59, m) || !ParseWhole(t.substr(b + 1).c_str(), 0, 59, s))
        return false;
    *out = {static_cast<int>(d), static_cast<int>(m), static_cast<int>(s)};
    return true;
}

bool ParseRows(const char* text, int limit, std::vector<int>* rows) {
    std::string list = text;
    size_t start = 0;
    while (true) {
        const size_t comma = list.find(',', start);
        const std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const size_t dash = item.find('-', 1);
        int64_t a = 0, b = 0;
        if (dash != std::string::npos) {
            if (!ParseWhole(item.substr(0, dash).c_str(), 0, limit - 1, a) ||
                !ParseWhole(item.substr(dash + 1).c_str(), a, limit - 1, b))
                return false;
        } else {
            if (!ParseWhole(item.c_str(), 0, limit - 1, a)) return false;
            b = a;
        }
        for (int64_t r = a; r <= b; ++r) rows->push_back(static_cast<int>(r));
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    return true;
}

bool ToCp932(const std::string& utf8, std::string* out) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) return false;
    std::string in = utf8;
    std::string buffer(in.size() * 2 + 4, '\0');
    char* src = in.data();
    size_t srcLeft = in.size();
    char* dst = buffer.data();
    size_t dstLeft = buffer.size();
    size_t rc = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
    iconv_close(cd);
    if (rc == static_cast<size_t>(-1)) return false;
    out->assign(buffer.data(), buffer.size() - dstLeft);
    return true;
}

int Fail(int status, const std::string& reason) {
    std::fprintf(stderr, "tephrix-gen: error: %s\n", Printable(reason).c_str());
    if (status == kExitUsage) std::fprintf(stderr, "(tephrix-gen --help lists the options)\n");
    return status;
}

std::string Quoted(const char* v) {
    return "'" + std::string(v) + "'";
}

// A folder that exists (or was made) and takes new files; empty, or why not.
std::string FolderProblem(const std::string& dir) {
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);
    if (ec) return ec.message();
    struct stat st {};
    if (::stat(dir.c_str(), &st) != 0) return std::strerror(errno);
    if (!S_ISDIR(st.st_mode)) return "not a folder";
    if (::access(dir.c_str(), W_OK) != 0) return std::strerror(errno);
    return {};
}

int Run(int argc, char** argv) {
    gen::LemSheetOptions options;
    std::string out, truth, absent;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "--help" || arg == "-h") {
            std::fputs(reinterpret_cast<const char*>(kUsage), stdout);
            return kExitDone;
        } else if (arg == "--lf") {
            options.crlf = false;
        } else if (arg == "--no-final-eol") {
            options.finalLineEnd = false;
        } else if (arg == "--no-lake") {
            options.lake = false;
        } else if (arg == "--no-outside") {
            options.outsideSurvey = false;
        } else if (arg.size() < 2 || arg[0] != '-') {
            return Fail(kExitUsage, "unexpected argument " + Quoted(arg.c_str()) + " (the folder is given with --out)");
        } else {
            static const char* const known[] = {"--out",   "--name", "--truth", "--cols",  "--rows",   "--south",
                                                "--north", "--west", "--east",  "--title", "--absent", "--layout"};
            if (std::find(std::begin(known), std::end(known), arg) == std::end(known))
                return Fail(kExitUsage, "unknown option " + Quoted(arg.c_str()));
            const char* v = value();
            if (!v) return Fail(kExitUsage, arg + " needs a value");
            if (arg == "--out") {
                if (!*v) return Fail(kExitUsage, "--out needs a folder");
                out = v;
            } else if (arg == "--name") {
                options.name = v;
                if (options.name.empty() || options.name.find_first_of("/\\") != std::string::npos ||
                    options.name == "." || options.name == "..")
                    return Fail(kExitUsage, "--name: " + Quoted(v) + " is not a file name (no / or \\, not empty)");
                for (char c : options.name)
                    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
                        return Fail(kExitUsage, "--name: control characters are not allowed");
            } else if (arg == "--truth") {
                if (!*v) return Fail(kExitUsage, "--truth needs a file name");
                truth = v;
            } else if (arg == "--cols" || arg == "--rows") {
                int64_t n = 0;
                if (!ParseWhole(v, 1, kMaxSide, n))
                    return Fail(kExitUsage, arg + ": " + Quoted(v) + " is not a whole number from 1 to " +
                                                std::to_string(kMaxSide));
                (arg == "--cols" ? options.cols : options.rows) = static_cast<int>(n);
            } else if (arg == "--south" || arg == "--north" || arg == "--west" || arg == "--east") {
                const bool lat = arg == "--south" || arg == "--north";
                gen::Dms* target = arg == "--south"   ? &options.south
                                   : arg == "--north" ? &options.north
                                   : arg == "--west"  ? &options.west
                                                      : &options.east;
                if (!ParseDms(v, lat ? 90 : 180, target))
                    return Fail(kExitUsage, arg + ": " + Quoted(v) + " is not D:M:S with degrees " +
                                                (lat ? "-90 to 90" : "-180 to 180") + ", minutes and seconds 0 to 59");
            } else if (arg == "--title") {
                if (!ToCp932(v, &options.title))
                    return Fail(kExitUsage, "--title: " + Quoted(v) + " cannot be written in code page 932");
            } else if (arg == "--absent") {
                absent = v;  // checked against --rows once all options are read
            } else {
                const std::string kind = v;
                if (kind == "lem")
                    options.layout = gen::Layout::LemHeader;
                else if (kind == "data")
                    options.layout = gen::Layout::DataOldHeader;
                else if (kind == "flat")
                    options.layout = gen::Layout::Flat;
                else
                    return Fail(kExitUsage, "--layout: " + Quoted(v) + " is not one of lem, data, flat");
            }
        }
    }
    if (out.empty()) return Fail(kExitUsage, "--out DIR is required");
    if (!absent.empty() && !ParseRows(absent.c_str(), options.rows, &options.absentRows))
        return Fail(kExitUsage, "--absent: " + Quoted(absent.c_str()) + " is not a list of rows 0 to " +
                                    std::to_string(options.rows - 1) + " (e.g. 3,10-12)");
    if (options.north.TotalSeconds() <= options.south.TotalSeconds() ||
        options.east.TotalSeconds() <= options.west.TotalSeconds()) {
        return Fail(
            kExitUsage,
            "the north-east corner (--north, --east) must lie north-east of the south-west corner (--south, --west)");
    }
    const int64_t cells = int64_t{options.cols} * options.rows;
    if (cells > kMaxCells)
        return Fail(kExitUsage, "--cols x --rows: " + std::to_string(cells) + " cells, at most " +
                                    std::to_string(kMaxCells) + " (34500 x 23000)");
    if (cells * kBytesPerCell > PhysicalMemory() * 3 / 4)
        return Fail(kExitIo, "the sheet is built in memory and needs about " +
                                 std::to_string(cells * kBytesPerCell >> 20) +
                                 " MB, more than this machine has to spare");
    if (const std::string why = FolderProblem(out); !why.empty()) return Fail(kExitIo, out + ": " + why);
    const gen::LemSheet sheet = gen::MakeLemSheet(options);
    errno = 0;
    if (!gen::WriteLemSheet(sheet, out))
        return Fail(kExitIo,
                    "cannot write the dataset under " + out + (errno ? std::string(": ") + std::strerror(errno) : ""));
    errno = 0;
    if (!truth.empty() && !gen::WriteTruth(sheet, truth))
        return Fail(kExitIo, truth + (errno ? std::string(": ") + std::strerror(errno) : ": cannot be written"));
    return kExitDone;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        return Fail(kExitIo, "out of memory");
    } catch (const std::exception& e) {
        return Fail(kExitIo, e.what());
    }
}
