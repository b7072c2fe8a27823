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
  # The timeout turns a run that blocks, as on a FIFO, into a failure.
  execute_process(COMMAND "${BENCH}" ${ARGN} TIMEOUT 120
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

# Each further argument is "X,Y,RRGGBB": the pixel the PPM must have there.
function(expect_pixels image)
  foreach(entry ${ARGN})
    string(REPLACE "," ";" pixel "${entry}")
    list(GET pixel 0 x)
    list(GET pixel 1 y)
    list(GET pixel 2 want)
    ppm_pixel("${image}" ${x} ${y} got)
    if(NOT got STREQUAL want)
      message(FATAL_ERROR "pixel (${x}, ${y}) of ${image} is ${got}, expected ${want}")
    endif()
  endforeach()
endfunction()

function(make_grid kind width height path)
  execute_process(COMMAND "${GRIDGEN}" ${kind} ${width} ${height} "${path}"
    RESULT_VARIABLE code)
  if(NOT code EQUAL 0)
    message(FATAL_ERROR "tolmer-gridgen ${kind} failed")
  endif()
endfunction()

# Runs tolmer-gridgen, which must refuse with status 1 and a message matching
# `pattern`, leave the bytes of `kept` as they were and no other file behind.
function(expect_gridgen_refusal pattern kept)
  file(SHA256 "${kept}" before)
  file(GLOB_RECURSE files_before LIST_DIRECTORIES true "${WORK_DIR}/*")
  execute_process(COMMAND "${GRIDGEN}" ${ARGN} TIMEOUT 20 RESULT_VARIABLE code ERROR_VARIABLE err)
  if(NOT code STREQUAL "1" OR NOT err MATCHES "^tolmer-gridgen: ${pattern}\n$")
    message(FATAL_ERROR "tolmer-gridgen ${ARGN}: exit ${code}, expected 1 and /${pattern}/: ${err}")
  endif()
  file(SHA256 "${kept}" after)
  file(GLOB_RECURSE files_after LIST_DIRECTORIES true "${WORK_DIR}/*")
  if(NOT before STREQUAL after OR NOT files_before STREQUAL files_after)
    message(FATAL_ERROR "tolmer-gridgen ${ARGN} changed ${kept} or left a file: ${files_after}")
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
  expect_exit(2 --view)
  expect_exit(2 --view near "${grid}")
  expect_exit(2 --view scale=0 "${grid}")
  expect_exit(2 --view scale=1/0 "${grid}")
  expect_exit(2 --window 800 "${grid}")
  expect_exit(2 --window 800x25 "${grid}")
  expect_exit(2 --fast "${grid}")
  expect_exit(2 "${grid}" "${grid}")
  # A grid too large for any file is refused before anything is written.
  execute_process(COMMAND "${GRIDGEN}" sparse 2147483647 2147483647 "${WORK_DIR}/huge.grid"
    RESULT_VARIABLE code ERROR_VARIABLE err)
  if(NOT code EQUAL 1 OR NOT err MATCHES "huge.grid: .* larger than a file can be"
     OR EXISTS "${WORK_DIR}/huge.grid")
    message(FATAL_ERROR "tolmer-gridgen wrote or misreported a grid too large for a file: ${err}")
  endif()
  # Targets that are no file are refused at once, a FIFO without blocking.
  execute_process(COMMAND mkfifo "${WORK_DIR}/fifo" COMMAND_ERROR_IS_FATAL ANY)
  file(MAKE_DIRECTORY "${WORK_DIR}/folder")
  expect_gridgen_refusal("cannot write /dev/full: it is a device, not a regular file" "${grid}"
    terrain 3 2 /dev/full)
  expect_gridgen_refusal("cannot write [^\n]*folder: it is a folder" "${grid}"
    terrain 3 2 "${WORK_DIR}/folder")
  expect_gridgen_refusal("cannot write [^\n]*fifo: it is a FIFO, not a regular file" "${grid}"
    terrain 3 2 "${WORK_DIR}/fifo")
  expect_gridgen_refusal("cannot write [^\n]*/no/such.grid: No such file or directory" "${grid}"
    terrain 3 2 "${WORK_DIR}/no/such.grid")
  # Written out, as a function's arguments lose an empty one.
  execute_process(COMMAND "${GRIDGEN}" terrain 3 2 "" RESULT_VARIABLE code ERROR_VARIABLE err)
  if(NOT code EQUAL 1 OR NOT err STREQUAL "tolmer-gridgen: cannot write a file with an empty name\n")
    message(FATAL_ERROR "tolmer-gridgen with an empty name: exit ${code}: ${err}")
  endif()
  # A grid that fits a file offset but not the file system leaves the old grid whole;
  # file systems whose files may be that large write it, sparse.
  execute_process(COMMAND "${GRIDGEN}" sparse 2147483647 214748364 "${WORK_DIR}/large.grid"
    RESULT_VARIABLE code)
  if(code EQUAL 0)
    file(REMOVE "${WORK_DIR}/large.grid")
  else()
    expect_gridgen_refusal("cannot write [^\n]*island.grid: File too large" "${grid}"
      sparse 2147483647 214748364 "${grid}")
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
  expect_pixels("${image}" 5,25,00ff00 8,26,00ff00 9,25,efefef 5,27,efefef 0,0,efefef)
  # A failed load dumps nothing: the picture of the last one that worked stays.
  file(SHA256 "${image}" dumped)
  expect_exit(1 --dump "${image}" "${WORK_DIR}/missing.grid")
  expect_exit(1 --dump "${WORK_DIR}/new.ppm" "${WORK_DIR}/missing.grid")
  file(SHA256 "${image}" kept)
  if(NOT kept STREQUAL dumped OR EXISTS "${WORK_DIR}/new.ppm")
    message(FATAL_ERROR "a failed load wrote its picture")
  endif()
  # A FIFO, a folder or a missing folder is refused before loading, without blocking.
  execute_process(COMMAND mkfifo "${WORK_DIR}/fifo.ppm" COMMAND_ERROR_IS_FATAL ANY)
  expect_exit(3 --dump "${WORK_DIR}/fifo.ppm" "${grid}")
  if(NOT ERRORS MATCHES "cannot write [^\n]*fifo.ppm: it is a FIFO")
    message(FATAL_ERROR "the FIFO is refused for another reason: ${ERRORS}")
  endif()
  expect_exit(3 --dump "${WORK_DIR}" "${grid}")
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
elseif(CASE STREQUAL "view-fit")
  # 2000 x 100 fits at about 0.3 pixels a cell, finer than the overview's bins.
  make_grid(terrain 2000 100 "${grid}")
  set(image "${WORK_DIR}/fit.ppm")
  expect_exit(0 --view fit --runs 3 --dump "${image}" "${grid}")
  expect_output("run 1: Loaded, 2000x100\n")
  if(OUTPUT MATCHES "run 2")
    message(FATAL_ERROR "a view is timed after one load, not several:\n${OUTPUT}")
  endif()
  expect_output("view 3: [0-9.]+ s\n")
  expect_output("median [0-9.]+ s per fit view at [0-9.]+ pixels a cell, from the records in view \\(3 runs\\)")
  expect_output("overview [0-9.]+ MiB \\([0-9]+ bytes\\) in memory, 0.0 MiB \\(0 bytes\\) on disk, bins of 4 x 4 cells")
  # A scale and a window of one's own; views against the area average, exact where
  # bins line up with pixels.
  expect_exit(0 --view scale=1/16 --window 800x600 --accuracy "${grid}")
  expect_output("per scaled view at 0.062500 pixels a cell, from the overview")
  expect_output("accuracy at 4 cells a pixel, from the records in view: mean 0.000, largest 0,")
  expect_output("accuracy at 16 cells a pixel, from the overview: mean 0.000, largest [01],")
  # The dump is the view: the grid around the middle of the map, none at the corner
  # where the load starts.
  expect_exit(0 --view fit --runs 3 --dump "${image}" "${grid}")
  ppm_pixel("${image}" 308 261 middle)
  ppm_pixel("${image}" 5 25 corner)
  if(middle STREQUAL "efefef" OR NOT corner STREQUAL "efefef")
    message(FATAL_ERROR "not a fit view: ${middle} in the middle, ${corner} at (5, 25)")
  endif()
elseif(CASE STREQUAL "view-far")
  # All green, so that the view's place shows: at the bottom right, not at (5, 25).
  make_grid(sparse 2 1 "${grid}")
  set(image "${WORK_DIR}/far.ppm")
  expect_exit(0 --view far --runs 2 --dump "${image}" "${grid}")
  expect_output("median [0-9.]+ s per far view at 2.0+ pixels a cell, from its records \\(2 runs\\)")
  expect_pixels("${image}" 616,502,00ff00 613,501,00ff00 612,502,efefef 5,25,efefef)
  # A failed load draws no view.
  expect_exit(1 --view far "${WORK_DIR}/missing.grid")
  if(OUTPUT MATCHES "view 1")
    message(FATAL_ERROR "a view was drawn of a grid that did not load:\n${OUTPUT}")
  endif()
else()
  message(FATAL_ERROR "unknown case ${CASE}")
endif()

file(REMOVE_RECURSE "${WORK_DIR}")
