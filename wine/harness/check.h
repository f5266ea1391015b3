// A tiny check framework for the Wine harnesses: named checks, a count, and the closing line
// "N passed, M failed" that the test scripts read.
#pragma once

#include <cstdio>
#include <string>

namespace harness {

struct Tally {
    int passed = 0;
    int failed = 0;
};
Tally& Counts();

inline bool Check(bool ok, const std::string& what, const char* file, int line) {
    if (ok) {
        ++Counts().passed;
        std::printf("ok   %s\n", what.c_str());
    } else {
        ++Counts().failed;
        std::printf("FAIL %s (%s:%d)\n", what.c_str(), file, line);
    }
    std::fflush(stdout);
    return ok;
}

// Prints the closing line and gives the process exit code.
inline int Finish() {
    std::printf("%d passed, %d failed\n", Counts().passed, Counts().failed);
    std::fflush(stdout);
    return Counts().failed == 0 && Counts().passed > 0 ? 0 : 1;
}

std::string Hex(const std::string& bytes);

}  // namespace harness

#define CHECK(cond, what) ::harness::Check((cond), (what), __FILE__, __LINE__)
#define CHECK_EQ_BYTES(got, want, what) \
    ::harness::Check((got) == (want), std::string(what) + " [" + ::harness::Hex(got) + "]", __FILE__, __LINE__)
