# Warnings are errors in every build; floating point gives the same bits in all three builds.
add_compile_options(-Wall -Wextra -Werror -ffp-contract=off)

# Narrow literals are code page 932 in the binary. clang has no -fexec-charset for it: the
# fuzz build keeps UTF-8 literals, which is why the parsers' format tokens are byte escapes.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  add_compile_options($<$<COMPILE_LANGUAGE:CXX>:-fexec-charset=CP932>)
endif()

if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i686|i386|x86)$")
  # i686 would otherwise compute on the x87 stack with extended precision.
  add_compile_options(-msse2 -mfpmath=sse)
endif()

if(WIN32)
  # No mingw runtime DLL at run time.
  add_link_options(-static -static-libgcc -static-libstdc++)
  # The Windows and common-controls versions the code is written against, for every Windows
  # compile. mingw-w64's headers define their own default as soon as any of them (a standard
  # header too) is read, so a definition in platform/win32/windows_gateway.h would lose in every
  # file that includes a standard header first; the gateway checks that this one holds.
  set(TEPHRIX_WIN32_WINNT 0x0501)
  add_compile_definitions(_WIN32_WINNT=${TEPHRIX_WIN32_WINNT} TEPHRIX_WIN32_WINNT=${TEPHRIX_WIN32_WINNT}
                          _WIN32_IE=0x0600)
endif()

if(TEPHRIX_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()

if(TEPHRIX_FUZZ)
  # Coverage feedback and sanitizers for everything the fuzz targets link; the targets add
  # -fsanitize=fuzzer themselves, the replay programs do not.
  if(NOT CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    message(FATAL_ERROR "TEPHRIX_FUZZ needs clang (libFuzzer)")
  endif()
  if(TEPHRIX_FUZZ_COVERAGE)
    # Source-based coverage of the replay programs over a corpus; no sanitizers.
    add_compile_options(-fprofile-instr-generate -fcoverage-mapping)
    add_link_options(-fprofile-instr-generate)
  elseif(TEPHRIX_FUZZ_FAST)
    # Coverage feedback only, for long runs: several times the executions a second of the
    # sanitized build. What they find is replayed through the sanitized replay programs.
    add_compile_options(-fsanitize=fuzzer-no-link)
  else()
    add_compile_options(-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
  endif()
endif()
