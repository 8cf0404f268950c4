set(OMBRIX_MINGW_TRIPLE x86_64-w64-mingw32)
set(OMBRIX_MINGW_THREADS posix)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-common.cmake)
