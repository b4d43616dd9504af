# Runs a test program in a directory of its own: the program is copied to
# WORK/bin and started in WORK/run, so files it leaves next to itself or in
# its current directory meet no other test.
#   cmake -DEXE=... -DWORK=dir -DARGS=phase -P run_phase.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/bin" "${WORK}/run")
get_filename_component(name "${EXE}" NAME)
file(COPY "${EXE}" DESTINATION "${WORK}/bin")
execute_process(
  COMMAND "${WORK}/bin/${name}" ${ARGS}
  WORKING_DIRECTORY "${WORK}/run"
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "${name} ${ARGS} exited with ${rc}")
endif()
