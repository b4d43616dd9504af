# Runs lngdump (the Pascal run-time units) and `polyverb lng show --strings`
# (the C++ reader) over every file matching GLOB and requires the same
# stdout and the same outcome (both succeed or both fail).
#   cmake -DLNGDUMP=... -DPOLYVERB=... -DGLOB=dir/*.lng -P compare_readers.cmake
# Prints "SKIP:" (the test's skip expression) when there is nothing to
# compare: no polyverb binary or no matching file.
if(NOT POLYVERB OR NOT EXISTS "${POLYVERB}")
  message("SKIP: the polyverb command line is not built")
  return()
endif()
file(GLOB files LIST_DIRECTORIES false "${GLOB}")
if(NOT files)
  message("SKIP: no files match ${GLOB}")
  return()
endif()
list(LENGTH files count)
foreach(f ${files})
  execute_process(COMMAND "${LNGDUMP}" "${f}"
    OUTPUT_VARIABLE pascal_out ERROR_VARIABLE pascal_err RESULT_VARIABLE pascal_rc)
  execute_process(COMMAND "${POLYVERB}" lng show --strings "${f}"
    OUTPUT_VARIABLE cxx_out ERROR_VARIABLE cxx_err RESULT_VARIABLE cxx_rc)
  if(NOT pascal_rc MATCHES "^[01]$")
    message(SEND_ERROR "${f}: lngdump exited with ${pascal_rc}: ${pascal_err}")
  elseif(NOT cxx_rc MATCHES "^[01]$")
    message(SEND_ERROR "${f}: polyverb exited with ${cxx_rc}: ${cxx_err}")
  elseif(NOT pascal_rc EQUAL cxx_rc)
    message(SEND_ERROR "${f}: lngdump exit ${pascal_rc} (${pascal_err}), polyverb exit ${cxx_rc} (${cxx_err})")
  elseif(NOT pascal_out STREQUAL cxx_out)
    message(SEND_ERROR "${f}: outputs differ\nlngdump:\n${pascal_out}\npolyverb:\n${cxx_out}")
  endif()
endforeach()
message("compared ${count} files")
