// Owners for the Win32 handles the dialogs use, on the project's ScopedHandle.
#pragma once

#include <type_traits>

#include "platform/scoped_handle.h"
#include "platform/win32/windows_gateway.h"
#include <shlobj.h>

namespace ui::win32 {

template <typename Interface>
struct ComTraits {
    using Handle = Interface*;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle p) { p->Release(); }
};
template <typename Interface>
using ComPtr = platform::ScopedHandle<ComTraits<Interface>>;

// Item identifier lists the shell hands out are freed through the shell's allocator.
struct PidlTraits {
    using Handle = LPITEMIDLIST;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle p) {
        IMalloc* allocator = nullptr;
        if (SUCCEEDED(SHGetMalloc(&allocator)) && allocator) {
            allocator->Free(p);
            allocator->Release();
        }
    }
};
using Pidl = platform::ScopedHandle<PidlTraits>;

struct GdiObjectTraits {
    using Handle = HGDIOBJ;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DeleteObject(h); }
};
using GdiObject = platform::ScopedHandle<GdiObjectTraits>;

struct WindowTraits {
    using Handle = HWND;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { DestroyWindow(h); }
};
using Window = platform::ScopedHandle<WindowTraits>;

struct HookTraits {
    using Handle = HHOOK;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { UnhookWindowsHookEx(h); }
};
using Hook = platform::ScopedHandle<HookTraits>;

static_assert(!std::is_copy_constructible_v<Pidl>);
static_assert(!std::is_copy_constructible_v<Hook>);
static_assert(!std::is_copy_constructible_v<GdiObject>);

// A window's DC from GetDC, released to its window.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() {
        if (dc_) ReleaseDC(window_, dc_);
    }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    [[nodiscard]] HDC Get() const { return dc_; }

private:
    HWND window_;
    HDC dc_;
};

// Selects an object into a DC and puts the previous one back.
class SelectGuard {
public:
    SelectGuard(HDC dc, HGDIOBJ object) : dc_(dc), previous_(object ? SelectObject(dc, object) : nullptr) {}
    ~SelectGuard() {
        if (previous_) SelectObject(dc_, previous_);
    }
    SelectGuard(const SelectGuard&) = delete;
    SelectGuard& operator=(const SelectGuard&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// SaveDC / RestoreDC around a drawing.
class SavedDcState {
public:
    explicit SavedDcState(HDC dc) : dc_(dc), state_(SaveDC(dc)) {}
    ~SavedDcState() {
        if (state_) RestoreDC(dc_, state_);
    }
    SavedDcState(const SavedDcState&) = delete;
    SavedDcState& operator=(const SavedDcState&) = delete;

private:
    HDC dc_;
    int state_;
};

}  // namespace ui::win32
