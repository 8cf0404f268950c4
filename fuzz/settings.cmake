# Settings file values: integers as the profile functions hand them over, section DHCP through its clamps,
# and the dotted-address parser those values go through (with the trace formatters beside it).
ombrix_fuzz(ini_number_fuzz ${CMAKE_CURRENT_LIST_DIR}/ini_number_fuzz.cpp
  LIBS ombrix_ini_core CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/ini_number)
ombrix_fuzz(dhcp_settings_fuzz ${CMAKE_CURRENT_LIST_DIR}/dhcp_settings_fuzz.cpp
  LIBS ombrix_dhcp_core CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/dhcp_settings)
ombrix_fuzz(dhcp_address_fuzz ${CMAKE_CURRENT_LIST_DIR}/dhcp_address_fuzz.cpp
  LIBS ombrix_dhcp_core CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/dhcp_address)
