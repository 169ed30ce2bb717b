# A GoogleTest program of one area, run by ctest through Wine.
#   tavrin_add_test_program(NAME SOURCES ... [LIBS ...] [LOCK name])
# Tests of programs that share the registry, named objects or the prefix's
# special folders take the lock "prefix_state" so that ctest -j never runs
# them side by side.
find_package(GTest CONFIG REQUIRED)
include(GoogleTest)
function(tavrin_add_test_program name)
  cmake_parse_arguments(ARG "" "LOCK" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE test_support GTest::gtest_main ${ARG_LIBS})
  target_compile_definitions(${name} PRIVATE TAVRIN_TEST_DATA="Z:${TAVRIN_TEST_DATA}")
  set(props TIMEOUT 300)
  if(ARG_LOCK)
    list(APPEND props RESOURCE_LOCK ${ARG_LOCK})
  endif()
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
    PROPERTIES ${props})
endfunction()
