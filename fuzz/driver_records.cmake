# The packet driver's replies: the alarm block of request 67 and the port forward record of request 51, on
# arbitrary bytes.
ombrix_fuzz(driver_records_fuzz ${CMAKE_CURRENT_LIST_DIR}/driver_records_fuzz.cpp
  LIBS ombrix_driver_core CORPUS ${CMAKE_CURRENT_LIST_DIR}/corpus/driver_records)
