# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# The hardening Debian builds its packages with (dpkg-buildflags), for optimised
# builds: _FORTIFY_SOURCE needs optimisation, and a sanitizer build brings checks of
# its own that fortified calls would get in the way of. PIE is the compiler's default.
function(tolmer_harden target)
  if(TOLMER_SANITIZE)
    return()
  endif()
  set(optimised "$<CONFIG:Release,RelWithDebInfo,MinSizeRel>")
  target_compile_definitions(${target} PRIVATE "$<${optimised}:_FORTIFY_SOURCE=2>")
  get_target_property(type ${target} TYPE)
  if(type MATCHES "^(EXECUTABLE|SHARED_LIBRARY|MODULE_LIBRARY)$")
    # Relocations read-only after loading, and all symbols bound at start.
    target_link_options(${target} PRIVATE "$<${optimised}:-Wl,-z,relro,-z,now>")
  endif()
endfunction()
