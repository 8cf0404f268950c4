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

# ombrix_fuzz(NAME src... LIBS lib... CORPUS dir): a libFuzzer target; ctest runs its seed corpus once.
function(ombrix_fuzz name)
  cmake_parse_arguments(F "" "CORPUS" "LIBS" ${ARGN})
  if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  add_executable(${name} ${F_UNPARSED_ARGUMENTS})
  target_compile_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_options(${name} PRIVATE -fsanitize=fuzzer)
  target_link_libraries(${name} PRIVATE ${F_LIBS})
  add_test(NAME ${name}_seeds COMMAND ${name} -runs=0 ${F_CORPUS})
endfunction()
