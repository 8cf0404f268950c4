# The daemon's command line, against a plain scan for its two switches.
ombrix_fuzz(command_line_fuzz ${CMAKE_CURRENT_LIST_DIR}/command_line_fuzz.cpp
  LIBS ombrix_service_core CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/command_line)
