# Settings file access and the log writers (included by common/CMakeLists.txt).

# Pure cores: no windows.h, built and unit-tested natively as well.
add_library(ombrix_log_core STATIC LogLine.cpp)
target_include_directories(ombrix_log_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

add_library(ombrix_ini_core STATIC IniNumber.cpp)
target_include_directories(ombrix_ini_core PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})

# The entries of Ombrix.Ini with their defaults (IniSettings.h), headers only: for COmbrixIni's readers and
# for the portable cores that take their keys from it.
add_library(ombrix_ini_settings INTERFACE)
target_include_directories(ombrix_ini_settings INTERFACE ${CMAKE_CURRENT_SOURCE_DIR})

# Their unit tests run natively and, on the Windows builds, under Wine as well: the mingw C runtime cuts
# formatted text its own way.
ombrix_gtest(log_line_test LogLine_test.cpp LIBS ombrix_log_core)
ombrix_gtest(ini_number_test IniNumber_test.cpp LIBS ombrix_ini_core)
ombrix_gtest(ini_settings_test IniSettings_test.cpp LIBS ombrix_ini_settings)

if(WIN32)
  # The settings file alone (COmbrixIni), for every program that reads or writes Ombrix.Ini.
  add_library(ombrix_settings STATIC OmbrixIni.cpp)
  target_include_directories(ombrix_settings PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(ombrix_settings PUBLIC ombrix_ini_core ombrix_ini_settings)

  # The log writers: the component logs and the service log.
  add_library(ombrix_common_win STATIC LogWriter.cpp ServiceLog.cpp)
  target_include_directories(ombrix_common_win PUBLIC ${CMAKE_CURRENT_SOURCE_DIR})
  target_link_libraries(ombrix_common_win PUBLIC ombrix_log_core)

  ombrix_gtest(ombrix_ini_wine_test OmbrixIni_wintest.cpp LIBS ombrix_settings ombrix_wine_test_support)
  ombrix_gtest(log_writer_wine_test LogWriter_wintest.cpp ServiceLog_wintest.cpp
    LIBS ombrix_common_win ombrix_wine_test_support)
  # Once more in a zone far from UTC (a POSIX zone string: no zone files needed), where a stamp in local
  # time would show.
  if(OMBRIX_BUILD_TESTS)
    add_test(NAME log_writer_wine_test_zone COMMAND log_writer_wine_test --gtest_brief=1 --gtest_filter=*Utc*)
    set_tests_properties(log_writer_wine_test_zone PROPERTIES ENVIRONMENT "TZ=IST-5:30")
  endif()
endif()
