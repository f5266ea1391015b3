// One move-only owner for every kind of handle; a small traits struct names the invalid value
// and the close call (find handles, GDI objects, DCs, PIDLs, COM interfaces...).
#pragma once

#include <type_traits>
#include <utility>

namespace platform {

template <typename Traits>
class ScopedHandle {
public:
    using Handle = typename Traits::Handle;

    ScopedHandle() noexcept : handle_(Traits::Invalid()) {}
    explicit ScopedHandle(Handle h) noexcept : handle_(h) {}
    ~ScopedHandle() { Reset(); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    ScopedHandle(ScopedHandle&& other) noexcept : handle_(other.Release()) {}
    ScopedHandle& operator=(ScopedHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    [[nodiscard]] Handle Get() const noexcept { return handle_; }
    [[nodiscard]] bool IsValid() const noexcept { return handle_ != Traits::Invalid(); }
    explicit operator bool() const noexcept { return IsValid(); }
    Handle Release() noexcept { return std::exchange(handle_, Traits::Invalid()); }
    void Reset(Handle h = Traits::Invalid()) noexcept {
        if (IsValid()) Traits::Close(handle_);
        handle_ = h;
    }

private:
    Handle handle_;
};

}  // namespace platform
