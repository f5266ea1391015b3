// tephrix-gen: writes a synthetic LEM sheet (data file and CSV header in code page 932).
#include <iconv.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/gen/lem_sheet.h"

namespace {

// UTF-8 for the terminal, whatever the execution character set of narrow literals.
const char8_t kUsage[] =
    u8"usage: tephrix-gen --out DIR [options]\n"
    u8"Writes a synthetic 5 m volcano sheet: a .LEM data file and its .CSV header (code page 932).\n"
    u8"\n"
    u8"  --out DIR            folder that receives the dataset (created as needed)\n"
    u8"  --name NAME          base name of both files (default SAMPLE)\n"
    u8"  --cols N --rows N    grid size (default 2250 x 1500)\n"
    u8"  --south D:M:S        southern edge latitude (default 35:20:0)\n"
    u8"  --north D:M:S        northern edge latitude (default 35:25:0)\n"
    u8"  --west D:M:S         western edge longitude (default 138:42:0)\n"
    u8"  --east D:M:S         eastern edge longitude (default 138:49:30)\n"
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
    u8"  --help               this text\n";

bool ParseDms(const char* text, gen::Dms* out) {
    int d = 0, m = 0, s = 0;
    if (std::sscanf(text, "%d:%d:%d", &d, &m, &s) != 3 || m < 0 || m > 59 || s < 0 || s > 59) return false;
    *out = {d, m, s};
    return true;
}

bool ParseRows(const char* text, std::vector<int>* rows) {
    std::string list = text;
    size_t start = 0;
    while (start <= list.size()) {
        size_t comma = list.find(',', start);
        std::string item = list.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        int a = 0, b = 0;
        if (std::sscanf(item.c_str(), "%d-%d", &a, &b) == 2 && a >= 0 && b >= a) {
            for (int r = a; r <= b; ++r) rows->push_back(r);
        } else if (std::sscanf(item.c_str(), "%d", &a) == 1 && a >= 0) {
            rows->push_back(a);
        } else {
            return false;
        }
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

int Fail(const char* what, const char* arg) {
    std::fprintf(stderr, "tephrix-gen: %s%s%s\n(see --help)\n", what, arg ? ": " : "", arg ? arg : "");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    gen::LemSheetOptions options;
    std::string out, truth;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> const char* { return i + 1 < argc ? argv[++i] : nullptr; };
        if (arg == "--help" || arg == "-h") {
            std::fputs(reinterpret_cast<const char*>(kUsage), stdout);
            return 0;
        } else if (arg == "--lf") {
            options.crlf = false;
        } else if (arg == "--no-final-eol") {
            options.finalLineEnd = false;
        } else if (arg == "--no-lake") {
            options.lake = false;
        } else if (arg == "--no-outside") {
            options.outsideSurvey = false;
        } else {
            const char* v = value();
            if (!v) return Fail("missing value for", arg.c_str());
            if (arg == "--out") {
                out = v;
            } else if (arg == "--name") {
                options.name = v;
            } else if (arg == "--truth") {
                truth = v;
            } else if (arg == "--cols" || arg == "--rows") {
                char* end = nullptr;
                long n = std::strtol(v, &end, 10);
                if (*end || n <= 0 || n > 100000) return Fail("bad size", v);
                (arg == "--cols" ? options.cols : options.rows) = static_cast<int>(n);
            } else if (arg == "--south" || arg == "--north" || arg == "--west" || arg == "--east") {
                gen::Dms* target = arg == "--south" ? &options.south
                                 : arg == "--north" ? &options.north
                                 : arg == "--west"  ? &options.west
                                                    : &options.east;
                if (!ParseDms(v, target)) return Fail("bad angle (D:M:S)", v);
            } else if (arg == "--title") {
                if (!ToCp932(v, &options.title)) return Fail("title cannot be written in code page 932", v);
            } else if (arg == "--absent") {
                if (!ParseRows(v, &options.absentRows)) return Fail("bad row list", v);
            } else if (arg == "--layout") {
                const std::string kind = v;
                if (kind == "lem") options.layout = gen::Layout::LemHeader;
                else if (kind == "data") options.layout = gen::Layout::DataOldHeader;
                else if (kind == "flat") options.layout = gen::Layout::Flat;
                else return Fail("unknown layout", v);
            } else {
                return Fail("unknown option", arg.c_str());
            }
        }
    }
    if (out.empty()) return Fail("--out DIR is required", nullptr);
    if (options.north.TotalSeconds() <= options.south.TotalSeconds() ||
        options.east.TotalSeconds() <= options.west.TotalSeconds()) {
        return Fail("the north-east corner must lie north-east of the south-west corner", nullptr);
    }
    const gen::LemSheet sheet = gen::MakeLemSheet(options);
    if (!gen::WriteLemSheet(sheet, out)) return Fail("cannot write the dataset under", out.c_str());
    if (!truth.empty() && !gen::WriteTruth(sheet, truth)) return Fail("cannot write", truth.c_str());
    return 0;
}
