#include "platform/find.h"
#include "platform/scoped_handle.h"
#include "platform/win32/windows_gateway.h"

namespace platform {
namespace {
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};
using ScopedFind = ScopedHandle<FindHandleTraits>;
static_assert(!std::is_copy_constructible_v<ScopedFind>);
}  // namespace

std::vector<std::string> FindFiles(const std::string& pattern) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA data{};
    ScopedFind find(FindFirstFileA(pattern.c_str(), &data));
    if (!find) return names;
    do {
        names.emplace_back(data.cFileName);
    } while (FindNextFileA(find.Get(), &data));
    return names;
}

}  // namespace platform
