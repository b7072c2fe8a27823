# SPDX-FileCopyrightText: 2026 Quindel
# SPDX-License-Identifier: MIT
# Calls `command` with each target that compiles code and is defined in `directory`
# or below; called at the end of the top-level list file, so that none is missed.
function(tolmer_for_each_target directory command)
  get_directory_property(targets DIRECTORY ${directory} BUILDSYSTEM_TARGETS)
  foreach(target IN LISTS targets)
    get_target_property(type ${target} TYPE)
    if(NOT type STREQUAL "INTERFACE_LIBRARY" AND NOT type STREQUAL "UTILITY")
      cmake_language(CALL ${command} ${target})
    endif()
  endforeach()
  get_directory_property(subdirectories DIRECTORY ${directory} SUBDIRECTORIES)
  foreach(subdirectory IN LISTS subdirectories)
    tolmer_for_each_target(${subdirectory} ${command})
  endforeach()
endfunction()
