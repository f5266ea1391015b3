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
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

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
        std::string tmpl = (std::filesystem::temp_directory_path() / "tephrix-bench-XXXXXX").string();
        if (::mkdtemp(tmpl.data()) == nullptr) std::abort();
        dir_ = tmpl;
        platform::SetPosixRoot(dir_);
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
    ~Files() {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    static Files& Get() {
        static Files files;
        return files;
    }

private:
    std::string dir_;
};

enum class Background { None, Dcm, Guidebook };

// The module loaded into a fresh host with one map open; closed and released at the end.
class OpenedMap {
public:
    OpenedMap(const char* sheet, Background background, const char* dcm = kSampleDcm) {
        Files::Get();
        hostsim::Reset();
        hostsim::Host& host = hostsim::Get();
        std::vector<uint8_t> record(280, 0);
        if (Create(record.data(), kPluginId) != 1 || Load() != 1) std::abort();
        host.SetProfileInt(kPluginId, "DCMView", 1);
        host.SetProfileInt(kPluginId, "Region", 256);
        host.SetProfileInt(kPluginId, "LinkDCM", background == Background::None ? 0 : 1);
        host.SetProfileInt(kPluginId, "LinkType", background == Background::Dcm ? 1 : 0);
        host.SetProfile(kPluginId, "DCMFile", dcm);
        if (background == Background::Guidebook) hostsim::InstallGuidebookTerrain(host);
        handle_ = host.OpenFile(sheet);
        ok_ = handle_ != 0 && host.MessageBoxes().empty();
    }
    ~OpenedMap() {
        hostsim::Get().CloseMap(handle_);
        Release();
    }
    [[nodiscard]] bool ok() const { return ok_; }
    int32_t Read(int32_t id, int16_t* values) { return hostsim::Get().ReadBlock(handle_, id, values); }

private:
    uint32_t handle_ = 0;
    bool ok_ = false;
};

// The sample sheet is 2250 x 1500 cells: blocks 0..7 east-west (7 the 10-column edge block)
// and 0..4 north-south.
int32_t SampleBlock(int bx, int by) { return BlockId(kMarginBlocks + bx, kMarginBlocks + by); }

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

// Each block kind of the sample sheet with each background: inside, the 10-column eastern edge
// block, and a margin block far from the sheet.
void BM_SampleBlock(benchmark::State& state) {
    const auto background = static_cast<Background>(state.range(0));
    OpenedMap map(kSampleSheet, background);
    std::vector<int32_t> ids;
    switch (state.range(1)) {
        case 0: ids = {SampleBlock(2, 1), SampleBlock(3, 2), SampleBlock(4, 1)}; break;
        case 1: ids = {SampleBlock(7, 1), SampleBlock(7, 2), SampleBlock(7, 3)}; break;
        default: ids = {SampleBlock(-3, 1), SampleBlock(10, 2), SampleBlock(2, -2)}; break;
    }
    RunBlocks(state, map, ids);
}
BENCHMARK(BM_SampleBlock)
    ->ArgNames({"background", "block"})
    ->ArgsProduct({{0, 1, 2}, {0, 1, 2}})
    ->Unit(benchmark::kMicrosecond);

// The doctored pair: the sheet's own block and margin blocks around it.
void BM_CoarseSheetBlock(benchmark::State& state) {
    OpenedMap map(kHostileSheet, static_cast<Background>(state.range(0)), kHostileDcm);
    RunBlocks(state, map, {BlockId(kMarginBlocks, kMarginBlocks), BlockId(kMarginBlocks - 1, kMarginBlocks + 1),
                           BlockId(kMarginBlocks + 2, kMarginBlocks - 3)});
}
BENCHMARK(BM_CoarseSheetBlock)->ArgName("background")->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

// The DCM file at the index limit under the sample sheet: the index is searched for tiles it
// lacks at every fill.
void BM_SampleBlockHugeIndex(benchmark::State& state) {
    OpenedMap map(kSampleSheet, Background::Dcm, kHostileDcm);
    RunBlocks(state, map, {SampleBlock(2, 1), SampleBlock(3, 2), SampleBlock(4, 1)});
}
BENCHMARK(BM_SampleBlockHugeIndex)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
