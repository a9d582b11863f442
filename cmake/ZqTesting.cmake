find_package(GTest REQUIRED)
include(GoogleTest)

# What every test of a cross-build needs in its environment: a Wine prefix
# of the build's own (made at the first run), quiet Wine, and no offer to
# install Wine's Mono or Gecko.
if(CMAKE_CROSSCOMPILING)
  set(ZQ_TEST_EMULATOR_ENVIRONMENT
    "WINEPREFIX=${PROJECT_BINARY_DIR}/wine" "WINEDEBUG=-all" "WINEDLLOVERRIDES=mscoree,mshtml=")
endif()

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
  if(CMAKE_CROSSCOMPILING)
    # Under Wine each start of a program costs a second or so: one CTest test
    # per program, not per case. The environment reaches the program through
    # Wine.
    add_test(NAME ${target} COMMAND ${target})
    set_tests_properties(${target} PROPERTIES LABELS "${labels}" TIMEOUT 900
      ENVIRONMENT "${ZQ_TEST_EMULATOR_ENVIRONMENT};${ARG_ENVIRONMENT}")
    return()
  endif()
  gtest_discover_tests(${target} DISCOVERY_TIMEOUT 60 PROPERTIES ${props})
endfunction()
