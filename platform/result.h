// What a reader tells its caller. Readers show nothing; the user interface decides what the user
// sees from the status (ui/messages.h).
#pragma once

#include <cstdint>
#include <new>

namespace platform {

enum class Status : uint8_t {
    kOk,
    kNotThisFormat,  // not a file of the kind asked for (wrong signature, no dataset there)
    kDamaged,        // the right kind, but its contents are refused
    kIoError,        // the file could not be opened or read
    kNoMemory,       // an allocation the read needs failed
};

[[nodiscard]] constexpr const char* StatusName(Status status) {
    switch (status) {
        case Status::kOk: return "ok";
        case Status::kNotThisFormat: return "not this format";
        case Status::kDamaged: return "damaged";
        case Status::kIoError: return "I/O error";
        case Status::kNoMemory: return "no memory";
    }
    return "?";
}

// A status and what it concerns: the file for kIoError, the operation ("CLemMap::GetHeader")
// for kNoMemory. `subject` points at storage that outlives the result (the reader's own path, the
// caller's argument or a literal), so that reporting a failure needs no memory.
struct [[nodiscard]] Result {
    Status status = Status::kOk;
    const char* subject = nullptr;

    [[nodiscard]] constexpr bool ok() const { return status == Status::kOk; }
    constexpr explicit operator bool() const { return ok(); }

    [[nodiscard]] static constexpr Result Ok() { return {}; }
    [[nodiscard]] static constexpr Result NotThisFormat() { return {Status::kNotThisFormat, nullptr}; }
    [[nodiscard]] static constexpr Result Damaged() { return {Status::kDamaged, nullptr}; }
    [[nodiscard]] static constexpr Result IoError(const char* file) { return {Status::kIoError, file}; }
    [[nodiscard]] static constexpr Result NoMemory(const char* operation) { return {Status::kNoMemory, operation}; }
};

// The one way the module meets allocation failure: runs allocate() and answers false when it
// threw std::bad_alloc (anything else passes on to the callback guard). What allocate() had done
// before it threw is its own to undo.
template <class Allocate>
[[nodiscard]] bool TryAllocate(Allocate&& allocate) {
    try {
        allocate();
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

}  // namespace platform
