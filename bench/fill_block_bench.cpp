// FillBlock of both 50 m sources against the step-by-step reference resampler, in one run.
// Each pair fills the same blocks through the same source code path; only the resampler
// differs. The blocks are checked bit for bit before timing.
#include <benchmark/benchmark.h>
#include <emmintrin.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/dcm_elevation.h"
#include "base/xem_elevation.h"
#include "hostsim/drive_root.h"
#include "hostsim/host.h"
#include "tests/base/resample_oracle.h"
#include "tools/gen/dcm_writer.h"
#include "tools/gen/terrain.h"

namespace {

// The guidebook set identifier that the host fills.
uint8_t g_setId[kGuidebookSetIdSize];

constexpr int kCells = 320 * 320;
// A 5 m sheet's grid near the summit: 0.16" by 0.2".
constexpr double kCpdLat = 22500.0;
constexpr double kCpdLon = 18000.0;
constexpr double kLat0 = gen::kSummitLat - 0.02;
constexpr double kLon0 = gen::kSummitLon - 0.02;
const int32_t kBlocks[] = {100, 200, 300, 10100, 10200, 10300, 20100, 20200, 20300, 30400, 40500, 50600};

// The DCM file lives in a temporary drive root for the whole run.
class DcmFixture {
public:
    DcmFixture() {
        std::filesystem::create_directories(root_.Dir() + "/C/DEM");
        const auto file = gen::BuildDcm(gen::LayoutForBox(kLat0 - 0.02, kLon0 - 0.02, kLat0 + 0.1, kLon0 + 0.1));
        if (!gen::WriteDcmFile(root_.Dir() + "/C/DEM/LAND.DCM", file)) std::abort();
    }
    static DcmFixture& Get() {
        static DcmFixture fixture;
        return fixture;
    }
    std::unique_ptr<CDcmElevation> Open() const {
        auto dcm = std::make_unique<CDcmElevation>();
        if (!dcm->Open("C:\\DEM\\LAND.DCM")) std::abort();
        return dcm;
    }

private:
    hostsim::DriveRoot root_{"tephrix-bench"};
};

std::unique_ptr<CXemElevation> OpenGuidebook() {
    static bool installed = false;
    if (!installed) {
        hostsim::Reset();
        hostsim::Get().Guidebook().SetSource(hostsim::MakeSetInfo(35.0, 138.0, 2400, 1800, hostsim::kDatumTokyo),
                                             [](int32_t id, int16_t* out) {
                                                 gen::SampleTile(35.0, 138.0, 2400, 1800, id, out, {}, -1);
                                                 return true;
                                             });
        installed = true;
    }
    MakeGuidebookSetId(g_setId, 1);
    auto xem = std::make_unique<CXemElevation>();
    if (!xem->Open(g_setId, "GUIDEDEM")) std::abort();
    return xem;
}

template <typename Source>
bool SameBlocks(Source& a, Source& b) {
    std::vector<int16_t> x(kCells);
    std::vector<int16_t> y(kCells);
    for (const int32_t id : kBlocks) {
        a.FillBlock(id, x.data(), kLat0, kLon0, kCpdLat, kCpdLon);
        b.FillBlockWith(&oracle::ResampleBlock, id, y.data(), kLat0, kLon0, kCpdLat, kCpdLon);
        if (x != y) return false;
    }
    return true;
}

template <typename Source>
void RunFills(benchmark::State& state, Source& source, base::Resampler resampler) {
    std::vector<int16_t> block(kCells);
    size_t n = 0;
    for (auto _ : state) {
        const int32_t id = kBlocks[n++ % std::size(kBlocks)];
        source.FillBlockWith(resampler, id, block.data(), kLat0, kLon0, kCpdLat, kCpdLon);
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kCells);
}

void BM_DcmFillBlock(benchmark::State& state) {
    auto fast = DcmFixture::Get().Open();
    auto reference = DcmFixture::Get().Open();
    if (!SameBlocks(*fast, *reference)) {
        state.SkipWithError("DCM blocks differ from the reference");
        return;
    }
    RunFills(state, *fast, state.range(0) == 0 ? &base::ResampleBlock : &oracle::ResampleBlock);
}
BENCHMARK(BM_DcmFillBlock)->ArgName("reference")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

void BM_GuidebookFillBlock(benchmark::State& state) {
    auto fast = OpenGuidebook();
    auto reference = OpenGuidebook();
    if (!SameBlocks(*fast, *reference)) {
        state.SkipWithError("guidebook blocks differ from the reference");
        return;
    }
    RunFills(state, *fast, state.range(0) == 0 ? &base::ResampleBlock : &oracle::ResampleBlock);
}
BENCHMARK(BM_GuidebookFillBlock)->ArgName("reference")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// The floor of a fill: the one blend every sample needs, z = south * (1 - fy) + north * fy in
// double precision, truncated and stored as 16 bits, over 102,400 samples from two edge rows
// already in the cache; two samples per SSE2 instruction. No tile lookup, no edge blends, no
// positions: what is left when everything a fill could share between samples is shared.
void BM_FillBlockFloor(benchmark::State& state) {
    alignas(16) double south[320];
    alignas(16) double north[320];
    for (int k = 0; k < 320; ++k) {
        south[k] = 800.0 + 0.37 * k;
        north[k] = 812.0 - 0.21 * k;
    }
    std::vector<int16_t> block(kCells);
    for (auto _ : state) {
        benchmark::DoNotOptimize(south);
        double fy = 0.05;
        for (int r = 0; r < 320; ++r) {
            const __m128d a = _mm_set1_pd(1 - fy);
            const __m128d b = _mm_set1_pd(fy);
            int16_t* out = block.data() + r * 320;
            for (int k = 0; k < 320; k += 4) {
                const __m128d z0 =
                    _mm_add_pd(_mm_mul_pd(_mm_load_pd(south + k), a), _mm_mul_pd(_mm_load_pd(north + k), b));
                const __m128d z1 =
                    _mm_add_pd(_mm_mul_pd(_mm_load_pd(south + k + 2), a), _mm_mul_pd(_mm_load_pd(north + k + 2), b));
                const __m128i t = _mm_unpacklo_epi64(_mm_cvttpd_epi32(z0), _mm_cvttpd_epi32(z1));
                _mm_storel_epi64(reinterpret_cast<__m128i*>(out + k), _mm_packs_epi32(t, t));
            }
            fy = fy < 0.9 ? fy + 0.1 : 0.05;
        }
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * kCells);
}
BENCHMARK(BM_FillBlockFloor)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
