// The reference for a block read from a binary raster: the sample sheet converted once into an
// uncompressed tiled GeoTIFF (16-bit metres, 256 x 256 tiles), and the window of one 320 x 320
// block read through GDAL with the band's block cache flushed before every read. Built only when
// GDAL's development files are installed.
#include <benchmark/benchmark.h>
#include <gdal.h>

#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "hostsim/drive_root.h"
#include "tools/gen/lem_sheet.h"

namespace {

constexpr int kSide = 320;

struct Raster {
    hostsim::DriveRoot root{"tephrix-gdal"};
    std::string path;
    int cols = 0;
    int rows = 0;

    Raster() {
        path = root.Dir() + "/sample.tif";
        gen::LemSheetOptions options;  // 2250 x 1500, as the other benchmarks
        const gen::LemSheet sheet = gen::MakeLemSheet(options);
        cols = options.cols;
        rows = options.rows;
        // Row 0 of a GeoTIFF is its northern row, as row 0 of the data file.
        std::vector<int16_t> metres(static_cast<size_t>(cols) * rows, -9999);
        for (int r = 0; r < rows; ++r) {
            for (int c = 0; c < cols; ++c) {
                int16_t m;
                if (gen::LemSheet::Metres(sheet.At(r, c), &m)) metres[static_cast<size_t>(r) * cols + c] = m;
            }
        }
        GDALAllRegister();
        GDALDriverH driver = GDALGetDriverByName("GTiff");
        char tiled[] = "TILED=YES";
        char compress[] = "COMPRESS=NONE";
        char* creation[] = {tiled, compress, nullptr};
        GDALDatasetH ds = GDALCreate(driver, path.c_str(), cols, rows, 1, GDT_Int16, creation);
        if (ds == nullptr) std::abort();
        if (GDALRasterIO(GDALGetRasterBand(ds, 1), GF_Write, 0, 0, cols, rows, metres.data(), cols, rows, GDT_Int16, 0,
                         0) != CE_None) {
            std::abort();
        }
        GDALClose(ds);
    }
};

// The cells of the inside block the LEM benchmarks read first: LEM columns 640..959, rows
// 860..1179 from the north.
void BM_GdalWindow(benchmark::State& state) {
    static Raster raster;
    GDALDatasetH ds = GDALOpen(raster.path.c_str(), GA_ReadOnly);
    if (ds == nullptr) {
        state.SkipWithError("cannot open the GeoTIFF");
        return;
    }
    GDALRasterBandH band = GDALGetRasterBand(ds, 1);
    std::vector<int16_t> block(kSide * kSide);
    const int top = raster.rows - 1 - 320;  // the block's northern row counted from the north
    for (auto _ : state) {
        GDALFlushRasterCache(band);
        if (GDALRasterIO(band, GF_Read, 640, top - (kSide - 1), kSide, kSide, block.data(), kSide, kSide, GDT_Int16, 0,
                         0) != CE_None) {
            state.SkipWithError("read failed");
            break;
        }
        benchmark::DoNotOptimize(block.data());
        benchmark::ClobberMemory();
    }
    GDALClose(ds);
}
BENCHMARK(BM_GdalWindow)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
