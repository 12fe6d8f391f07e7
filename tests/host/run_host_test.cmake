# Installs the package into a temporary prefix, builds the host project
# against it and runs its test. Called by CTest with -DBINARY_DIR, -DSOURCE_DIR,
# -DWORK_DIR and optional -DHOST_FLAGS (the sanitizer flags of the build).
file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")
set(prefix "${WORK_DIR}/prefix")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN}\n${out}")
  endif()
endfunction()

run(${CMAKE_COMMAND} --install "${BINARY_DIR}" --prefix "${prefix}")
set(launcher "")
find_program(CCACHE ccache)
if(CCACHE)
  set(launcher "-DCMAKE_CXX_COMPILER_LAUNCHER=${CCACHE}")
endif()
run(${CMAKE_COMMAND} -S "${SOURCE_DIR}/tests/host" -B "${WORK_DIR}/build" -G Ninja ${launcher}
    "-DCMAKE_PREFIX_PATH=${prefix}" "-DCMAKE_CXX_FLAGS=${HOST_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${HOST_FLAGS}")
run(${CMAKE_COMMAND} --build "${WORK_DIR}/build")
run(${CMAKE_CTEST_COMMAND} --test-dir "${WORK_DIR}/build" --output-on-failure)
message(STATUS "host project built against ${prefix} and its test passed")
