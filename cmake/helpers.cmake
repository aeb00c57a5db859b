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

# A COM server DLL: NAME.dll from SOURCES, its resource script RC (which carries the type library
# TYPELIB as resource 1) and NAME.def with the undecorated entry points, linked with LIBS.
#   add_com_server(NAME RC file.rc TYPELIB ${X_TLB} [DEPENDS files...] SOURCES ... LIBS ...)
function(add_com_server name)
  cmake_parse_arguments(S "" "RC;TYPELIB" "SOURCES;LIBS;DEPENDS" ${ARGN})
  add_library(${name} SHARED ${S_SOURCES} ${S_RC} ${name}.def)
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name})
  target_link_libraries(${name} PRIVATE ${S_LIBS})
  # windres finds the type library through the include path; rebuild the resource when it changes.
  set_source_files_properties(${S_RC} PROPERTIES OBJECT_DEPENDS ${S_TYPELIB})
  string(TOLOWER ${name} lower)
  add_custom_target(${lower}_typelib DEPENDS ${S_TYPELIB} ${S_DEPENDS})
  add_dependencies(${name} ${lower}_typelib)
  if(CMAKE_SIZEOF_VOID_P EQUAL 4)
    # The .def names the entry points undecorated; bind them to their stdcall symbols (Name@N).
    target_link_options(${name} PRIVATE -Wl,--enable-stdcall-fixup)
  endif()
endfunction()
