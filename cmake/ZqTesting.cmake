find_package(GTest REQUIRED)
include(GoogleTest)

# zq_add_gtest(<target> [GUI] SOURCES ... LIBS ... [LABELS ...] [ENVIRONMENT VAR=VALUE])
# One GoogleTest executable whose cases CTest lists one by one. GUI tests
# get a main that creates a QApplication on the offscreen platform.
function(zq_add_gtest target)
  cmake_parse_arguments(ARG "GUI" "" "SOURCES;LIBS;LABELS;ENVIRONMENT" ${ARGN})
  if(ARG_GUI)
    add_executable(${target} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/gui_test_main.cpp)
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} Qt6::Widgets GTest::gtest GTest::gmock)
    set(ARG_ENVIRONMENT QT_QPA_PLATFORM=offscreen)
  else()
    add_executable(${target} ${ARG_SOURCES})
    target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest_main GTest::gmock)
  endif()
  target_include_directories(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  # Discovered tests take one label and one environment entry: several
  # labels are joined with "-" ("hid-threads"), and ctest -L matches a
  # regular expression, so "ctest -L threads" still finds them.
  list(JOIN ARG_LABELS "-" labels)
  set(props LABELS "${labels}")
  list(LENGTH ARG_ENVIRONMENT environment_count)
  if(environment_count GREATER 1)
    message(FATAL_ERROR "zq_add_gtest: at most one ENVIRONMENT entry")
  endif()
  if(ARG_ENVIRONMENT)
    list(APPEND props ENVIRONMENT "${ARG_ENVIRONMENT}")
  endif()
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()
