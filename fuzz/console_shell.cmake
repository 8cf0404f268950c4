# The console shell's and Settings page's readers: the access provider's registration record and the
# Settings page's rules over the settings file's and the phonebook's texts.
ombrix_fuzz(console_shell_fuzz ${CMAKE_CURRENT_LIST_DIR}/console_shell_fuzz.cpp
  LIBS ombrix_console_core CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/console_shell)
