# Runs lngdump over every DIR/*.lng. A file with a NAME.expected beside it
# must load (exit 0) and print exactly that; any other file must fail
# (exit 1, a message on stderr, nothing on stdout).
#   cmake -DLNGDUMP=... -DDIR=... -P check_dumps.cmake
file(GLOB files "${DIR}/*.lng")
if(NOT files)
  message(FATAL_ERROR "no .lng files in ${DIR}")
endif()
set(failures 0)
foreach(f ${files})
  string(REGEX REPLACE "\\.lng$" ".expected" expected_file "${f}")
  execute_process(COMMAND "${LNGDUMP}" "${f}"
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(EXISTS "${expected_file}")
    file(READ "${expected_file}" expected)
    if(NOT rc EQUAL 0)
      message(SEND_ERROR "${f}: exit ${rc}, want 0: ${err}")
    elseif(NOT out STREQUAL expected)
      message(SEND_ERROR "${f}: output differs from ${expected_file}:\n${out}")
    endif()
  else()
    if(NOT rc EQUAL 1 OR NOT out STREQUAL "" OR err STREQUAL "")
      message(SEND_ERROR "${f}: want a clean failure, got exit ${rc}, stdout '${out}', stderr '${err}'")
    endif()
  endif()
endforeach()
