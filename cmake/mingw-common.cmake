# Shared body of the two Windows toolchains. The including file sets OMBRIX_MINGW_TRIPLE.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_C_COMPILER   ${OMBRIX_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${OMBRIX_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER  ${OMBRIX_MINGW_TRIPLE}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${OMBRIX_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# ctest runs every Windows test through the Wine session wrapper.
set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run)
