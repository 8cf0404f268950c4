# The stored port forward values of section PortForward, read by the service at start and by the console.
ombrix_fuzz(port_forward_value_fuzz ${CMAKE_CURRENT_LIST_DIR}/port_forward_value_fuzz.cpp
  LIBS ombrix_driver_core CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/port_forward_value)
