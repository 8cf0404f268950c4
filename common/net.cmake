# The control protocol's wire format and the window-message socket layer (included by common/CMakeLists.txt).

# Pure: no windows.h, so the wire format is unit-tested natively and fuzzed.
add_library(ombrix_ipc_core STATIC IpcWire.cpp SendFailurePolicy.cpp)
target_include_directories(ombrix_ipc_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
ombrix_gtest(ipc_wire_test IpcWire_test.cpp SendFailurePolicy_test.cpp LIBS ombrix_ipc_core)

if(WIN32)
  # Winsock 1.1 (wsock32): the one every target system has.
  add_library(ombrix_net_win STATIC SocketEndpoint.cpp IpcClient.cpp ServiceStarter.cpp)
  target_include_directories(ombrix_net_win PUBLIC ${CMAKE_CURRENT_SOURCE_DIR} ${PROJECT_SOURCE_DIR}/auxlib)
  target_link_libraries(ombrix_net_win PUBLIC ombrix_ipc_core ombrix_common_win wsock32 user32 advapi32)

  ombrix_gtest(socket_endpoint_wine_test SocketEndpoint_wintest.cpp LIBS ombrix_net_win)

  # Stand-in for the daemon that the 9x start path runs: it only leaves a mark that it ran.
  add_executable(service_starter_stub ServiceStarterStub_wintest.cpp)
  ombrix_gtest(ipc_client_wine_test IpcClient_wintest.cpp ServiceStarter_wintest.cpp LIBS ombrix_net_win)
  add_dependencies(ipc_client_wine_test service_starter_stub)
endif()
