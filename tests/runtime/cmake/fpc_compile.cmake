# Compiles one Pascal program or unit with Free Pascal into a fresh directory
# and, with -DRUN=ON, runs the program there (it must exit 0).
#   cmake -DFPC=... -DSRC=file.pas -DOUT=dir "-DFLAGS=-Mobjfpc;-Cr" [-DRUN=ON] -P fpc_compile.cmake
# Objects and the executable land in OUT only (-FU/-FE), never beside SRC.
# Fails when fpc fails; fpc's messages stay in the test log.
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")
execute_process(
  COMMAND "${FPC}" ${FLAGS} "-FU${OUT}" "-FE${OUT}" "${SRC}"
  RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "fpc failed (${rc}) on ${SRC}")
endif()
if(RUN)
  get_filename_component(name "${SRC}" NAME_WE)
  execute_process(COMMAND "${OUT}/${name}" WORKING_DIRECTORY "${OUT}" RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${name} exited with ${rc}")
  endif()
endif()
