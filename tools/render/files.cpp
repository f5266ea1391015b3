#include "tools/render/files.h"

#include "tools/render/cleanup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <system_error>

namespace render {
namespace fs = std::filesystem;

namespace {

const char* KindName(mode_t mode) {
    if (S_ISDIR(mode)) return "is a directory, not a file";
    if (S_ISFIFO(mode)) return "is a FIFO, not a regular file";
    if (S_ISCHR(mode)) return "is a character device, not a regular file";
    if (S_ISBLK(mode)) return "is a block device, not a regular file";
    if (S_ISSOCK(mode)) return "is a socket, not a regular file";
    return "is not a regular file";
}

bool IsRegular(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool Exists(const fs::path& p) {
    struct stat st {};
    return ::stat(p.c_str(), &st) == 0;
}

// The old-header folder's name in code page 932 (旧ヘッダ), as the survey's discs spell it.
const char kOldHeaderCp932[] = "\x8B\x8C\x83\x77\x83\x62\x83\x5F";

}  // namespace

std::string UnreadableReason(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return std::strerror(errno);
    if (!S_ISREG(st.st_mode)) return KindName(st.st_mode);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return std::strerror(errno);
    ::close(fd);
    return {};
}

DatasetFiles LocateDataset(const std::string& path) {
    DatasetFiles files;
    const fs::path file(path);
    const fs::path folder = file.parent_path().empty() ? fs::path(".") : file.parent_path();
    const fs::path root = folder.parent_path().empty() ? fs::path(".") : folder.parent_path();
    std::string base = file.filename().string();
    if (const size_t dot = base.rfind('.'); dot != std::string::npos) base.resize(dot);
    // Existence decides, as in the module: a FIFO named like the data file is found here and
    // then refused for what it is.
    for (const char* sub : {"LEM", "DATA"})
        if (files.data.empty() && Exists(root / sub / (base + ".LEM")))
            files.data = (root / sub / (base + ".LEM")).string();
    for (const char* sub : {"HEADER", kOldHeaderCp932, reinterpret_cast<const char*>(u8"旧ヘッダ")})
        if (files.header.empty() && Exists(root / sub / (base + ".CSV")))
            files.header = (root / sub / (base + ".CSV")).string();
    if (!files.data.empty() && !files.header.empty()) return files;
    files = {};
    if (Exists(folder / (base + ".LEM"))) files.data = (folder / (base + ".LEM")).string();
    if (Exists(folder / (base + ".CSV"))) files.header = (folder / (base + ".CSV")).string();
    return files;
}

std::string HeaderProblem(const std::string& headerPath) {
    std::ifstream in(headerPath, std::ios::binary);
    char head[4] = {};
    in.read(head, sizeof head);
    const std::string begin(head, static_cast<size_t>(in.gcount()));
    if (begin.empty()) return "the header is empty";
    if (begin.compare(0, 3, "\xEF\xBB\xBF") == 0)
        return reinterpret_cast<const char*>(
            u8"the header begins with a UTF-8 byte-order mark; the module reads code page "
            u8"932 headers that begin with 縮尺");
    if (begin != "\x8F\x6B\x8E\xDA")
        return reinterpret_cast<const char*>(
            u8"the header does not begin with 縮尺 in code page 932 (not a LEM header, "
            u8"or converted to another encoding)");
    // The counts on lines 4 and 5, read as the module reads them: the value after the first
    // comma, leading blanks, a sign, digits.
    in.seekg(0);
    std::string line;
    long long counts[2] = {0, 0};
    int n = 0;
    for (; n < 19 && std::getline(in, line); ++n) {
        if (n != 4 && n != 5) continue;
        const size_t comma = line.find(',');
        counts[n - 4] = comma == std::string::npos ? 0 : std::strtoll(line.c_str() + comma + 1, nullptr, 10);
    }
    if (n < 19) return "the header ends after " + std::to_string(n) + " lines; the title is on line 19";
    static const char* const names[] = {"columns (line 5)", "rows (line 6)"};
    for (int k = 0; k < 2; ++k)
        if (counts[k] < 1 || counts[k] > 1000000)
            return std::string("the header's count of ") + names[k] + " is " + std::to_string(counts[k]) +
                   "; the module reads 1 to 1,000,000";
    return {};
}

Datum ReadDatum(const std::string& headerPath) {
    Datum datum;
    if (!IsRegular(headerPath)) return datum;
    std::ifstream in(headerPath, std::ios::binary);
    std::string line;
    for (int n = 0; n <= 2 && std::getline(in, line); ++n) {
        if (n != 2) continue;
        const size_t comma = line.find(',');
        const std::string value = comma == std::string::npos ? std::string() : line.substr(comma + 1);
        // 世界測地系 in code page 932; JGD2000 is the survey's world datum.
        if (value.find("\x90\xA2\x8A\x45\x91\xAA\x92\x6E\x8C\x6E") != std::string::npos ||
            value.find("JGD") != std::string::npos) {
            datum = {4612, "JGD2000"};
        } else if (value.find("WGS") != std::string::npos) {
            datum = {4326, "WGS 84"};
        }
    }
    return datum;
}

AtomicOutput::~AtomicOutput() {
    if (stream_) std::fclose(stream_);
    if (!temp_.empty()) ForgetTemporary(temp_);
    for (const fs::path& f : created_) ForgetTemporary(f.string());
    if (committed_) return;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    std::error_code ec;
    for (const fs::path& f : created_) fs::remove(f, ec);  // innermost first; only when empty
}

bool AtomicOutput::Create(const std::string& target, std::string& error) {
    target_ = target;
    const fs::path t(target);
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 && !S_ISREG(st.st_mode)) {
        error = target + ": " + KindName(st.st_mode);
        return false;
    }
    const fs::path folder = t.parent_path().empty() ? fs::path(".") : t.parent_path();
    std::error_code ec;
    const DeferSignals defer;
    for (fs::path f = fs::absolute(folder, ec); !f.empty() && !Exists(f) && f != f.parent_path(); f = f.parent_path())
        created_.push_back(f);
    for (auto f = created_.rbegin(); f != created_.rend(); ++f) RegisterTemporary(f->string());  // outermost first
    fs::create_directories(folder, ec);
    if (ec) {
        error = folder.string() + ": " + ec.message();
        return false;
    }
    std::string name = (folder / ("." + t.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = folder.string() + ": " + std::strerror(errno);
        return false;
    }
    temp_ = name;
    RegisterTemporary(temp_);
    (void)::fchmod(
        fd, 0644 & ~[] {
            mode_t m = ::umask(0);
            ::umask(m);
            return m;
        }());
    stream_ = ::fdopen(fd, "wb");
    if (!stream_) {
        error = temp_ + ": " + std::strerror(errno);
        ::close(fd);
        return false;
    }
    return true;
}

bool AtomicOutput::CloseStream(std::string& error) {
    if (!stream_) return true;
    const bool bad = std::ferror(stream_) != 0;
    const int saved = errno;
    const bool closed = std::fclose(stream_) == 0;
    stream_ = nullptr;
    if (bad || !closed) {
        error = target_ + ": " + std::strerror(bad ? saved : errno);
        return false;
    }
    return true;
}

bool AtomicOutput::Commit(std::string& error) {
    if (!CloseStream(error)) return false;
    if (::rename(temp_.c_str(), target_.c_str()) != 0) {
        error = target_ + ": " + std::strerror(errno);
        return false;
    }
    committed_ = true;
    ForgetTemporary(temp_);
    for (const fs::path& f : created_) ForgetTemporary(f.string());
    return true;
}

}  // namespace render
