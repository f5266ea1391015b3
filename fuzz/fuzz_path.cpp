// The path helpers and the LEM name test on code page 932 bytes. Input: the path, then after
// the first NUL byte a component to append.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "fuzz/fuzz_support.h"
#include "lem/path.h"
#include "platform/cp932.h"
#include "plugin/entry.h"

namespace {

// True when the walk over text ends inside a double-byte character (a lead byte last).
bool EndsInLeadByte(const std::string& text) {
    size_t i = 0;
    bool dangling = false;
    while (i < text.size()) {
        if (cp932::IsLeadByte(static_cast<unsigned char>(text[i]))) {
            dangling = i + 1 == text.size();
            i += 2;
        } else {
            dangling = false;
            ++i;
        }
    }
    return dangling;
}

// True when some prefix of text ends in a separator backslash.
bool HasSeparator(const std::string& text) {
    for (size_t i = 1; i <= text.size(); ++i) {
        if (lem::HasTrailingBackslash(text.substr(0, i).c_str())) return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string input(reinterpret_cast<const char*>(data), size);
    const size_t nul = input.find('\0');
    const std::string path = input.substr(0, nul);
    const std::string component = nul == std::string::npos ? std::string() : input.substr(nul + 1).c_str();

    const char* name = lem::FindFileName(path.c_str());
    FUZZ_CHECK(name >= path.c_str() && name <= path.c_str() + path.size());

    std::string folder = "unset";
    std::string file = "unset";
    const bool split = lem::SplitPath(path, &folder, &file);
    if (path.size() >= lem::kMaxPath) {
        FUZZ_CHECK(!split && folder == "unset" && file == "unset");
    } else {
        FUZZ_CHECK(split);
        FUZZ_CHECK(folder + file == path);
        FUZZ_CHECK(file == name);
        // The folder part ends where a separator or the drive colon ends it.
        FUZZ_CHECK(folder.empty() || lem::HasTrailingBackslash(folder.c_str()) || folder.back() == ':');
        FUZZ_CHECK(!HasSeparator(file));
        // Splitting the same string object in place gives the same folder.
        std::string same = path;
        FUZZ_CHECK(lem::SplitPath(same, &same, nullptr) && same == folder);
    }

    std::string appended = path;
    if (lem::AppendPath(appended, component.c_str())) {
        FUZZ_CHECK(appended.size() < lem::kMaxPath);
        FUZZ_CHECK(appended.compare(0, path.size(), path) == 0);
        // A plain component comes back as the file-name part, behind one separator.
        const bool plain = !component.empty() && component.find_first_of("\\:") == std::string::npos &&
                           !EndsInLeadByte(path) && !EndsInLeadByte(component);
        if (plain) {
            std::string f, d;
            FUZZ_CHECK(lem::SplitPath(appended, &d, &f));
            FUZZ_CHECK(f == component);
            FUZZ_CHECK(lem::HasTrailingBackslash(d.c_str()));
        }
    } else {
        FUZZ_CHECK(appended == path);
        FUZZ_CHECK(path.size() + component.size() + 1 >= lem::kMaxPath);
    }

    const bool lem = plugin::IsLemPath(path.c_str());
    if (lem) {
        FUZZ_CHECK(path.size() < lem::kMaxPath);
        FUZZ_CHECK(cp932::Find(cp932::ToUpper(path), ".LEM") != std::string::npos);
    }
    return 0;
}
