# Lazarus checks, each on copies in WORK (nothing is built in the source tree):
#   MODE=packages   lazbuild builds runtime/lazarus/polyverb_design.lpk (and
#                   with it polyverb_runtime.lpk).
#   MODE=example    examples/lazarus builds and runs as it is and prints
#                   EXPECTED_EN.
#   MODE=converted  the example converted by hand (shop-converted.patch,
#                   english.lng from shop-english.tsv by LNGWRITE, french.lng
#                   by `polyverb lng import` of shop-fr.po) prints EXPECTED_EN
#                   by default and EXPECTED_FR with POLYVERB_LANG=French.
#   MODE=ide        the example converted by `POLYVERB_IDE --yes Shop.lpi`
#                   (every literal marked), its english.lng exported (the
#                   template must say UTF-8), translated by prefixing every
#                   text line with "FR:" (msgen, msgfilter), imported as
#                   french.lng: prints EXPECTED_EN by default and EXPECTED_FR
#                   with POLYVERB_LANG=French. No file is edited by hand.
# Prints "SKIP:" when lazbuild, Xvfb or twm (or, converted and ide, the
# polyverb programs or gettext's tools) is missing.
#   cmake -DMODE=... -DROOT=... -DWORK=... -DRUNNER=run_lazarus.sh [-DLNGWRITE=...]
#     [-DPOLYVERB=...] [-DPOLYVERB_IDE=...] [-DEXPECTED_EN=...] [-DEXPECTED_FR=...]
#     -P lazarus_shop.cmake
set(data ${ROOT}/tests/runtime/lazarus)
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}")

function(skip_without tool)
  find_program(found_${tool} ${tool})
  if(NOT found_${tool})
    message("SKIP: ${tool} is not installed")
    set(skipped TRUE PARENT_SCOPE)
  endif()
endfunction()
set(skipped FALSE)
skip_without(lazbuild)
if(NOT MODE STREQUAL "packages")
  skip_without(Xvfb)
  skip_without(twm)
endif()
if(MODE MATCHES "converted|ide" AND (NOT POLYVERB OR NOT EXISTS "${POLYVERB}"))
  message("SKIP: the polyverb command line is not built")
  set(skipped TRUE)
endif()
if(MODE STREQUAL "ide")
  if(NOT POLYVERB_IDE OR NOT EXISTS "${POLYVERB_IDE}")
    message("SKIP: polyverb-ide is not built")
    set(skipped TRUE)
  endif()
  skip_without(msgen)
  skip_without(msgfilter)
endif()
if(skipped)
  return()
endif()

# The run-time package with the units beside it, as the .lpk expects.
file(COPY "${ROOT}/runtime/vLangRT.pas" "${ROOT}/runtime/vMLang.pas"
  DESTINATION "${WORK}/runtime")
file(COPY "${ROOT}/runtime/lazarus" DESTINATION "${WORK}/runtime"
  PATTERN lib EXCLUDE PATTERN .gitignore EXCLUDE)
set(runtime_lpk "${WORK}/runtime/lazarus/polyverb_runtime.lpk")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${ARGN} exited with ${rc}:\n${out}${err}")
  endif()
endfunction()

if(MODE STREQUAL "packages")
  run(lazbuild --pcp=${WORK}/pcp ${WORK}/runtime/lazarus/polyverb_design.lpk)
  return()
endif()

file(COPY "${ROOT}/examples/lazarus/" DESTINATION "${WORK}/shop"
  PATTERN lib EXCLUDE PATTERN .gitignore EXCLUDE PATTERN Shop EXCLUDE)

# Runs the Shop under LANG_VALUE ('' for none) and compares its output.
# NO_BUILD runs the executable the last run built; SCREENSHOT FILE saves the
# Shop's picture of its forms there.
function(run_shop lang_value expected)
  cmake_parse_arguments(arg "NO_BUILD" "SCREENSHOT" "" ${ARGN})
  if(lang_value STREQUAL "")
    set(env_change --unset=POLYVERB_LANG)
  else()
    set(env_change POLYVERB_LANG=${lang_value})
  endif()
  if(arg_SCREENSHOT)
    list(APPEND env_change SHOP_SCREENSHOT=${arg_SCREENSHOT})
  else()
    list(APPEND env_change --unset=SHOP_SCREENSHOT)
  endif()
  set(runner_options ${links})
  if(arg_NO_BUILD)
    set(runner_options --no-build)
  endif()
  set(out "${WORK}/output-${lang_value}.txt")
  execute_process(COMMAND ${CMAKE_COMMAND} -E env ${env_change}
      "${RUNNER}" ${runner_options} "${WORK}/shop/Shop.lpi" "${out}"
    RESULT_VARIABLE rc ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "run_lazarus.sh exited with ${rc}: ${err}")
  endif()
  file(READ "${out}" got)
  file(READ "${expected}" want)
  if(NOT got STREQUAL want)
    message(FATAL_ERROR "the Shop (POLYVERB_LANG '${lang_value}') printed\n${got}\nwant (${expected})\n${want}")
  endif()
endfunction()

if(MODE STREQUAL "example")
  set(links "")
  run_shop("" "${EXPECTED_EN}")
  return()
endif()

if(MODE STREQUAL "ide")
  set(shop "${WORK}/shop")
  # The IDE stand-in without a display, as a script runs it.
  execute_process(COMMAND "${POLYVERB_IDE}" --help OUTPUT_VARIABLE ide_help)
  set(marks "")
  if(ide_help MATCHES "--mark")
    set(marks --mark all)
  endif()
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env --unset=DISPLAY --unset=WAYLAND_DISPLAY
      --unset=QT_QPA_PLATFORM "${POLYVERB_IDE}" --yes ${marks} Shop.lpi
    WORKING_DIRECTORY "${shop}" RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "polyverb-ide --yes Shop.lpi exited with ${rc}:\n${out}${err}")
  endif()
  run("${POLYVERB}" lng export "${shop}/english.lng" -o "${WORK}/english.pot")
  file(READ "${WORK}/english.pot" pot)
  if(NOT pot MATCHES "X-Polyverb-Encoding: UTF-8")
    message(FATAL_ERROR "english.pot does not say UTF-8:\n${pot}")
  endif()
  run(msgen "${WORK}/english.pot" -o "${WORK}/en.po")
  run(msgfilter --keep-header -i "${WORK}/en.po" -o "${WORK}/fr.po" sed -e "s/^/FR:/")
  run("${POLYVERB}" lng import "${shop}/english.lng" "${WORK}/fr.po" -o "${shop}/french.lng")
  set(links --package-link "${runtime_lpk}")
  run_shop("French" "${EXPECTED_FR}" SCREENSHOT "${WORK}/shop-french.png")
  run_shop("" "${EXPECTED_EN}" NO_BUILD)
  return()
endif()

find_program(PATCH patch)
if(NOT PATCH)
  message(FATAL_ERROR "patch is not installed")
endif()
run("${PATCH}" -p1 -d "${WORK}/shop" -i "${data}/shop-converted.patch")
run("${LNGWRITE}" "${data}/shop-english.tsv" "${WORK}/shop/english.lng")
run("${POLYVERB}" lng import "${WORK}/shop/english.lng" "${data}/shop-fr.po"
  -o "${WORK}/shop/french.lng")
set(links --package-link "${runtime_lpk}")
run_shop("" "${EXPECTED_EN}")
run_shop("French" "${EXPECTED_FR}")
