# Compiler settings and small helpers shared by every directory.

if(WIN32)
  # Static runtime: each deliverable imports only system DLLs (and ombrixaux).
  add_compile_options(-Wall -Wextra -Wno-unused-parameter -Wno-cast-function-type)
  add_compile_definitions(WIN32_LEAN_AND_MEAN _WIN32_WINNT=0x0400 WINVER=0x0400)
  add_link_options(-static -static-libgcc -static-libstdc++)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(OMBRIX_I686 ON)
  endif()
else()
  add_compile_options(-Wall -Wextra -Wno-unused-parameter)
  option(OMBRIX_SANITIZE "Build with ASan and UBSan" OFF)
  if(OMBRIX_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined)
  endif()
endif()

# Tests are built wherever they can run. The i686 build cannot run here, and its thread model has no
# std::mutex, which GoogleTest needs: there a test name stands for an empty target, so the directories
# that add dependencies to it need no conditions of their own.
if(OMBRIX_I686)
  set(OMBRIX_BUILD_TESTS OFF)
else()
  set(OMBRIX_BUILD_TESTS ON)
endif()

# ombrix_gtest(NAME src... LIBS lib...): a GoogleTest executable registered with ctest. On the Windows
# builds ctest runs it through the Wine wrapper (the toolchain's emulator).
function(ombrix_gtest name)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  if(NOT OMBRIX_BUILD_TESTS)
    add_custom_target(${name})
    return()
  endif()
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} gtest gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1)
endfunction()

# The libraries a fuzz target links, built once more for the fuzzers: with libFuzzer's coverage counters
# (-fsanitize=fuzzer-no-link), without which the fuzzer sees only its harness and mutates blind, and
# optimised, so that a minute of fuzzing runs many more inputs. The sanitizers stay. The unit tests keep
# linking the plain Debug libraries. A copy is named after its library with "_fuzzcov" appended and is made
# on first use, with the sources, include paths, definitions and options of the original and its own
# libraries replaced by their copies in turn.
# -O0 gives a finding's stack trace every frame back.
set(OMBRIX_FUZZ_OPTIMIZE -O1 CACHE STRING "Optimisation of the fuzz targets and their library copies")
set(OMBRIX_FUZZ_LIBRARY_OPTIONS ${OMBRIX_FUZZ_OPTIMIZE} -fsanitize=fuzzer-no-link)

function(_ombrix_fuzz_copy item out)
  # A generator expression wrapping one library ($<LINK_ONLY:x>, kept by static libraries for their
  # private dependencies) keeps its wrapper around the copy.
  if(item MATCHES "^\\$<LINK_ONLY:([^>]+)>$")
    _ombrix_fuzz_copy(${CMAKE_MATCH_1} inner)
    set(${out} "$<LINK_ONLY:${inner}>" PARENT_SCOPE)
    return()
  endif()
  if(NOT TARGET ${item})
    set(${out} ${item} PARENT_SCOPE)  # a system library or a linker flag
    return()
  endif()
  get_target_property(aliased ${item} ALIASED_TARGET)
  if(aliased)
    set(item ${aliased})
  endif()
  get_target_property(type ${item} TYPE)
  get_target_property(imported ${item} IMPORTED)
  if(NOT imported AND type STREQUAL "INTERFACE_LIBRARY")
    # Headers only, but what it links must be the copies too, or the originals come in beside them.
    set(copy ${item}_fuzzcov)
    set(${out} ${copy} PARENT_SCOPE)
    if(TARGET ${copy})
      return()
    endif()
    add_library(${copy} INTERFACE)
    foreach(property INTERFACE_INCLUDE_DIRECTORIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES
                     INTERFACE_COMPILE_DEFINITIONS INTERFACE_COMPILE_OPTIONS INTERFACE_COMPILE_FEATURES
                     INTERFACE_LINK_OPTIONS)
      get_target_property(value ${item} ${property})
      if(value)
        set_property(TARGET ${copy} PROPERTY ${property} "${value}")
      endif()
    endforeach()
    get_target_property(value ${item} INTERFACE_LINK_LIBRARIES)
    set(copies)
    if(value)
      foreach(library IN LISTS value)
        _ombrix_fuzz_copy(${library} library_copy)
        list(APPEND copies "${library_copy}")
      endforeach()
    endif()
    set_property(TARGET ${copy} PROPERTY INTERFACE_LINK_LIBRARIES "${copies}")
    return()
  endif()
  if(imported OR NOT type STREQUAL "STATIC_LIBRARY")
    set(${out} ${item} PARENT_SCOPE)
    return()
  endif()
  set(copy ${item}_fuzzcov)
  set(${out} ${copy} PARENT_SCOPE)
  if(TARGET ${copy})
    return()
  endif()

  get_target_property(source_dir ${item} SOURCE_DIR)
  get_target_property(binary_dir ${item} BINARY_DIR)
  get_target_property(sources ${item} SOURCES)
  set(copy_sources)
  foreach(source IN LISTS sources)
    if(source MATCHES "^\\$<" OR IS_ABSOLUTE "${source}")
      list(APPEND copy_sources "${source}")
    elseif(EXISTS "${source_dir}/${source}")
      list(APPEND copy_sources "${source_dir}/${source}")
    else()
      list(APPEND copy_sources "${binary_dir}/${source}")
    endif()
  endforeach()
  add_library(${copy} STATIC ${copy_sources})

  # Set, not appended: the copy lives in fuzz/, whose directory settings would otherwise come twice.
  foreach(property INCLUDE_DIRECTORIES INTERFACE_INCLUDE_DIRECTORIES INTERFACE_SYSTEM_INCLUDE_DIRECTORIES
                   COMPILE_DEFINITIONS INTERFACE_COMPILE_DEFINITIONS COMPILE_OPTIONS INTERFACE_COMPILE_OPTIONS
                   COMPILE_FEATURES INTERFACE_COMPILE_FEATURES LINK_OPTIONS INTERFACE_LINK_OPTIONS)
    get_target_property(value ${item} ${property})
    if(value)
      set_property(TARGET ${copy} PROPERTY ${property} "${value}")
    else()
      set_property(TARGET ${copy} PROPERTY ${property} "")
    endif()
  endforeach()
  foreach(property LINK_LIBRARIES INTERFACE_LINK_LIBRARIES)
    get_target_property(value ${item} ${property})
    set(copies)
    if(value)
      foreach(library IN LISTS value)
        _ombrix_fuzz_copy(${library} library_copy)
        list(APPEND copies "${library_copy}")
      endforeach()
    endif()
    set_property(TARGET ${copy} PROPERTY ${property} "${copies}")
  endforeach()
  target_compile_options(${copy} PRIVATE ${OMBRIX_FUZZ_LIBRARY_OPTIONS})
endfunction()

# ombrix_fuzz(NAME src... LIBS lib... CORPUS dir): a libFuzzer target; ctest runs its seed corpus once. It
# links the instrumented copies of its libraries (above).
function(ombrix_fuzz name)
  cmake_parse_arguments(F "" "CORPUS" "LIBS" ${ARGN})
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    # A build without its fuzz targets would pass without running a single seed.
    message(FATAL_ERROR "${name}: the fuzz targets need clang's libFuzzer; configure with the native preset")
  endif()
  set(libraries)
  foreach(library IN LISTS F_LIBS)
    _ombrix_fuzz_copy(${library} library_copy)
    list(APPEND libraries ${library_copy})
  endforeach()
  add_executable(${name} ${F_UNPARSED_ARGUMENTS})
  target_compile_options(${name} PRIVATE ${OMBRIX_FUZZ_OPTIMIZE} -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${libraries})
  add_test(NAME ${name}_seeds COMMAND ${name} -runs=0 ${F_CORPUS})
endfunction()

# ombrix_deliverable(TARGET): a program or library that ships. Its debug information goes into a file of
# its own beside it (TARGET's file name + ".debug", linked back by a debug link for gdb), and the shipped
# file is stripped of it: Wine maps a program's DWARF sections into private memory, several megabytes that
# a user's machine would carry for nothing.
function(ombrix_deliverable target)
  if(NOT WIN32 OR NOT CMAKE_OBJCOPY)
    return()
  endif()
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --only-keep-debug $<TARGET_FILE:${target}> $<TARGET_FILE:${target}>.debug
    COMMAND ${CMAKE_OBJCOPY} --strip-debug --add-gnu-debuglink=$<TARGET_FILE:${target}>.debug
            $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()
