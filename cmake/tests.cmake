# A GoogleTest program of one area, run by ctest through Wine.
#   tavrin_add_test_program(NAME SOURCES ... [LIBS ...] [LOCK name])
# Tests of programs that share the registry, named objects or the prefix's
# special folders take the lock "prefix_state" so that ctest -j never runs
# them side by side.
# Every test program can use the development service fixture.
find_package(GTest CONFIG REQUIRED)
include(GoogleTest)
set(TAVRIN_HOST_BUILD_DIR ${TAVRIN_ROOT}/build/host CACHE PATH
  "Native build whose bin/tavrin-devservice the Windows tests start")
function(tavrin_add_test_program name)
  cmake_parse_arguments(ARG "" "LOCK" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE test_support GTest::gtest_main ${ARG_LIBS})
  target_compile_definitions(${name} PRIVATE TAVRIN_TEST_DATA="Z:${TAVRIN_TEST_DATA}")
  # The development service fixture (tests/support/dev_service.h) starts the
  # native service of the host build.
  target_sources(${name} PRIVATE ${TAVRIN_ROOT}/tests/support/dev_service.cpp)
  target_compile_definitions(${name} PRIVATE
    TAVRIN_DEVSERVICE="Z:${TAVRIN_HOST_BUILD_DIR}/bin/tavrin-devservice")
  set(props TIMEOUT 300)
  if(ARG_LOCK)
    list(APPEND props RESOURCE_LOCK ${ARG_LOCK})
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ${props})
endfunction()
