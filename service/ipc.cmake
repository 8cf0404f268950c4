# The service's end of the control protocol (included by service/CMakeLists.txt).

# Pure: the dispatch table and every request's effect, decided against an interface.
add_library(ombrix_ipc_dispatch STATIC IpcDispatcher.cpp)
target_include_directories(ombrix_ipc_dispatch PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(ombrix_ipc_dispatch PUBLIC ombrix_ipc_core)
ombrix_gtest(ipc_dispatcher_test IpcDispatcher_test.cpp LIBS ombrix_ipc_dispatch)

if(WIN32)
  # The endpoint and the control window that carries its requests out.
  add_library(ombrix_ipc_server STATIC IpcServer.cpp ControlWindow.cpp)
  target_include_directories(ombrix_ipc_server PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(ombrix_ipc_server PUBLIC ombrix_ipc_dispatch ombrix_net_win ombrix_common_win)
  ombrix_gtest(ipc_server_wine_test IpcServer_wintest.cpp ControlWindow_wintest.cpp LIBS ombrix_ipc_server)
endif()

if(WIN32 AND NOT OMBRIX_I686)
  # Loopback only: probes from a LAN address in network namespaces of the test's own (root and iproute2).
  add_test(NAME ipc_loopback_only_netns
    COMMAND bash ${CMAKE_CURRENT_SOURCE_DIR}/ipc_loopback_only_test.sh
      $<TARGET_FILE:ipc_server_wine_test> $<TARGET_FILE:ipcctl>)
endif()
