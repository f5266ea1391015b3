// tephrix-gen-dcm: writes a DCM file of the synthetic landscape.
//   tephrix-gen-dcm [--out] OUT [--box SOUTH WEST NORTH EAST] [--cells LAT LON] [--datum NAME]
// Default box: half a degree around the volcano; default cells 2400 x 1800 per degree (~50 m).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tools/gen/dcm_writer.h"
#include "tools/gen/terrain.h"

int main(int argc, char** argv) {
    std::string out;
    double box[4] = {gen::kSummitLat - 0.25, gen::kSummitLon - 0.25, gen::kSummitLat + 0.25, gen::kSummitLon + 0.25};
    int cells[2] = {2400, 1800};
    std::string datum;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--out") == 0 && i + 1 < argc) {
            out = argv[++i];
        } else if (argv[i][0] != '-' && out.empty()) {
            out = argv[i];
        } else if (std::strcmp(argv[i], "--box") == 0 && i + 4 < argc) {
            for (double& v : box) v = std::atof(argv[++i]);
        } else if (std::strcmp(argv[i], "--cells") == 0 && i + 2 < argc) {
            for (int& v : cells) v = std::atoi(argv[++i]);
        } else if (std::strcmp(argv[i], "--datum") == 0 && i + 1 < argc) {
            datum = argv[++i];
        } else {
            std::fprintf(stderr, "unknown or incomplete option: %s\n", argv[i]);
            return 2;
        }
    }
    if (out.empty()) {
        std::fprintf(stderr, "usage: %s [--out] OUT [--box S W N E] [--cells LAT LON] [--datum NAME]\n", argv[0]);
        return 2;
    }
    if (cells[0] <= 0 || cells[1] <= 0 || box[2] <= box[0] || box[3] <= box[1]) {
        std::fprintf(stderr, "empty box or cells per degree not positive\n");
        return 2;
    }
    const gen::DcmLayout layout = gen::LayoutForBox(box[0], box[1], box[2], box[3], cells[0], cells[1], datum);
    const gen::DcmFile file = gen::BuildDcm(layout);
    if (!gen::WriteDcmFile(out, file)) {
        std::fprintf(stderr, "cannot write %s\n", out.c_str());
        return 1;
    }
    std::printf("%s: %zu tiles, %d x %d cells, origin %d\" %d\"\n", out.c_str(), file.tileIds.size(), layout.rows,
                layout.cols, layout.originLatSeconds, layout.originLonSeconds);
    return 0;
}
