// The module's boundary. Every function the host or Windows calls (exports, procedures, dialog
// and window procedures, hooks) runs its body through Guarded, so that no exception reaches the
// caller: an allocation failure, a broken invariant or anything else thrown inside becomes the
// callback's documented failure answer. Each such failure is counted, so that tests can see it.
//
// TEPHRIX_CHECK is the always-on check for states that cannot happen. It is active in every
// build: a failed check records what failed (GuardFailures().lastCheck; on Windows also
// OutputDebugString) and fails the call it happened in through the guard. It never ends the
// process, which is the host's, and it carries no logic: the code behaves the same without it
// for as long as the condition holds.
#pragma once

#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>

namespace platform {

// Thrown by TEPHRIX_CHECK and caught only by Guarded.
struct InvariantViolation {
    const char* condition;
};

struct GuardCounts {
    uint32_t noMemory = 0;            // std::bad_alloc reached a guard
    uint32_t invariant = 0;           // a TEPHRIX_CHECK failed
    uint32_t other = 0;               // anything else reached a guard
    const char* lastCheck = nullptr;  // "file:line: condition" of the latest failed check
};
[[nodiscard]] const GuardCounts& GuardFailures();
void ResetGuardFailures();

[[noreturn]] void FailInvariant(const char* where);
void NoteGuardedFailure(uint32_t GuardCounts::*counter) noexcept;

// The seam: where a failed check is written for whoever watches the process (the debugger's
// output on Windows, standard error natively).
void ReportBrokenInvariant(const char* where) noexcept;

// Runs body() and returns its result; when it throws, runs onFailure() (which must not throw)
// and returns that.
template <class Body, class OnFailure>
auto Guarded(Body&& body, OnFailure&& onFailure) noexcept -> decltype(body()) {
    try {
        return std::forward<Body>(body)();
    } catch (const std::bad_alloc&) {
        NoteGuardedFailure(&GuardCounts::noMemory);
    } catch (const InvariantViolation&) {
        NoteGuardedFailure(&GuardCounts::invariant);
    } catch (...) {
        NoteGuardedFailure(&GuardCounts::other);
    }
    return std::forward<OnFailure>(onFailure)();
}

// The usual form: a fixed failure answer.
template <class Result, class Body>
requires(!std::is_invocable_v<Result>) Result Guarded(Result failure, Body&& body)
noexcept {
    return Guarded(std::forward<Body>(body), [failure]() noexcept { return failure; });
}

}  // namespace platform

#define TEPHRIX_CHECK_STR2(x) #x
#define TEPHRIX_CHECK_STR(x) TEPHRIX_CHECK_STR2(x)
#define TEPHRIX_CHECK(condition) \
    ((condition) ? void(0) : ::platform::FailInvariant(__FILE__ ":" TEPHRIX_CHECK_STR(__LINE__) ": " #condition))
