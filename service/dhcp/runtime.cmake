# The DHCP server's runtime (included by service/dhcp/CMakeLists.txt): the socket endpoint, the packet
# thread and the Win32 collaborators of the core. The two pieces that need no windows.h (the bounded
# packet queue, the pick of the address by mode) build everywhere and are unit-tested natively too.
add_library(ombrix_dhcp_runtime_core STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CDhcpPacketQueue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DhcpAddressPick.cpp)
target_include_directories(ombrix_dhcp_runtime_core PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(ombrix_dhcp_runtime_core PUBLIC ombrix_dhcp_core)

ombrix_gtest(dhcp_runtime_core_test
  ${CMAKE_CURRENT_LIST_DIR}/CDhcpPacketQueue_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DhcpAddressPick_test.cpp
  LIBS ombrix_dhcp_runtime_core)

if(NOT WIN32)
  return()
endif()

# Winsock 1.1 through the socket layer, Icmp.dll looked up at run time, the adapter table of ombrixaux.
add_library(ombrix_dhcp_server STATIC
  ${CMAKE_CURRENT_LIST_DIR}/CAuxAdapterSource.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CDhcpIniSettings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CDhcpLogSink.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CDhcpPacketThread.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CDhcpProbePool.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CDhcpReplyChannel.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CDhcpServer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CIcmpProbe.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CWin32DhcpClock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CWin32DhcpFileSystem.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DhcpServerFactory.cpp)
# ServerComponent.h (ombrix_service_api): the interface the service holds the server by.
target_include_directories(ombrix_dhcp_server PUBLIC ${CMAKE_CURRENT_LIST_DIR})
target_link_libraries(ombrix_dhcp_server PUBLIC ombrix_dhcp_runtime_core ombrix_service_api ombrix_net_win
  ombrix_settings ombrix_common_win ombrixaux wsock32)

# Under Wine: the server on the loopback address with stand-ins for the adapter table and the probe, and
# the file calls on the prefix's disk.
ombrix_gtest(dhcp_server_wine_test
  ${CMAKE_CURRENT_LIST_DIR}/CDhcpServer_wintest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CWin32DhcpFileSystem_wintest.cpp
  ${CMAKE_CURRENT_LIST_DIR}/CIcmpProbe_wintest.cpp
  LIBS ombrix_dhcp_server ombrix_wine_test_support)
if(OMBRIX_BUILD_TESTS)
  # The stop test waits out the 5-second bound on purpose.
  set_tests_properties(dhcp_server_wine_test PROPERTIES TIMEOUT 120)
endif()

# End to end in the network lab (root, iproute2, the lab's packages): real DHCP clients lease addresses
# from OmbrixDaemon under Wine. Each script brings up a lab of its own tag and always takes it down.
if(NOT OMBRIX_I686)
  foreach(e2e clients restart probe exhaustion)
    add_test(NAME dhcp_lab_${e2e}
      COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/lab/dhcp_lab_${e2e}.sh)
    # A machine that cannot run a lab (not root, the lab's tools missing) fails these loudly.
    set_tests_properties(dhcp_lab_${e2e} PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE
      ENVIRONMENT "OMBRIX_LAB_BIN=${CMAKE_BINARY_DIR}/bin")
  endforeach()
endif()
