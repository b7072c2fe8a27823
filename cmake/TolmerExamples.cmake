# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# Sample grids for trying the viewer, written to examples/ in the build tree, so that
# the source tree may be read-only; scripts/run.sh starts the viewer there, where
# they have a short relative name.
set(TOLMER_EXAMPLES_DIR ${PROJECT_BINARY_DIR}/examples)

# Adds the command that writes examples/NAME.grid, an island terrain.
function(tolmer_example name width height seed)
  add_custom_command(
    OUTPUT ${TOLMER_EXAMPLES_DIR}/${name}.grid
    COMMAND ${CMAKE_COMMAND} -E make_directory ${TOLMER_EXAMPLES_DIR}
    COMMAND tolmer-gridgen terrain ${width} ${height} ${TOLMER_EXAMPLES_DIR}/${name}.grid ${seed}
    DEPENDS tolmer-gridgen
    COMMENT "Writing examples/${name}.grid (${width} x ${height})"
    VERBATIM)
endfunction()

# Fits the window whole.
tolmer_example(island 300 230 7)
# Larger than the window: only its left columns and top rows show.
tolmer_example(continent 800 600 11)

add_custom_target(tolmer-examples ALL
  DEPENDS ${TOLMER_EXAMPLES_DIR}/island.grid ${TOLMER_EXAMPLES_DIR}/continent.grid)
