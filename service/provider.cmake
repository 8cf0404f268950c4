# The LAN route and the access provider plug-in (included by service/CMakeLists.txt). Sources are named from
# this file's folder, so the fragment can be included from any directory.
set(provider_dir ${CMAKE_CURRENT_LIST_DIR})

# Pure: the route's network, gateway pick and command line; the plug-in's table and its registration checks.
add_library(ombrix_provider_core STATIC ${provider_dir}/LanRouteCommand.cpp ${provider_dir}/AccessProviderTable.cpp)
target_include_directories(ombrix_provider_core PUBLIC ${provider_dir})
target_link_libraries(ombrix_provider_core PUBLIC ombrix_aux_core)

ombrix_gtest(provider_core_test ${provider_dir}/LanRouteCommand_test.cpp ${provider_dir}/AccessProviderTable_test.cpp
  LIBS ombrix_provider_core)

if(NOT WIN32)
  return()
endif()

# The Win32 side: the route program started hidden, the plug-in loaded and called, and the DHCP server's
# view of it (IDhcpAccessProvider, whose header lives with the DHCP server).
add_library(ombrix_provider_win STATIC ${provider_dir}/LanRoute.cpp ${provider_dir}/AccessProvider.cpp
  ${provider_dir}/AccessProviderAdapter.cpp)
target_include_directories(ombrix_provider_win PUBLIC ${provider_dir} ${provider_dir}/dhcp)
target_link_libraries(ombrix_provider_win PUBLIC ombrix_provider_core ombrix_common_win ombrixaux)

if(NOT OMBRIX_BUILD_TESTS)
  return()
endif()

# Each test bed plug-in (testbed/plugins) loaded from a folder of the test's own, and called as the DHCP
# server calls it.
ombrix_gtest(access_provider_wine_test ${provider_dir}/AccessProvider_wintest.cpp LIBS ombrix_provider_win)
add_dependencies(access_provider_wine_test test_providers)

# The route under Windows 2000's adapter inventory (registry fixtures of ombrixaux's Wine tests), with the
# stand-in route.exe recording what was run.
ombrix_gtest(lan_route_wine_test ${provider_dir}/LanRoute_wintest.cpp
  ${PROJECT_SOURCE_DIR}/auxlib/testing/WineVersionMain.cpp LIBS ombrix_provider_win ombrix_aux_winetest)
target_compile_definitions(lan_route_wine_test PRIVATE OMBRIX_WINE_VERSION="win2k")
add_dependencies(lan_route_wine_test route_standin)

# In the network lab: the route in single NIC mode, and a plug-in that refuses a MAC (NAK on the wire).
if(WIN32 AND NOT OMBRIX_I686)
  foreach(lab route_lab_single_nic provider_lab_refuse)
    add_test(NAME ${lab} COMMAND bash ${provider_dir}/lab/${lab}.sh)
    set_tests_properties(${lab} PROPERTIES TIMEOUT 180 RUN_SERIAL TRUE
      ENVIRONMENT "OMBRIX_LAB_BIN=${CMAKE_BINARY_DIR}/bin")
  endforeach()
endif()
