// The renderer's command line: what to open, how to composite, what to write.
#pragma once

#include <cstdint>
#include <string>

namespace render {

enum class Format { Png, GeoTiff };
enum class Source { None, Dcm, Guidebook };

struct Options {
    std::string sheet;
    std::string out;  // empty: out/render.png or out/render.tif by format
    Format format = Format::Png;
    Source source = Source::None;
    std::string dcm;
    bool allowNoBackground = false;
    int ring = 1;
    int region = 256;
    int scale = 1;
    bool autoRange = false;
    bool rangeGiven = false;
    int rangeMin = 0;
    int rangeMax = 3800;
    int64_t maxMemoryMb = 0;  // 0: a share of physical memory
    bool quiet = false;
    bool about = false;
    bool help = false;
    std::string checksums;
};

constexpr int kExitDone = 0;
constexpr int kExitData = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoBackground = 3;

constexpr int kMaxRing = 64;
constexpr int kMaxRegion = 4096;
constexpr int kMaxScale = 256;
constexpr int kMinHeight = -1000;
constexpr int kMaxHeight = 9000;
constexpr int64_t kMinMemoryMb = 64;
constexpr int64_t kMaxMemoryMb = 1 << 20;

// Fills o from argv. Returns an empty text, or the reason the command line is refused
// (naming the option and what it accepts).
[[nodiscard]] std::string ParseOptions(int argc, char** argv, Options& o);

void PrintUsage(FILE* to);

}  // namespace render
