# add_gtest_program(NAME SOURCES... LIBS ...): one GoogleTest program, run by CTest under Wine as
# a single test. Tests of one program share the registry of the test prefix, so CTest runs them
# one at a time (RUN_SERIAL).
function(add_gtest_program name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE TIMEOUT 600)
endfunction()
