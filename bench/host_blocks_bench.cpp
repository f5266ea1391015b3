// Blocks as the host asks for them: the module loaded into the host stand-in, a sheet opened
// through the map-type messages and 2012 sent for each block, with each kind of background.
// Besides the sample sheet it opens a doctored pair: a DCM file at the index limit (1,000,000
// entries, 2,400 cells a degree) and a sheet whose header claims 1 degree by 1 degree for 4 x 3
// cells, so that every sample of a block falls into another 50 m tile.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "base/block_id.h"
#include "hostsim/drive_root.h"
#include "hostsim/guidebook_terrain.h"
#include "hostsim/host.h"
#include "platform/path_root.h"
#include "plugin/entry.h"
#include "tools/gen/dcm_writer.h"
#include "tools/gen/lem_sheet.h"
#include "tools/gen/terrain.h"

namespace {

constexpr uint32_t kPluginId = 0x7E9A;
constexpr int kCells = 320 * 320;
constexpr int kMarginBlocks = 128;  // Region 256: the sheet starts 128 blocks in

const char kSampleSheet[] = "C:\\BENCH\\LEM\\SAMPLE.LEM";
const char kSampleDcm[] = "C:\\BENCH\\SAMPLE.DCM";
const char kHostileSheet[] = "C:\\HOSTILE\\LEM\\COARSE.LEM";
const char kHostileDcm[] = "C:\\HOSTILE\\HUGE.DCM";

int32_t BlockId(int bx, int by) {
    const int tx = bx + 1;
    return 100 * (tx % 100) + 1000000 * (tx / 100) + 10000 * (by % 100) + 100000000 * (by / 100);
}

void PutI32(std::vector<uint8_t>& bytes, size_t at, int32_t v) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<uint8_t>(static_cast<uint32_t>(v) >> (8 * i));
}

// 1,000,000 entries naming the tiles of 1,000 x 1,000 tiles from the map's corner, all pointing
// at one tile of data behind the index: every tile a coarse block touches is in the index.
std::vector<uint8_t> HostileDcm() {
    constexpr int32_t kCount = 1000000;
    const size_t indexAt = gen::dcm::kHeaderSize;
    const size_t tileAt = indexAt + static_cast<size_t>(kCount) * gen::dcm::kIndexEntrySize;
    std::vector<uint8_t> bytes(tileAt + gen::dcm::kTileBytes, 0);
    std::memcpy(bytes.data(), "BEVM", 4);
    PutI32(bytes, 6, kCount);
    PutI32(bytes, 10, static_cast<int32_t>(indexAt));
    PutI32(bytes, 14, 35 * 3600);
    PutI32(bytes, 18, 138 * 3600);
    PutI32(bytes, 22, 2400);
    PutI32(bytes, 26, 2400);
    int32_t i = 0;
    for (int32_t ty = 0; ty < 1000; ++ty) {
        for (int32_t tx = 1; tx <= 1000; ++tx, ++i) {
            const int32_t id = 100 * (tx % 100) + 1000000 * (tx / 100) + 10000 * (ty % 100) + 100000000 * (ty / 100);
            PutI32(bytes, indexAt + 16 * static_cast<size_t>(i), id);
            PutI32(bytes, indexAt + 16 * static_cast<size_t>(i) + 4, static_cast<int32_t>(tileAt));
        }
    }
    for (size_t j = 0; j < gen::dcm::kTileBytes; j += 2) bytes[tileAt + j] = static_cast<uint8_t>(j / 2 % 200);
    return bytes;
}

// The files, written once per run into a temporary drive root.
class Files {
public:
    Files() {
        gen::LemSheetOptions sample;  // 2250 x 1500, CR LF
        if (!gen::WriteLemSheetAt(gen::MakeLemSheet(sample), "C:\\BENCH")) std::abort();
        const auto layout = gen::LayoutForBox(gen::kSummitLat - 0.25, gen::kSummitLon - 0.25, gen::kSummitLat + 0.25,
                                              gen::kSummitLon + 0.25);
        if (!gen::WriteDcmFile(platform::ToPosixPath(kSampleDcm), gen::BuildDcm(layout))) std::abort();

        gen::LemSheetOptions coarse;
        coarse.cols = 4;
        coarse.rows = 3;
        coarse.south = {35, 0, 0};
        coarse.west = {138, 0, 0};
        coarse.north = {36, 0, 0};
        coarse.east = {139, 0, 0};
        coarse.name = "COARSE";
        coarse.lake = false;
        coarse.outsideSurvey = false;
        if (!gen::WriteLemSheetAt(gen::MakeLemSheet(coarse), "C:\\HOSTILE")) std::abort();
        const std::vector<uint8_t> dcm = HostileDcm();
        std::ofstream out(platform::ToPosixPath(kHostileDcm), std::ios::binary);
        out.write(reinterpret_cast<const char*>(dcm.data()), static_cast<std::streamsize>(dcm.size()));
        if (!out) std::abort();
    }
    static Files& Get() {
        static Files files;
        return files;
    }

private:
    hostsim::DriveRoot root_{"tephrix-bench"};
};

enum class Background { None, Dcm, Guidebook };

// The module loaded into a fresh host with one map open; closed and released at the end.
class OpenedMap {
public:
    OpenedMap(const char* sheet, Background background, const char* dcm = kSampleDcm, int region = 256) {
        Files::Get();
        hostsim::Reset();
        hostsim::Host& host = hostsim::Get();
        std::vector<uint8_t> record(280, 0);
        if (Create(record.data(), kPluginId) != 1 || Load() != 1) std::abort();
        host.Profiles().SetInt(kPluginId, "DCMView", 1);
        host.Profiles().SetInt(kPluginId, "Region", region);
        host.Profiles().SetInt(kPluginId, "LinkDCM", background == Background::None ? 0 : 1);
        host.Profiles().SetInt(kPluginId, "LinkType", background == Background::Dcm ? 1 : 0);
        host.Profiles().Set(kPluginId, "DCMFile", dcm);
        if (background == Background::Guidebook) hostsim::InstallGuidebookTerrain(host);
        handle_ = host.Maps().OpenFile(sheet);
        ok_ = handle_ != 0 && host.Desktop().MessageBoxes().empty();
    }
    ~OpenedMap() {
        hostsim::Get().Maps().CloseMap(handle_);
        Release();
    }
    [[nodiscard]] bool ok() const { return ok_; }
    int32_t Read(int32_t id, int16_t* values) { return hostsim::Get().Maps().ReadBlock(handle_, id, values); }

private:
    uint32_t handle_ = 0;
    bool ok_ = false;
};

// Whole-map column and row to the identifier of the block starting there (x + 320 and y
// multiples of 40).
int32_t BlockAt(int64_t x, int64_t y) {
    return static_cast<int32_t>(base::CellToBlockId64(x, y));
}

constexpr int64_t kOrigin = 320 * kMarginBlocks;

// Blocks of each kind of the sample sheet (2250 x 1500 cells), more of them than a map's block
// cache holds, so that every request is read: inside the sheet, at its eastern edge (the last
// 10 and 50 columns), and in the margin west of it.
std::vector<int32_t> SampleBlocks(int kind) {
    std::vector<int32_t> ids;
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j) {
            switch (kind) {
                case 0: ids.push_back(BlockAt(kOrigin + 640 + 40 * i, kOrigin + 320 + 40 * j)); break;
                case 1: ids.push_back(BlockAt(kOrigin + 7 * 320 - 40 * (j % 2), kOrigin + 40 * (i * 4 + j / 2))); break;
                default: ids.push_back(BlockAt(kOrigin - 320 * (3 + i), kOrigin + 320 * j)); break;
            }
        }
    }
    return ids;
}

void RunBlocks(benchmark::State& state, OpenedMap& map, const std::vector<int32_t>& ids) {
    if (!map.ok()) {
        state.SkipWithError("the map did not open cleanly");
        return;
    }
    std::vector<int16_t> block(kCells);
    size_t n = 0;
    for (auto _ : state) {
        const int32_t id = ids[n++ % ids.size()];
        benchmark::DoNotOptimize(map.Read(id, block.data()));
        benchmark::ClobberMemory();
    }
}

// Each block kind of the sample sheet with each background, every request read afresh.
void BM_SampleBlock(benchmark::State& state) {
    OpenedMap map(kSampleSheet, static_cast<Background>(state.range(0)));
    RunBlocks(state, map, SampleBlocks(static_cast<int>(state.range(1))));
}
BENCHMARK(BM_SampleBlock)
    ->ArgNames({"background", "block"})
    ->ArgsProduct({{0, 1, 2}, {0, 1, 2}})
    ->Unit(benchmark::kMicrosecond);

// One block asked for again and again, nothing changed on disk.
void BM_SampleBlockAgain(benchmark::State& state) {
    OpenedMap map(kSampleSheet, static_cast<Background>(state.range(0)));
    RunBlocks(state, map, {SampleBlocks(0).front()});
}
BENCHMARK(BM_SampleBlockAgain)->ArgName("background")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The host's requests while the user pans: a view of 6 x 4 blocks asks for all its blocks,
// south row first, west to east, then moves east by one block and asks again; eight moves east
// across the sheet and eight back. Time per request.
void BM_PanSequence(benchmark::State& state) {
    OpenedMap map(kSampleSheet, static_cast<Background>(state.range(0)));
    std::vector<int32_t> ids;
    for (int step = 0; step < 16; ++step) {
        const int west = step < 8 ? step - 2 : 14 - step;
        for (int by = -1; by < 3; ++by) {
            for (int bx = west; bx < west + 6; ++bx) ids.push_back(BlockId(kMarginBlocks + bx, kMarginBlocks + by));
        }
    }
    RunBlocks(state, map, ids);
    state.counters["requests_per_view"] = 24;
}
BENCHMARK(BM_PanSequence)->ArgName("background")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMicrosecond);

// The doctored pair with Region 0, so that the sheet lies at the whole map's south-west corner
// over the DCM file's origin: the sheet's own block (every tile its samples reach is in the
// index) and 63 blocks north and east of it (80 degrees a block; their tiles are not).
void BM_CoarseSheetBlock(benchmark::State& state) {
    OpenedMap map(kHostileSheet, static_cast<Background>(state.range(0)), kHostileDcm, 0);
    std::vector<int32_t> ids;
    for (int i = 0; i < 8; ++i) {
        for (int j = 0; j < 8; ++j) ids.push_back(BlockId(i, j));
    }
    RunBlocks(state, map, ids);
}
BENCHMARK(BM_CoarseSheetBlock)->ArgName("background")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The DCM file at the index limit under the sample sheet: at every fill the index is searched
// for the tiles it lacks.
void BM_SampleBlockHugeIndex(benchmark::State& state) {
    OpenedMap map(kSampleSheet, Background::Dcm, kHostileDcm);
    RunBlocks(state, map, SampleBlocks(0));
}
BENCHMARK(BM_SampleBlockHugeIndex)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
