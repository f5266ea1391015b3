# cmake -D INPUT=<layer facts> -D STAMP=<file> -P CheckIncludes.cmake
# INPUT sets LAYER (its name), ALLOWED (the folders it may include) and FILES. Every
# #include "folder/..." whose folder is not allowed is reported as file:line; any such include
# fails the step, otherwise the stamp is written.
cmake_minimum_required(VERSION 3.25)
include(${INPUT})
set(count 0)
foreach(file IN LISTS FILES)
  file(STRINGS ${file} includes REGEX "^[ \t]*#[ \t]*include[ \t]*\"[^\"/]+/")
  foreach(line IN LISTS includes)
    string(REGEX MATCH "\"(([^\"/]+)/[^\"]*)\"" _ "${line}")
    set(header ${CMAKE_MATCH_1})
    set(folder ${CMAKE_MATCH_2})
    if(folder IN_LIST ALLOWED)
      continue()
    endif()
    # The line number, for an editor to jump to.
    file(READ ${file} text)
    string(FIND "${text}" "${line}" at)
    string(SUBSTRING "${text}" 0 ${at} before)
    string(REGEX MATCHALL "\n" breaks "${before}")
    list(LENGTH breaks number)
    math(EXPR number "${number} + 1")
    string(REPLACE ";" " " may "${ALLOWED}")
    message(NOTICE "${file}:${number}: ${LAYER} may not include ${header} (${LAYER} may include: ${may})")
    math(EXPR count "${count} + 1")
  endforeach()
endforeach()
if(count GREATER 0)
  message(FATAL_ERROR "${count} include(s) against the layers' links in ${LAYER}/; "
                      "include only what the layer links, or change the links (and docs/architecture.md)")
endif()
file(TOUCH ${STAMP})
