# Resources every shipped program carries: an application manifest and its
# version information, the version taken from VERSION at the top of the tree.
file(STRINGS ${CMAKE_SOURCE_DIR}/VERSION MOX_VERSION LIMIT_COUNT 1)
string(REPLACE "." "," version_commas "${MOX_VERSION}")
# Four numbers, as the version resource holds them: 4.0.0 becomes 4,0,0,0.
string(REGEX MATCHALL "," version_dots "${version_commas}")
list(LENGTH version_dots version_parts)
foreach(i RANGE ${version_parts} 2)
  string(APPEND version_commas ",0")
endforeach()
set(MOX_VERSION_COMMAS ${version_commas})

# mox_add_manifest(<target> WINDOW|CONSOLE): the window programs' manifest
# (visual styles, display scale) or the console programs'.
function(mox_add_manifest target kind)
  string(TOLOWER ${kind} kind)
  set(manifest ${CMAKE_SOURCE_DIR}/cmake/${kind}.manifest)
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_manifest.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/manifest.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
  # windres does not see the manifest as an input of its own.
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${manifest})
endfunction()

# mox_add_version(<target> <description>): version information naming the
# program and describing it.
function(mox_add_version target description)
  set(version_commas ${MOX_VERSION_COMMAS})
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}_version.rc)
  configure_file(${CMAKE_SOURCE_DIR}/cmake/version.rc.in ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()
