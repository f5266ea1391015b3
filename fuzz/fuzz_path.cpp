// The path helpers and the LEM name test on code page 932 bytes. Input: the path, then after
// the first NUL byte a component to append.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <cctype>
#include <string>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "lem/path.h"
#include "plugin/entry.h"

namespace {

// The oracles below share no code with the helpers: the lead-byte ranges are written out here.
// 0x80-0x9F and 0xE0-0xFF take the next byte with them; 0xA0-0xDF and ASCII stand alone.
bool Lead(unsigned char b) {
    return (b >= 0x80 && b <= 0x9F) || b >= 0xE0;
}

// Positions where a character begins; a lead byte at the very end begins one without its trail.
std::vector<bool> CharStarts(const std::string& text) {
    std::vector<bool> starts(text.size(), false);
    for (size_t i = 0; i < text.size(); i += Lead(static_cast<unsigned char>(text[i])) ? 2 : 1) starts[i] = true;
    return starts;
}

// True when the walk over text ends inside a double-byte character (a lead byte last).
bool EndsInLeadByte(const std::string& text) {
    const std::vector<bool> starts = CharStarts(text);
    return !text.empty() && starts.back() && Lead(static_cast<unsigned char>(text.back()));
}

// Index of the last separator backslash (a backslash that begins a character), npos when none.
size_t LastSeparator(const std::string& text) {
    const std::vector<bool> starts = CharStarts(text);
    size_t last = std::string::npos;
    for (size_t i = 0; i < text.size(); ++i) {
        if (starts[i] && text[i] == '\\') last = i;
    }
    return last;
}

// Where the file-name part begins: behind the last separator, else behind the last ':'.
size_t FileNameStart(const std::string& text) {
    const size_t separator = LastSeparator(text);
    if (separator != std::string::npos) return separator + 1;
    const size_t colon = text.rfind(':');
    return colon == std::string::npos ? 0 : colon + 1;
}

// ".LEM" in any letter case, beginning where a character begins.
bool HasLemText(const std::string& text) {
    const std::vector<bool> starts = CharStarts(text);
    for (size_t i = 0; i + 4 <= text.size(); ++i) {
        if (!starts[i] || text[i] != '.') continue;
        const auto upper = [&](size_t k) {
            return static_cast<char>(std::toupper(static_cast<unsigned char>(text[k])));
        };
        if (upper(i + 1) == 'L' && upper(i + 2) == 'E' && upper(i + 3) == 'M') return true;
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
    FUZZ_CHECK(name == path.c_str() + FileNameStart(path));

    std::string folder = "unset";
    std::string file = "unset";
    const bool split = lem::SplitPath(path, &folder, &file);
    if (path.size() >= lem::kMaxPath) {
        FUZZ_CHECK(!split && folder == "unset" && file == "unset");
    } else {
        FUZZ_CHECK(split);
        FUZZ_CHECK(folder + file == path);
        FUZZ_CHECK(file == path.substr(FileNameStart(path)));
        FUZZ_CHECK(LastSeparator(file) == std::string::npos);
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
            FUZZ_CHECK(!d.empty() && LastSeparator(d) == d.size() - 1);
        }
    } else {
        FUZZ_CHECK(appended == path);
        FUZZ_CHECK(path.size() + component.size() + 1 >= lem::kMaxPath);
    }

    // Trailing backslash: the last separator is the last byte.
    FUZZ_CHECK(lem::HasTrailingBackslash(path.c_str()) == (!path.empty() && LastSeparator(path) == path.size() - 1));

    const size_t nameStart = FileNameStart(path);
    const bool digitName = nameStart < path.size() && path[nameStart] >= '0' && path[nameStart] <= '9';
    const bool expectLem = path.size() < lem::kMaxPath && HasLemText(path) && !digitName;
    FUZZ_CHECK(plugin::IsLemPath(path.c_str()) == expectLem);
    return 0;
}
