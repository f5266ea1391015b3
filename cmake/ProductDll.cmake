# The module DLL Tephrix.olp for the Windows builds (product i686, and x86_64 for Wine).

# stdcall names carry @N on i686; the exported and imported names are plain.
foreach(n 0 4 8 12 16)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(DECORATE_${n} "@${n}")
  else()
    set(DECORATE_${n} "")
  endif()
endforeach()
configure_file(${PROJECT_SOURCE_DIR}/plugin/Tephrix.def.in ${CMAKE_BINARY_DIR}/Tephrix.def @ONLY)
include(${PROJECT_SOURCE_DIR}/cmake/HostFunctions.cmake)
tephrix_host_function_exports(host_function_exports)
file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/PluginIf.def @ONLY CONTENT
     "; The host's interface library, from olx/host_functions.h.\nLIBRARY \"PluginIf.dll\"\nEXPORTS\n${host_function_exports}")

# Import library of the host's closed PluginIf.dll, generated from the table of its functions.
if(NOT CMAKE_DLLTOOL)
  string(REGEX REPLACE "g\\+\\+(-posix)?$" "dlltool" CMAKE_DLLTOOL "${CMAKE_CXX_COMPILER}")
endif()
set(PLUGINIF_IMPLIB ${CMAKE_BINARY_DIR}/libPluginIf_import.a)
add_custom_command(
  OUTPUT ${PLUGINIF_IMPLIB}
  COMMAND ${CMAKE_DLLTOOL} -k -d ${CMAKE_BINARY_DIR}/PluginIf.def -l ${PLUGINIF_IMPLIB}
  DEPENDS ${CMAKE_BINARY_DIR}/PluginIf.def
  COMMENT "Generating the PluginIf.dll import library")
add_custom_target(pluginif_import DEPENDS ${PLUGINIF_IMPLIB})
add_library(pluginif_import_lib UNKNOWN IMPORTED)
set_target_properties(pluginif_import_lib PROPERTIES IMPORTED_LOCATION ${PLUGINIF_IMPLIB})
add_dependencies(pluginif_import_lib pluginif_import)
# Whatever uses the host interface links the host's functions.
target_link_libraries(tephrix_olx INTERFACE pluginif_import_lib)

# The marker tool runs on the build machine, so it is built with the build machine's compiler.
find_program(HOST_CXX NAMES c++ g++ REQUIRED NO_CMAKE_FIND_ROOT_PATH)
set(OLP_MARKER ${CMAKE_BINARY_DIR}/olp-marker)
add_custom_command(
  OUTPUT ${OLP_MARKER}
  COMMAND ${HOST_CXX} -std=c++20 -O2 -Wall -Wextra -Werror -I${PROJECT_SOURCE_DIR}
          ${PROJECT_SOURCE_DIR}/tools/marker/olp_marker.cpp -o ${OLP_MARKER}
  DEPENDS ${PROJECT_SOURCE_DIR}/tools/marker/olp_marker.cpp ${PROJECT_SOURCE_DIR}/tools/marker/marker.h
          ${PROJECT_SOURCE_DIR}/tools/marker/layout.h ${PROJECT_SOURCE_DIR}/tools/pe/pe_image.h
  COMMENT "Building the requirement-marker tool for the build machine")
add_custom_target(olp_marker DEPENDS ${OLP_MARKER})

set(TEPHRIX_RC_FILES ${PROJECT_SOURCE_DIR}/res/version.rc)
if(EXISTS ${PROJECT_SOURCE_DIR}/res/dialogs.rc)
  list(APPEND TEPHRIX_RC_FILES ${PROJECT_SOURCE_DIR}/res/dialogs.rc)
endif()
# The .rc files are UTF-8; windres reads them as code page 65001.
set(CMAKE_RC_FLAGS "${CMAKE_RC_FLAGS} -c 65001")
enable_language(RC)

add_library(Tephrix SHARED
  ${TEPHRIX_RC_FILES}
  ${CMAKE_BINARY_DIR}/Tephrix.def)
set_target_properties(Tephrix PROPERTIES PREFIX "" OUTPUT_NAME "Tephrix" SUFFIX ".olp")
target_link_libraries(Tephrix PRIVATE
  $<LINK_LIBRARY:WHOLE_ARCHIVE,tephrix_plugin>
  comctl32 comdlg32 shell32 ole32 gdi32 user32 kernel32)
target_link_options(Tephrix PRIVATE
  -Wl,--kill-at
  -Wl,--subsystem,windows
  -Wl,--no-insert-timestamp
  # Header area up to 0x1000, so the requirement marker has room behind the section table.
  -Wl,--file-alignment,0x1000
  -s)
set(OLP_MARKER_ARGS)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  # The host reads the marker at 0x2D0, behind a table of five sections: the linker script
  # orders the sections so that those of one protection follow each other, the marker tool
  # joins them (.text, .rdata, .data, .rsrc, .reloc) and places the headers.
  set(TEPHRIX_LINKER_SCRIPT ${PROJECT_SOURCE_DIR}/cmake/tephrix-i686.ld)
  target_link_options(Tephrix PRIVATE -Wl,-T,${TEPHRIX_LINKER_SCRIPT})
  set_property(TARGET Tephrix APPEND PROPERTY LINK_DEPENDS ${TEPHRIX_LINKER_SCRIPT})
  set(OLP_MARKER_ARGS --table-end 0x2D0)
endif()
add_dependencies(Tephrix olp_marker)
add_custom_command(TARGET Tephrix POST_BUILD
  COMMAND ${OLP_MARKER} ${OLP_MARKER_ARGS} $<TARGET_FILE:Tephrix>
  COMMENT "Writing the requirement marker into Tephrix.olp")
