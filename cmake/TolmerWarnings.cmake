# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# Warnings are a per-target property so that third-party code never sees them.
function(tolmer_warnings target)
  target_compile_options(${target} PRIVATE
    -Wall -Wextra -Wshadow -Wconversion -Wsign-conversion -Wpedantic)
endfunction()
