// What the renderer checks and writes on the real file system: inputs that must be regular,
// readable files, the dataset's header beside the data file, and outputs that appear whole or
// not at all.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace render {

// Empty when path is a regular file this process can read; otherwise why not ("No such file
// or directory", "is a FIFO", "Permission denied", ...). Opens without blocking.
[[nodiscard]] std::string UnreadableReason(const std::string& path);

// The files of a dataset as the module locates them from its data file: LEM\ or DATA\ beside
// HEADER\ or the old-header folder, else a flat pair. Names on disk are code page 932 bytes.
struct DatasetFiles {
    std::string data;    // empty when none was found
    std::string header;  // empty when none was found
};
[[nodiscard]] DatasetFiles LocateDataset(const std::string& path);

// Empty when the header begins as a LEM header does (the scale line, 縮尺 in code page 932);
// otherwise what it begins with instead. The module refuses such a header without a word.
[[nodiscard]] std::string HeaderProblem(const std::string& headerPath);

// The header's geodetic datum (line 2, "測地系"), as an EPSG code of the geographic coordinate
// system: 4301 Tokyo, 4612 JGD2000, 4326 WGS 84. The sheets' own datum is Tokyo, which is also
// the answer when the line is missing or not understood.
struct Datum {
    int epsg = 4301;
    std::string name = "Tokyo";
};
[[nodiscard]] Datum ReadDatum(const std::string& headerPath);

// An output file written under a temporary name in its target folder and renamed over the
// target by Commit(); destroyed uncommitted, it removes the temporary file.
class AtomicOutput {
public:
    AtomicOutput() = default;
    ~AtomicOutput();
    AtomicOutput(const AtomicOutput&) = delete;
    AtomicOutput& operator=(const AtomicOutput&) = delete;

    // Creates the target's folder when missing and the temporary file; false with error set.
    [[nodiscard]] bool Create(const std::string& target, std::string& error);
    // The temporary file's path, for writers that open by name (GDAL).
    [[nodiscard]] const std::string& TempPath() const { return temp_; }
    // The open temporary file, for writers that take a FILE* (libpng, text).
    [[nodiscard]] FILE* Stream() const { return stream_; }
    // Closes the stream when open; flushes and reports the write errors it had.
    [[nodiscard]] bool CloseStream(std::string& error);
    [[nodiscard]] bool Commit(std::string& error);

private:
    std::string target_;
    std::string temp_;
    FILE* stream_ = nullptr;
    std::vector<std::filesystem::path> created_;  // folders Create made, innermost first
    bool committed_ = false;
};

}  // namespace render
