# Regenerates the test data into WORK and requires DIR to hold exactly the
# same files with the same bytes.
#   cmake -DGENERATOR=... -DDIR=... -DWORK=... -P check_data.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")
execute_process(COMMAND "${GENERATOR}" "${WORK}" RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "generator exited with ${rc}")
endif()
file(GLOB fresh RELATIVE "${WORK}" "${WORK}/*")
file(GLOB committed RELATIVE "${DIR}" "${DIR}/*")
if(NOT fresh STREQUAL committed)
  message(FATAL_ERROR "file lists differ:\n generated: ${fresh}\n committed: ${committed}")
endif()
foreach(f ${fresh})
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${WORK}/${f}" "${DIR}/${f}"
    RESULT_VARIABLE differ)
  if(differ)
    message(SEND_ERROR "${f} differs from the generator's output; rerun mklngdata")
  endif()
endforeach()
