# Checks the committed data of the form texts test in DIR.
#   PART=english: DIR/english.lng is what `vformtest make` writes.
#   PART=french: DIR/french.lng is what the translators' round trip makes:
#     polyverb lng export english.lng -o fr.pot; msgmerge fr.po fr.pot;
#     polyverb lng import english.lng merged.po -o french.lng. The import
#     must keep the property groups. Prints "SKIP:" without POLYVERB or
#     MSGMERGE.
#   cmake -DPART=... -DVFORMTEST=... -DPOLYVERB=... -DMSGMERGE=... -DDIR=... -DWORK=...
#     -P check_forms_data.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN} exited with ${rc}:\n${out}${err}")
  endif()
endfunction()

function(require_same fresh committed hint)
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files "${fresh}" "${committed}"
    RESULT_VARIABLE differ)
  if(differ)
    message(FATAL_ERROR "${committed} differs from ${fresh}; ${hint}")
  endif()
endfunction()

if(PART STREQUAL "english")
  run("${VFORMTEST}" make "${WORK}")
  require_same("${WORK}/english.lng" "${DIR}/english.lng" "rerun vformtest make")
  return()
endif()

if(NOT POLYVERB OR NOT EXISTS "${POLYVERB}")
  message("SKIP: the polyverb command line is not built")
  return()
endif()
if(NOT MSGMERGE)
  message("SKIP: msgmerge (gettext) is not installed")
  return()
endif()
run("${POLYVERB}" lng export "${DIR}/english.lng" -o "${WORK}/fr.pot")
run("${MSGMERGE}" --quiet -o "${WORK}/fr.po" "${DIR}/fr.po" "${WORK}/fr.pot")
run("${POLYVERB}" lng import "${DIR}/english.lng" "${WORK}/fr.po" -o "${WORK}/french.lng")

# The groups as the C++ reader shows them: from "groups:" up to "strings:".
function(groups_of file var)
  execute_process(COMMAND "${POLYVERB}" lng show "${file}" OUTPUT_VARIABLE shown
    RESULT_VARIABLE rc)
  string(FIND "${shown}" "\ngroups:" from)
  string(FIND "${shown}" "\nstrings:" to)
  if(NOT rc EQUAL 0 OR from LESS 0 OR to LESS from)
    message(FATAL_ERROR "cannot read the groups of ${file}")
  endif()
  math(EXPR len "${to} - ${from}")
  string(SUBSTRING "${shown}" ${from} ${len} groups)
  set(${var} "${groups}" PARENT_SCOPE)
endfunction()
groups_of("${DIR}/english.lng" native_groups)
groups_of("${WORK}/french.lng" imported_groups)
if(NOT native_groups STREQUAL imported_groups)
  message(FATAL_ERROR "lng import changed the property groups:\n${native_groups}\n---\n${imported_groups}")
endif()
require_same("${WORK}/french.lng" "${DIR}/french.lng" "redo the round trip (see this script)")
