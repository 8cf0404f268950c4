# Packet driver requests: the record codecs (every preset) and the Win32 client with its Wine test, which
# runs against the stand-in driver of testbed/ombrixdrv.
add_library(ombrix_driver_core STATIC ${CMAKE_CURRENT_LIST_DIR}/DriverRecords.cpp)
target_include_directories(ombrix_driver_core PUBLIC ${CMAKE_CURRENT_LIST_DIR})

ombrix_gtest(driver_records_test ${CMAKE_CURRENT_LIST_DIR}/DriverRecords_test.cpp LIBS ombrix_driver_core)

if(WIN32)
  add_library(ombrix_driver_win STATIC ${CMAKE_CURRENT_LIST_DIR}/PacketDriver.cpp)
  target_link_libraries(ombrix_driver_win PUBLIC ombrix_driver_core)

  # The test installs ombrix.sys from beside its own exe, so building it builds the driver.
  ombrix_gtest(packet_driver_wine_test ${CMAKE_CURRENT_LIST_DIR}/PacketDriver_wintest.cpp
    LIBS ombrix_driver_win ombrix_standin)
  add_dependencies(packet_driver_wine_test ombrixdrv)
  # Driver start and stop go through the service control manager; leave room for a cold winedevice.
  if(OMBRIX_BUILD_TESTS)
    set_tests_properties(packet_driver_wine_test PROPERTIES TIMEOUT 120 RUN_SERIAL TRUE)
  endif()
endif()
