// The host's interface library PluginIf.dll: its 27 functions and the records they take.
// The library is closed; this header is written from the protocol the module relies on.
// Layouts are those of the 32-bit product. The 64-bit Windows build (run under Wine) and the
// native build use the same declarations with natural pointer widths; only the i686 target is
// bound by the offsets below, so the static_asserts apply there.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>

#include "olx/block_geometry.h"
#include "olx/host_functions.h"

// One place decides the calling convention of every host-facing function and procedure.
#if defined(_WIN32) && !defined(_WIN64)
#define OLX_CALL __stdcall
#else
#define OLX_CALL
#endif

#if defined(_WIN32)
#define OLX_IMPORT __declspec(dllimport)
#define OLX_EXPORT __declspec(dllexport)
#else
#define OLX_IMPORT
#define OLX_EXPORT __attribute__((visibility("default")))
#endif

// The host stand-in defines OLX_HOST_BUILD while it builds PluginIf.dll itself.
#if defined(_WIN32) && defined(OLX_HOST_DLL)
#define OLX_HOST_API OLX_EXPORT
#elif defined(_WIN32) && !defined(OLX_HOST_STATIC)
#define OLX_HOST_API OLX_IMPORT
#else
#define OLX_HOST_API
#endif

// The procedure form: (code, handle, parameter) -> result. The parameter usually carries an
// address; it is intptr_t so that it is the host's signed 32-bit value on the product and still
// holds a pointer on 64-bit builds.
using OlxProc = int32_t(OLX_CALL*)(int32_t code, uint32_t handle, intptr_t param);

extern "C" {

struct tagGEOPOS {
    double lat;  // degrees
    double lon;  // degrees
};

struct tagHOOKENTRY {
    int32_t size;    // 16
    uint32_t owner;  // plug-in id
    OlxProc proc;
    int32_t zero;
};

struct tagOPENMAPINFO {
    int32_t size;      // 56
    const char* path;  // 4
    int32_t flag;      // 8: 0 a file, 1 with view fields
    int32_t reserved12;
    tagGEOPOS center;  // 16
    int32_t zero32;    // 32
    int32_t reserved36;
    int32_t zero40;  // 40
    int32_t reserved44;
    int32_t matIndex;  // 48
    int32_t reserved52;
};

struct tagMAPSETIDINFO {
    int32_t field[9];  // 36, 1, 235, 116, 1, 1, 0, variant, 0
};

struct tagMAPSETCREATEINFO {
    int32_t size;  // 112
    uint8_t reserved4[20];
    double lat;  // 24: south-west corner
    double lon;  // 32
    uint8_t reserved40[16];
    double cellsPerDegLon;  // 56
    double cellsPerDegLat;  // 64
    uint8_t reserved72[8];
    int32_t datum;  // 80
    uint8_t reserved84[28];
};

// Records the host passes to the map-type procedure.
struct tagFILETYPEINFO {  // code 2001
    int32_t reserved0;
    uint8_t flag4;
    uint8_t flag5;
    uint8_t reserved6[2];
    const char* filterName;  // 8
    const char* pattern;     // 12
};

struct tagMAPINFO {     // code 2011
    int32_t size;       // 72
    const char* title;  // 4
    uint8_t flag8;      // 8; bytes 9-11 are the host's
    uint8_t hostBytes9[3];
    int32_t one12;          // 12
    double south;           // 16
    double west;            // 24
    double north;           // 32
    double east;            // 40
    double cellsPerDegLon;  // 48
    double cellsPerDegLat;  // 56
    int32_t width;          // 64
    int32_t height;         // 68
};

struct tagBLOCKREQUEST {  // code 2012
    int32_t reserved0;
    int32_t blockId;  // 4
    int16_t* values;  // 8: 320 x 320
};

// The 27 functions of PluginIf.dll.
#define OLX_DECLARE_HOST_FUNCTION(name, stackBytes, result, params) OLX_HOST_API result OLX_CALL name params;
OLX_HOST_FUNCTIONS(OLX_DECLARE_HOST_FUNCTION)
#undef OLX_DECLARE_HOST_FUNCTION

}  // extern "C"

namespace olx::detail {
// The bytes a stdcall function's arguments take on the i686 stack: each argument rounded up to
// four bytes, a pointer counted as four whatever this build's width.
template <typename T>
constexpr int StackBytes() {
    constexpr int size = std::is_pointer_v<T> ? 4 : static_cast<int>(sizeof(T));
    return (size + 3) / 4 * 4;
}
template <typename R, typename... A>
constexpr int StackBytes(R(OLX_CALL*)(A...)) {
    return (0 + ... + StackBytes<A>());
}
}  // namespace olx::detail

// The @N of each decorated name follows from the parameters.
#define OLX_CHECK_STACK_BYTES(name, stackBytes, result, params) \
    static_assert(olx::detail::StackBytes(&name) == stackBytes, #name ": stack bytes");
OLX_HOST_FUNCTIONS(OLX_CHECK_STACK_BYTES)
#undef OLX_CHECK_STACK_BYTES

// Sizes that do not depend on pointer width hold everywhere.
static_assert(sizeof(tagGEOPOS) == 16);
static_assert(sizeof(tagMAPSETIDINFO) == 36);
static_assert(sizeof(tagMAPSETCREATEINFO) == 112);
static_assert(offsetof(tagMAPSETCREATEINFO, lat) == 24);
static_assert(offsetof(tagMAPSETCREATEINFO, lon) == 32);
static_assert(offsetof(tagMAPSETCREATEINFO, cellsPerDegLon) == 56);
static_assert(offsetof(tagMAPSETCREATEINFO, cellsPerDegLat) == 64);
static_assert(offsetof(tagMAPSETCREATEINFO, datum) == 80);

#if defined(_WIN32) && !defined(_WIN64)
// The host's 32-bit layouts.
static_assert(sizeof(void*) == 4);
static_assert(sizeof(tagHOOKENTRY) == 16);
static_assert(offsetof(tagHOOKENTRY, owner) == 4);
static_assert(offsetof(tagHOOKENTRY, proc) == 8);
static_assert(offsetof(tagHOOKENTRY, zero) == 12);
static_assert(sizeof(tagOPENMAPINFO) == 56);
static_assert(offsetof(tagOPENMAPINFO, path) == 4);
static_assert(offsetof(tagOPENMAPINFO, flag) == 8);
static_assert(offsetof(tagOPENMAPINFO, center) == 16);
static_assert(offsetof(tagOPENMAPINFO, zero32) == 32);
static_assert(offsetof(tagOPENMAPINFO, zero40) == 40);
static_assert(offsetof(tagOPENMAPINFO, matIndex) == 48);
static_assert(offsetof(tagFILETYPEINFO, flag4) == 4);
static_assert(offsetof(tagFILETYPEINFO, flag5) == 5);
static_assert(offsetof(tagFILETYPEINFO, filterName) == 8);
static_assert(offsetof(tagFILETYPEINFO, pattern) == 12);
static_assert(sizeof(tagMAPINFO) == 72);
static_assert(offsetof(tagMAPINFO, title) == 4);
static_assert(offsetof(tagMAPINFO, flag8) == 8);
static_assert(offsetof(tagMAPINFO, one12) == 12);
static_assert(offsetof(tagMAPINFO, south) == 16);
static_assert(offsetof(tagMAPINFO, west) == 24);
static_assert(offsetof(tagMAPINFO, north) == 32);
static_assert(offsetof(tagMAPINFO, east) == 40);
static_assert(offsetof(tagMAPINFO, cellsPerDegLon) == 48);
static_assert(offsetof(tagMAPINFO, cellsPerDegLat) == 56);
static_assert(offsetof(tagMAPINFO, width) == 64);
static_assert(offsetof(tagMAPINFO, height) == 68);
static_assert(offsetof(tagBLOCKREQUEST, blockId) == 4);
static_assert(offsetof(tagBLOCKREQUEST, values) == 8);
static_assert(sizeof(intptr_t) == 4);
#endif

namespace olx {
constexpr int32_t kRequiredVersion = 7730;
constexpr int32_t kModuleDatum = 1;

// Menu protocol
constexpr int32_t kMenuCommand = 100;
constexpr int32_t kMenuState = 101;
// File-open hook
constexpr int32_t kHookFileOpen = 7;
constexpr int32_t kEventFileOpen = 1001;
// Map-type messages
constexpr int32_t kMsgFileType = 2001;
constexpr int32_t kMsgRecognise = 2003;
constexpr int32_t kMsgOpen = 2004;
constexpr int32_t kMsgDescribe = 2011;
constexpr int32_t kMsgReadBlock = 2012;
constexpr int32_t kMsgClose = 2021;

// The request of OLX_OpenMap for the file at path, without view fields (flag 0). The host reads
// path during the call, so it must lie in storage that outlives it.
inline tagOPENMAPINFO OpenFileRequest(const char* path) {
    tagOPENMAPINFO info{};
    info.size = 56;  // the host's size of the record, also where pointers are 8 bytes
    info.path = path;
    info.flag = 0;
    info.zero32 = 0;
    info.zero40 = 0;
    return info;
}

template <typename T>
T* FromParam(intptr_t param) {
    return reinterpret_cast<T*>(param);
}
template <typename T>
intptr_t ToParam(T* p) {
    return reinterpret_cast<intptr_t>(p);
}
}  // namespace olx
