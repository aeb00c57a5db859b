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

# add_version_resource(TARGET DESCRIPTION [EXTRA rc-lines]): the version resource of a binary
# (product, description, version, company), plus any further resource lines (icon, manifest).
function(add_version_resource target description)
  cmake_parse_arguments(V "" "" "EXTRA" ${ARGN})
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "EXECUTABLE")
    set(RC_FILETYPE VFT_APP)
    set(RC_FILENAME ${target}.exe)
  else()
    set(RC_FILETYPE VFT_DLL)
    set(RC_FILENAME ${target}.dll)
  endif()
  set(RC_NAME ${target})
  set(RC_DESCRIPTION "${description}")
  string(JOIN "\n" RC_EXTRA ${V_EXTRA})
  set(out ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/Version.rc.in ${out} @ONLY)
  target_sources(${target} PRIVATE ${out})
endfunction()
