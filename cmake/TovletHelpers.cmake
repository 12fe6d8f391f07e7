# tovlet_add_library(name FOLDER dir SOURCES ... LIBS ...)
# A shared library of the project with its export header <name>_export.h,
# headers installed under include/tovlet/<dir>.
function(tovlet_add_library name)
  cmake_parse_arguments(ARG "" "FOLDER" "SOURCES;LIBS;PRIVATE_LIBS" ${ARGN})
  add_library(${name} SHARED)
  add_library(Tovlet::${name} ALIAS ${name})
  target_sources(${name} PRIVATE ${ARG_SOURCES})
  generate_export_header(${name} EXPORT_FILE_NAME ${CMAKE_BINARY_DIR}/include/${ARG_FOLDER}/${name}_export.h)
  target_include_directories(${name} PUBLIC
    $<BUILD_INTERFACE:${PROJECT_SOURCE_DIR}>
    $<BUILD_INTERFACE:${CMAKE_BINARY_DIR}/include>
    $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}/tovlet>)
  target_link_libraries(${name} PUBLIC ${ARG_LIBS} PRIVATE ${ARG_PRIVATE_LIBS})
  set_target_properties(${name} PROPERTIES VERSION ${PROJECT_VERSION} SOVERSION ${PROJECT_VERSION_MAJOR})
  install(TARGETS ${name} EXPORT TovletTargets
    LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
    ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
    RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(DIRECTORY ${CMAKE_CURRENT_SOURCE_DIR}/ DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tovlet/${ARG_FOLDER}
    FILES_MATCHING PATTERN "*.h")
  install(FILES ${CMAKE_BINARY_DIR}/include/${ARG_FOLDER}/${name}_export.h
    DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/tovlet/${ARG_FOLDER})
endfunction()

# tovlet_add_test(name SOURCES ... LIBS ...)
# One QtTest executable, registered with CTest and run headless.
function(tovlet_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE Qt6::Test tovlet_testsupport ${ARG_LIBS})
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;QTEST_DISABLE_STACK_DUMP=1;LC_ALL=C.UTF-8;ASAN_OPTIONS=detect_leaks=1:abort_on_error=1;LSAN_OPTIONS=suppressions=${PROJECT_SOURCE_DIR}/tests/lsan.supp;UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1"
    TIMEOUT 300)
endfunction()
