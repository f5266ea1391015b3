# The module's layers: one library per folder, whose PUBLIC links are the arrows of the layer
# diagram in docs/architecture.md. The repository root is the include folder of every target,
# so the compiler alone would let any file include any header; a build step per layer reads the
# #include "..." lines of its files and fails on a folder that is neither the layer's own nor
# one of the layers it links (directly, or through their PUBLIC links). The allowed folders come
# from the link lines themselves: there is no second list to keep in step.

# tephrix_layer(target FOLDERS folder...): target is the layer whose headers and sources lie in
# these folders (relative to the repository root; a generated folder counts by its name).
function(tephrix_layer target)
  cmake_parse_arguments(PARSE_ARGV 1 arg "" "" "FOLDERS")
  set_target_properties(${target} PROPERTIES TEPHRIX_FOLDERS "${arg_FOLDERS}")
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_include_directories(${target} INTERFACE ${PROJECT_SOURCE_DIR})
  else()
    target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  endif()
  set_property(GLOBAL APPEND PROPERTY TEPHRIX_LAYERS ${target})
endfunction()

# The targets an entry of a link list names. $<LINK_ONLY:...> is a link without the right to
# include (natively the stand-in implements the seams below platform/ and ui/ that way).
function(_tephrix_link_targets entry out)
  set(names "")
  if(entry MATCHES "^\\$<LINK_ONLY:")
    # nothing
  elseif(entry MATCHES "^\\$<LINK_LIBRARY:[^,>]+,(.*)>$")
    string(REPLACE "," ";" names "${CMAKE_MATCH_1}")
  elseif(NOT entry MATCHES "^\\$<" AND TARGET "${entry}")
    set(names "${entry}")
  endif()
  set(targets "")
  foreach(name IN LISTS names)
    if(TARGET "${name}")
      get_target_property(aliased ${name} ALIASED_TARGET)
      if(aliased)
        set(name ${aliased})
      endif()
      list(APPEND targets ${name})
    endif()
  endforeach()
  set(${out} "${targets}" PARENT_SCOPE)
endfunction()

# The folders target may include: its own and those of every layer it links, following the
# linked layers' PUBLIC (interface) links.
function(_tephrix_allowed_folders target out)
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    get_target_property(pending ${target} INTERFACE_LINK_LIBRARIES)
  else()
    get_target_property(pending ${target} LINK_LIBRARIES)
  endif()
  get_target_property(folders ${target} TEPHRIX_FOLDERS)
  set(seen ${target})
  while(pending)
    list(POP_FRONT pending entry)
    _tephrix_link_targets("${entry}" linked)
    foreach(dep IN LISTS linked)
      if(dep IN_LIST seen)
        continue()
      endif()
      list(APPEND seen ${dep})
      get_target_property(dep_folders ${dep} TEPHRIX_FOLDERS)
      if(dep_folders)
        list(APPEND folders ${dep_folders})
      endif()
      get_target_property(next ${dep} INTERFACE_LINK_LIBRARIES)
      if(next)
        list(APPEND pending ${next})
      endif()
    endforeach()
  endwhile()
  list(REMOVE_DUPLICATES folders)
  set(${out} "${folders}" PARENT_SCOPE)
endfunction()

# Called once every layer is defined: one check per layer over its sources and the headers in
# its folders, run before the layer is compiled.
function(tephrix_check_layers)
  get_property(layers GLOBAL PROPERTY TEPHRIX_LAYERS)
  set(script ${PROJECT_SOURCE_DIR}/cmake/CheckIncludes.cmake)
  foreach(layer IN LISTS layers)
    _tephrix_allowed_folders(${layer} allowed)
    get_target_property(own ${layer} TEPHRIX_FOLDERS)
    list(GET own 0 name)
    set(files "")
    foreach(folder IN LISTS own)
      if(IS_DIRECTORY ${PROJECT_SOURCE_DIR}/${folder})
        file(GLOB_RECURSE headers CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/${folder}/*.h)
        list(APPEND files ${headers})
      endif()
    endforeach()
    get_target_property(type ${layer} TYPE)
    if(NOT type STREQUAL "INTERFACE_LIBRARY")
      get_target_property(sources ${layer} SOURCES)
      get_target_property(source_dir ${layer} SOURCE_DIR)
      foreach(source IN LISTS sources)
        if(source MATCHES "\\$<" OR NOT source MATCHES "\\.(c|cpp|h)$")
          continue()
        endif()
        cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${source_dir} NORMALIZE)
        list(APPEND files ${source})
      endforeach()
    endif()
    list(REMOVE_DUPLICATES files)
    set(input ${CMAKE_BINARY_DIR}/layers/${layer}.cmake)
    file(CONFIGURE OUTPUT ${input} @ONLY
         CONTENT "set(LAYER \"@name@\")\nset(ALLOWED \"@allowed@\")\nset(FILES \"@files@\")\n")
    set(stamp ${CMAKE_BINARY_DIR}/layers/${layer}.stamp)
    add_custom_command(
      OUTPUT ${stamp}
      COMMAND ${CMAKE_COMMAND} -D INPUT=${input} -D STAMP=${stamp} -P ${script}
      DEPENDS ${script} ${input} ${files}
      COMMENT "Checking the includes of ${name}/ against its links"
      VERBATIM)
    add_custom_target(${layer}_includes ALL DEPENDS ${stamp})
    add_dependencies(${layer} ${layer}_includes)
  endforeach()
endfunction()
