# The service's names, the control protocol's wire format, the window-message socket layer and the console's
# IPC client (included by common/CMakeLists.txt).

# The names the daemon is known by (ServiceNames.h), for the service and for the console that starts it.
add_library(ombrix_service_names INTERFACE)
target_include_directories(ombrix_service_names INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})

# Pure: no windows.h, so the wire format is unit-tested natively and fuzzed.
add_library(ombrix_ipc_core STATIC IpcWire.cpp SendFailurePolicy.cpp)
target_include_directories(ombrix_ipc_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(ombrix_ipc_core PRIVATE ombrix_byte_order)
ombrix_gtest(ipc_wire_test IpcWire_test.cpp SendFailurePolicy_test.cpp LIBS ombrix_ipc_core)

if(WIN32)
  # The socket layer. Winsock 1.1 (wsock32): the one every target system has.
  add_library(ombrix_net_win STATIC SocketEndpoint.cpp)
  target_include_directories(ombrix_net_win PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(ombrix_net_win PUBLIC ombrix_ipc_core ombrix_common_win wsock32 user32)

  # The console's end of the control protocol, and the start of the service it talks to (OsType.h of
  # ombrix_os_core picks the start path).
  add_library(ombrix_ipc_client STATIC IpcClient.cpp ServiceStarter.cpp)
  target_include_directories(ombrix_ipc_client PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(ombrix_ipc_client PUBLIC ombrix_net_win ombrix_ipc_core ombrix_os_core ombrix_service_names
    ombrix_ini_settings PRIVATE ombrix_settings advapi32 user32)

  ombrix_gtest(socket_endpoint_wine_test SocketEndpoint_wintest.cpp LIBS ombrix_net_win ombrix_wine_test_support)

  # Stand-in for the daemon that the 9x start path runs: it only leaves a mark that it ran.
  add_executable(service_starter_stub ServiceStarterStub_wintest.cpp)
  ombrix_gtest(ipc_client_wine_test IpcClient_wintest.cpp ServiceStarter_wintest.cpp
    LIBS ombrix_ipc_client ombrix_wine_test_support)
  add_dependencies(ipc_client_wine_test service_starter_stub)
endif()
