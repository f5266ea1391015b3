// The one place that includes <windows.h>. Nothing in lem/ or base/ includes it.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

// The target version is a compile definition of the build (cmake/TephrixFlags.cmake): a
// definition here would lose to mingw-w64's default wherever a standard header came first.
static_assert(_WIN32_WINNT == TEPHRIX_WIN32_WINNT, "_WIN32_WINNT must be the build's, set for every Windows compile");
