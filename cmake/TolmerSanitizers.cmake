# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# Sanitizers are switched on per build tree and reach every target the project
# defines; imported libraries (GoogleTest, Qt) stay as they were built.
set(TOLMER_SANITIZE "" CACHE STRING
  "Sanitizers for all project targets, as a list for -fsanitize= (e.g. address;undefined)")
option(TOLMER_FUZZ "Build the libFuzzer targets in fuzz/ (needs clang)" OFF)

# Every error stops the program, so a test or a fuzz run cannot pass over one.
function(tolmer_sanitize target)
  if(NOT TOLMER_SANITIZE)
    return()
  endif()
  list(JOIN TOLMER_SANITIZE "," sanitizers)
  target_compile_options(${target} PRIVATE
    -fsanitize=${sanitizers} -fno-sanitize-recover=all -fno-omit-frame-pointer)
  if(TOLMER_FUZZ)
    # Coverage feedback for libFuzzer in all code; only fuzz targets link its main.
    target_compile_options(${target} PRIVATE -fsanitize=fuzzer-no-link
      -fsanitize-coverage-ignorelist=${PROJECT_SOURCE_DIR}/fuzz/coverage-ignorelist.txt)
  endif()
  get_target_property(type ${target} TYPE)
  if(type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY)$")
    target_link_options(${target} PRIVATE -fsanitize=${sanitizers} -fno-sanitize-recover=all)
  endif()
endfunction()
