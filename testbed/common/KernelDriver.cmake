# ombrix_kernel_driver(TARGET SOURCES src... OUTPUT_NAME name): a WDM stand-in driver <name>.sys in bin/ for
# Wine's winedevice, built with the shared device helper (common/StandInWdm.c). It links against the kernel
# alone, so the project's user-mode settings (Windows version macros for NT 4, the static C/C++ runtimes, the
# default user-mode import libraries) are taken off it. The version macros would also hide parts of
# <ddk/wdm.h>. Sets CMAKE_C_STANDARD_LIBRARIES empty in the calling directory.
set(OMBRIX_TESTBED_COMMON_DIR ${CMAKE_CURRENT_LIST_DIR})

function(ombrix_kernel_driver target)
  cmake_parse_arguments(ARG "" "OUTPUT_NAME" "SOURCES" ${ARGN})
  add_library(${target} MODULE ${ARG_SOURCES} ${OMBRIX_TESTBED_COMMON_DIR}/StandInWdm.c)
  set_target_properties(${target} PROPERTIES
    PREFIX "" OUTPUT_NAME ${ARG_OUTPUT_NAME} SUFFIX .sys
    LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin
    LINK_OPTIONS "")
  target_include_directories(${target} PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${OMBRIX_TESTBED_COMMON_DIR})
  target_compile_options(${target} PRIVATE -U_WIN32_WINNT -UWINVER -fno-stack-protector)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    set(entry _DriverEntry@8)  # stdcall decoration of DriverEntry(DRIVER_OBJECT*, UNICODE_STRING*)
  else()
    set(entry DriverEntry)
  endif()
  target_link_options(${target} PRIVATE -nostdlib -Wl,--subsystem,native -Wl,--entry,${entry})
  target_link_libraries(${target} PRIVATE ntoskrnl hal)
  set(CMAKE_C_STANDARD_LIBRARIES "" PARENT_SCOPE)
endfunction()
