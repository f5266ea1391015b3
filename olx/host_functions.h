// The 27 functions of the host's PluginIf.dll, one line each:
//   X(name, bytes of arguments on the i686 stack (the stdcall @N), result, (parameters))
// The declarations in host_interface.h, the import library's and the stand-in's .def files
// (cmake/HostFunctions.cmake reads these lines, so keep each on one line in this form) and the
// product check's list of imports are all made from this table.
// OLX_GetProfileString's text is the host's; copy it at once.
#pragma once

// clang-format off
#define OLX_HOST_FUNCTIONS(X) \
    X(OLX_GetVersion, 0, int32_t, (void)) \
    X(OLX_RegisterMap, 4, int32_t, (const tagHOOKENTRY* entry)) \
    X(OLX_AddHook, 8, int32_t, (int32_t kind, const tagHOOKENTRY* entry)) \
    X(OLX_AddMenu, 16, int32_t, (uint32_t pluginId, int32_t parent, const char* text, OlxProc proc)) \
    X(OLX_AddPopupMenu, 16, int32_t, (uint32_t pluginId, int32_t parent, const char* text, int32_t arg)) \
    X(OLX_AddChildMenu, 16, int32_t, (uint32_t pluginId, int32_t popup, const char* text, OlxProc proc)) \
    X(OLX_GetProfileInt, 12, int32_t, (uint32_t pluginId, const char* key, int32_t def)) \
    X(OLX_GetProfileString, 12, const char*, (uint32_t pluginId, const char* key, const char* def)) \
    X(OLX_WriteProfileInt, 12, int32_t, (uint32_t pluginId, const char* key, int32_t value)) \
    X(OLX_WriteProfileString, 12, int32_t, (uint32_t pluginId, const char* key, const char* value)) \
    X(OLX_GetMainWnd, 0, void*, (void)) \
    X(OLX_GetActiveView, 0, uint32_t, (void)) \
    X(OLX_GetViewCenter, 8, int32_t, (uint32_t view, tagGEOPOS* out)) \
    X(OLX_GetActiveBaseMap, 0, uint32_t, (void)) \
    X(OLX_GetActiveCoverMap, 0, uint32_t, (void)) \
    X(OLX_GetMapgroupFile, 4, const char*, (uint32_t map)) \
    X(OLX_GetMapFile, 4, const char*, (uint32_t map)) \
    X(OLX_GetMatIndex, 4, int32_t, (uint32_t map)) \
    X(OLX_OpenMap, 8, int32_t, (uint32_t view, const tagOPENMAPINFO* info)) \
    X(OLX_ClearAllViewCache, 0, int32_t, (void)) \
    X(OLX_GetDatumbyShortString, 4, int32_t, (const char* name)) \
    X(OLX_ConvertDatum, 16, int32_t, (const tagGEOPOS* src, tagGEOPOS* dst, int32_t fromDatum, int32_t toDatum)) \
    X(OLX_MakeMapSetID, 8, int32_t, (void* id12, const tagMAPSETIDINFO* info)) \
    X(OLX_XEM_Open, 8, uint32_t, (const void* setId, const char* name)) \
    X(OLX_XEM_GetMapsetInfo, 8, int32_t, (uint32_t handle, tagMAPSETCREATEINFO* info)) \
    X(OLX_XEM_DecodeRealBlock, 12, int32_t, (uint32_t handle, int32_t blockId, int16_t* values)) \
    X(OLX_XEM_Close, 4, int32_t, (uint32_t handle))
// clang-format on
