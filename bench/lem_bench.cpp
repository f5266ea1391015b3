// Map open (GetHeader) and block extraction (ReadBlock) against one sequential read() of the
// data file and against a plain baseline: fgets line scans, and per row a seek, a read of the
// whole line and strtol on every field. All on a 2250 x 1500 sheet in the page cache.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/block_id.h"
#include "hostsim/drive_root.h"
#include "lem/field_row.h"
#include "lem/lem_map.h"
#include "platform/mapped_view.h"
#include "platform/path_root.h"
#include "tools/gen/lem_sheet.h"

namespace {

constexpr int kSide = 320;
constexpr int kCells = kSide * kSide;
const char kDataWin[] = "C:\\BENCH\\LEM\\SAMPLE.LEM";
const char kHeaderWin[] = "C:\\BENCH\\HEADER\\SAMPLE.CSV";

// The sample sheet, written once per run into a temporary drive root.
struct Sheet {
    hostsim::DriveRoot root{"tephrix-bench"};
    std::string dataHost;
    std::string headerHost;
    int cols = 0;
    int rows = 0;

    Sheet() {
        gen::LemSheetOptions options;  // 2250 x 1500, CR LF
        const gen::LemSheet sheet = gen::MakeLemSheet(options);
        if (!gen::WriteLemSheetAt(sheet, "C:\\BENCH")) std::abort();
        dataHost = platform::ToPosixPath(kDataWin);
        headerHost = platform::ToPosixPath(kHeaderWin);
        cols = options.cols;
        rows = options.rows;
    }
};

Sheet& TheSheet() {
    static Sheet sheet;
    return sheet;
}

// --- the plain way -------------------------------------------------------------------------

// Header: fgets line by line, row flags from line 27 on.
std::vector<int64_t> PlainHeader(const std::string& path, int* cols, int* rows) {
    std::vector<int64_t> table;
    FILE* f = std::fopen(path.c_str(), "r");
    if (!f) return table;
    char line[256];
    for (int no = 0; std::fgets(line, sizeof line, f); ++no) {
        const char* comma = std::strchr(line, ',');
        const int value = comma ? std::atoi(comma + 1) : 0;
        if (no == 4) *cols = value;
        if (no == 5) *rows = value;
        if (no >= 27 && std::strncmp(line, "\x83\x8C\x83\x52\x81\x5B\x83\x68", 8) == 0) {
            table.resize(static_cast<size_t>(no - 27 + 1), -1);
            table.back() = value != 0 ? 1 : -1;
        }
    }
    std::fclose(f);
    return table;
}

// Row index: fgets of at most n + 2 characters per line.
std::vector<int64_t> PlainIndex(const Sheet& s) {
    int cols = 0, rows = 0;
    std::vector<int64_t> table = PlainHeader(s.headerHost, &cols, &rows);
    const int n = cols * 5 + 10;
    std::vector<char> line(static_cast<size_t>(n) + 3);
    FILE* f = std::fopen(s.dataHost.c_str(), "rb");
    if (!f) return {};
    size_t i = 0;
    int64_t offset = 0;
    while (i < table.size() && std::fgets(line.data(), n + 3, f)) {
        while (i < table.size() && table[i] == -1) ++i;
        if (i >= table.size()) break;
        table[i] = offset;
        offset += n;
        const size_t len = std::strlen(line.data());
        if (len > static_cast<size_t>(n)) offset += len > static_cast<size_t>(n) + 1 ? 2 : 1;
        ++i;
    }
    std::fclose(f);
    return table;
}

// Block: per row a seek and a read of the whole line, strtol on each field of the block.
void PlainBlock(const Sheet& s, const std::vector<int64_t>& table, int32_t id, int16_t* values) {
    const int64_t r2 = lem::kDefaultMargin / 2;
    const base::CellPos p = base::BlockIdToCell(id);
    const int64_t c0 = p.firstColumn - 320 * r2;
    const int64_t top = s.rows - 1 + 320 * r2 - p.firstRow;
    FILE* f = std::fopen(s.dataHost.c_str(), "rb");
    if (!f) return;
    std::vector<char> line(static_cast<size_t>(s.cols) * 5 + 13);
    for (int d = kSide - 1; d >= 0; --d) {
        const int64_t L = top - d;
        if (L < 0 || L >= s.rows || table[static_cast<size_t>(L)] == -1) continue;
        if (std::fseek(f, static_cast<long>(table[static_cast<size_t>(L)]), SEEK_SET) != 0) continue;
        if (std::fread(line.data(), 1, static_cast<size_t>(s.cols) * 5 + 12, f) == 0) continue;
        for (int k = 0; k < kSide; ++k) {
            const int64_t c = c0 + k;
            if (c >= s.cols) continue;
            char field[6];
            std::memcpy(field, line.data() + 10 + 5 * c, 5);
            field[5] = '\0';
            const long v = std::strtol(field, nullptr, 10);
            if (v == -9999 || v == -1111) continue;
            values[d * kSide + k] = static_cast<int16_t>((v + 5) / 10);
        }
    }
    std::fclose(f);
}

int32_t BlockAt(int64_t x, int64_t y) {
    return static_cast<int32_t>(base::CellToBlockId64(x, y));
}

// Blocks wholly inside the sheet (margin 256), 64 of them at 40-cell offsets so that a run
// cycles through more blocks than the map's block cache holds and every read is a real one.
std::vector<int32_t> InsideBlockIds() {
    const int64_t origin = 320 * 128;
    std::vector<int32_t> ids;
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j) ids.push_back(BlockAt(origin + 640 + 40 * i, origin + 320 + 40 * j));
    }
    return ids;
}

// Eastern edge blocks: the sheet's last 10 columns (2250 = 7 * 320 + 10) and its last 50, at
// 30 offsets north-south each.
std::vector<int32_t> EdgeBlockIds() {
    const int64_t origin = 320 * 128;
    std::vector<int32_t> ids;
    for (int j = 0; j < 30; ++j) {
        ids.push_back(BlockAt(origin + 7 * 320, origin + 40 * j));
        ids.push_back(BlockAt(origin + 7 * 320 - 40, origin + 40 * j));
    }
    return ids;
}

// --- benchmarks ----------------------------------------------------------------------------

void BM_OneSequentialRead(benchmark::State& state) {
    const Sheet& s = TheSheet();
    const auto size = static_cast<size_t>(std::filesystem::file_size(s.dataHost));
    std::vector<char> buffer(size);
    for (auto _ : state) {
        int fd = ::open(s.dataHost.c_str(), O_RDONLY);
        size_t done = 0;
        while (done < size) {
            ssize_t n = ::read(fd, buffer.data() + done, size - done);
            if (n <= 0) break;
            done += static_cast<size_t>(n);
        }
        ::close(fd);
        benchmark::DoNotOptimize(buffer.data());
        if (done != size) state.SkipWithError("short read");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * size));
}
BENCHMARK(BM_OneSequentialRead)->Unit(benchmark::kMillisecond);

void BM_GetHeader(benchmark::State& state) {
    const Sheet& s = TheSheet();
    CLemMap map;
    if (!map.Open(kDataWin) || !map.GetHeader()) state.SkipWithError("open failed");
    if (PlainIndex(s) != map.RowTable) state.SkipWithError("index differs from the baseline");
    for (auto _ : state) {
        benchmark::DoNotOptimize(map.GetHeader());
    }
}
BENCHMARK(BM_GetHeader)->Unit(benchmark::kMillisecond);

void BM_GetHeaderBaseline(benchmark::State& state) {
    const Sheet& s = TheSheet();
    for (auto _ : state) {
        std::vector<int64_t> table = PlainIndex(s);
        benchmark::DoNotOptimize(table.data());
    }
}
BENCHMARK(BM_GetHeaderBaseline)->Unit(benchmark::kMillisecond);

// The module's blocks against the plain reading, checked cell by cell first; then timed over
// ids the block cache cannot hold, or one id again and again (every request after the first
// served from the cache).
void RunReadBlock(benchmark::State& state, const std::vector<int32_t>& ids, bool plain) {
    const Sheet& s = TheSheet();
    CLemMap map;
    if (!map.Open(kDataWin) || !map.GetHeader()) state.SkipWithError("open failed");
    std::vector<int16_t> mine(kCells, 0x7777), other(kCells, 0x7777);
    int64_t placed = 0;
    for (const int32_t id : ids) {
        std::fill(mine.begin(), mine.end(), int16_t{0x7777});
        std::fill(other.begin(), other.end(), int16_t{0x7777});
        (void)map.ReadBlock(id, mine.data());
        PlainBlock(s, map.RowTable, id, other.data());
        if (mine != other) state.SkipWithError("block differs from the baseline");
        placed += kCells - std::count(mine.begin(), mine.end(), int16_t{0x7777});
    }
    // The sheet's north-east corner is outside the survey: some edge blocks place nothing.
    if (placed == 0) state.SkipWithError("empty blocks");
    size_t n = 0;
    for (auto _ : state) {
        const int32_t id = ids[n++ % ids.size()];
        if (plain) {
            PlainBlock(s, map.RowTable, id, other.data());
        } else {
            benchmark::DoNotOptimize(map.ReadBlock(id, mine.data()));
        }
        benchmark::ClobberMemory();
    }
}

void BM_ReadBlock(benchmark::State& state) {
    RunReadBlock(state, InsideBlockIds(), false);
}
BENCHMARK(BM_ReadBlock)->Unit(benchmark::kMicrosecond);

// The same blocks where the data file cannot be mapped: the rows are read.
void BM_ReadBlockUnmapped(benchmark::State& state) {
    platform::SetMappingAllowed(false);
    RunReadBlock(state, InsideBlockIds(), false);
    platform::SetMappingAllowed(true);
}
BENCHMARK(BM_ReadBlockUnmapped)->Unit(benchmark::kMicrosecond);

void BM_ReadBlockBaseline(benchmark::State& state) {
    RunReadBlock(state, InsideBlockIds(), true);
}
BENCHMARK(BM_ReadBlockBaseline)->Unit(benchmark::kMicrosecond);

void BM_ReadEdgeBlock(benchmark::State& state) {
    RunReadBlock(state, EdgeBlockIds(), false);
}
BENCHMARK(BM_ReadEdgeBlock)->Unit(benchmark::kMicrosecond);

void BM_ReadEdgeBlockBaseline(benchmark::State& state) {
    RunReadBlock(state, EdgeBlockIds(), true);
}
BENCHMARK(BM_ReadEdgeBlockBaseline)->Unit(benchmark::kMicrosecond);

void BM_ReadBlockAgain(benchmark::State& state) {
    RunReadBlock(state, {InsideBlockIds().front()}, false);
}
BENCHMARK(BM_ReadBlockAgain)->Unit(benchmark::kMicrosecond);

// Margin blocks west of the sheet, without a background: the block is left as passed.
void BM_ReadMarginBlock(benchmark::State& state) {
    TheSheet();  // also when the filter runs this one alone
    CLemMap map;
    if (!map.Open(kDataWin) || !map.GetHeader()) state.SkipWithError("open failed");
    std::vector<int32_t> ids;
    for (int i = 0; i < 64; ++i) ids.push_back(BlockAt(320 * (120 - i % 8), 320 * (128 + i / 8)));
    std::vector<int16_t> block(kCells, 0x7777);
    size_t n = 0;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map.ReadBlock(ids[n++ % ids.size()], block.data()));
        benchmark::ClobberMemory();
    }
    if (std::count(block.begin(), block.end(), int16_t{0x7777}) != kCells) state.SkipWithError("margin block written");
}
BENCHMARK(BM_ReadMarginBlock)->Unit(benchmark::kMicrosecond);

// One block row of 320 fields to metres, by kind of row: 0 plain values, 1 all no-data
// (-9999), 2 one value in ten below zero, 3 every other cell outside the survey (-1111); the
// module's one pass against parsing to values and storing them.
std::string FieldRowOfKind(int64_t kind) {
    std::mt19937 rng(7);
    std::string text;
    for (int k = 0; k < 320; ++k) {
        int value = static_cast<int>(rng() % 40000);
        if (kind == 1) value = -9999;
        if (kind == 2 && rng() % 10 == 0) value = -static_cast<int>(rng() % 1000);
        if (kind == 3 && k % 2 != 0) value = -1111;
        char field[16];
        std::snprintf(field, sizeof field, "%5d", value);
        text.append(field, 5);
    }
    return text + "\r\n";
}

// The one pass against parsing then storing, in alternation (64 rows of one, then 64 of the
// other) so that the machine's drifting speed falls on both alike. Counters: the nanoseconds
// of a row each way and their ratio, one pass over two.
void BM_FieldRowOnePass(benchmark::State& state) {
    // <chrono> does not compile with the narrow literals in code page 932: its unit suffixes.
    const auto now = [] {
        timespec t{};
        clock_gettime(CLOCK_MONOTONIC, &t);
        return static_cast<double>(t.tv_sec) * 1e9 + static_cast<double>(t.tv_nsec);
    };
    const std::string text = FieldRowOfKind(state.range(0));
    int32_t values[320];
    int16_t out[320];
    uint64_t placed[5] = {};
    double onePass = 0, twoPasses = 0;
    for (auto _ : state) {
        const double start = now();
        for (int i = 0; i < 64; ++i) {
            benchmark::DoNotOptimize(lem::StoreFieldRow(text.data(), 320, out, placed));
            benchmark::ClobberMemory();
        }
        const double middle = now();
        for (int i = 0; i < 64; ++i) {
            lem::ParseFieldRow(text.data(), 320, values);
            benchmark::DoNotOptimize(lem::StoreMetres(values, 320, out, placed));
            benchmark::ClobberMemory();
        }
        onePass += middle - start;
        twoPasses += now() - middle;
    }
    const double rows = static_cast<double>(state.iterations()) * 64;
    state.counters["one_pass_ns"] = onePass / rows;
    state.counters["parse_then_store_ns"] = twoPasses / rows;
    state.counters["ratio"] = twoPasses > 0 ? onePass / twoPasses : 0;
}
BENCHMARK(BM_FieldRowOnePass)->ArgName("kind")->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
