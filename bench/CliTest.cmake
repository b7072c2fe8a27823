# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# Checks one case of tolmer-bench's command-line contract; run with cmake -P and
# BENCH, GRIDGEN, WORK_DIR and CASE set.
cmake_minimum_required(VERSION 3.25)

file(REMOVE_RECURSE "${WORK_DIR}")
file(MAKE_DIRECTORY "${WORK_DIR}")

# Runs the bench with the given arguments and checks its exit code; the output
# is left in OUTPUT, the error output in ERRORS.
function(expect_exit expected)
  execute_process(COMMAND "${BENCH}" ${ARGN}
    RESULT_VARIABLE code OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT code STREQUAL expected)
    message(FATAL_ERROR "tolmer-bench ${ARGN}: exit ${code}, expected ${expected}\n${out}${err}")
  endif()
  set(OUTPUT "${out}" PARENT_SCOPE)
  set(ERRORS "${err}" PARENT_SCOPE)
endfunction()

function(expect_output regex)
  if(NOT OUTPUT MATCHES "${regex}")
    message(FATAL_ERROR "output does not match '${regex}':\n${OUTPUT}")
  endif()
endfunction()

function(make_grid kind width height path)
  execute_process(COMMAND "${GRIDGEN}" ${kind} ${width} ${height} "${path}"
    RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "tolmer-gridgen ${kind} failed")
  endif()
endfunction()

# Three bytes of the binary PPM at pixel (x, y) of a 617-pixel-wide image, as hex.
function(ppm_pixel path x y out)
  math(EXPR offset "15 + (${y} * 617 + ${x}) * 3")
  file(READ "${path}" hex OFFSET ${offset} LIMIT 3 HEX)
  set(${out} "${hex}" PARENT_SCOPE)
endfunction()

set(grid "${WORK_DIR}/island.grid")

if(CASE STREQUAL "bad-arguments")
  make_grid(terrain 7 5 "${grid}")
  expect_exit(2)
  expect_exit(2 --runs)
  expect_exit(2 --runs 0 "${grid}")
  expect_exit(2 --runs 2x "${grid}")
  expect_exit(2 --runs -1 "${grid}")
  expect_exit(2 --dump)
  expect_exit(2 --fast "${grid}")
  expect_exit(2 "${grid}" "${grid}")
  # A grid too large for any file is refused before anything is written.
  execute_process(COMMAND "${GRIDGEN}" sparse 2147483647 2147483647 "${WORK_DIR}/huge.grid"
    RESULT_VARIABLE code ERROR_VARIABLE err)
  if(NOT code EQUAL 1 OR NOT err MATCHES "huge.grid: .* larger than a file can be"
     OR EXISTS "${WORK_DIR}/huge.grid")
    message(FATAL_ERROR "tolmer-gridgen wrote or misreported a grid too large for a file: ${err}")
  endif()
elseif(CASE STREQUAL "missing-file")
  expect_exit(1 "${WORK_DIR}/missing.grid")
  expect_output("run 1: Loading [^\n]*missing.grid\nrun 1: Error\n")
  if(NOT ERRORS MATCHES "^tolmer-bench: run 1: there is no file named [^\n]*missing.grid\n$")
    message(FATAL_ERROR "the reason is not on stderr:\n${ERRORS}")
  endif()
  # A name after -- is a file even when it looks like an option.
  expect_exit(1 -- --runs)
  expect_output("run 1: Loading --runs\nrun 1: Error\n")
elseif(CASE STREQUAL "repeated-runs")
  make_grid(terrain 7 5 "${grid}")
  expect_exit(0 --runs 3 "${grid}")
  string(REGEX MATCHALL "Loaded, 7x5\n" loads "${OUTPUT}")
  list(LENGTH loads count)
  if(NOT count EQUAL 3)
    message(FATAL_ERROR "expected 3 loads, got ${count}:\n${OUTPUT}")
  endif()
  expect_output("run 3: Loaded, 7x5\n")
  expect_output("median [0-9.]+ s per load, [0-9.]+ GB/s of file \\(714 bytes, 3 runs\\)")
  # Printed lines that cannot be written make a failure, as does tolmer-gridgen's help.
  foreach(command "${BENCH};--runs;3;${grid}" "${GRIDGEN};--help")
    execute_process(COMMAND ${command} OUTPUT_FILE /dev/full
      RESULT_VARIABLE code ERROR_VARIABLE err)
    if(NOT code EQUAL 1 OR NOT err MATCHES "^tolmer-[a-z]+: write error: No space left on device\n$")
      message(FATAL_ERROR "${command} onto a full disk: exit ${code}, stderr:\n${err}")
    endif()
  endforeach()
elseif(CASE STREQUAL "dump")
  # A sparse grid is all zero heights of type 0: one range point, so pure green.
  make_grid(sparse 2 1 "${grid}")
  set(image "${WORK_DIR}/out.ppm")
  expect_exit(0 --dump "${image}" "${grid}")
  file(READ "${image}" header LIMIT 15)
  if(NOT header STREQUAL "P6\n617 503\n255\n")
    message(FATAL_ERROR "not a 617 x 503 binary PPM: '${header}'")
  endif()
  file(SIZE "${image}" size)
  math(EXPR expected "15 + 617 * 503 * 3")
  if(NOT size EQUAL expected)
    message(FATAL_ERROR "PPM has ${size} bytes, expected ${expected}")
  endif()
  foreach(pixel "5;25;00ff00" "8;26;00ff00" "9;25;efefef" "5;27;efefef" "0;0;efefef")
    list(GET pixel 0 x)
    list(GET pixel 1 y)
    list(GET pixel 2 want)
    ppm_pixel("${image}" ${x} ${y} got)
    if(NOT got STREQUAL want)
      message(FATAL_ERROR "pixel (${x}, ${y}) is ${got}, expected ${want}")
    endif()
  endforeach()
  # A failed load still dumps what is on the surface, and says so in its exit code.
  expect_exit(1 --dump "${image}" "${WORK_DIR}/missing.grid")
  expect_exit(3 --dump "${WORK_DIR}/no/such/dir/out.ppm" "${grid}")
  if(OUTPUT MATCHES "run 1")
    message(FATAL_ERROR "loaded before finding that the dump cannot be written:\n${OUTPUT}")
  endif()
  # The grid itself, by its name or through a link, is never overwritten.
  file(CREATE_LINK "${grid}" "${WORK_DIR}/link.ppm" SYMBOLIC)
  file(SIZE "${grid}" before)
  expect_exit(2 --dump "${grid}" "${grid}")
  expect_exit(2 --dump "${WORK_DIR}/link.ppm" "${grid}")
  file(SIZE "${grid}" after)
  if(NOT before EQUAL after)
    message(FATAL_ERROR "the grid was overwritten by its picture")
  endif()
else()
  message(FATAL_ERROR "unknown case ${CASE}")
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
