# Tests run under Wine in a prefix owned by this build tree.
enable_testing()
# ctest's time limit for each test program, unless `ctest --timeout N` gives
# another: as a default, not a TIMEOUT property, which --timeout would not
# override.
file(WRITE ${CMAKE_BINARY_DIR}/DartConfiguration.tcl "TimeOut: 600\n")

set(MOX_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
set(MOX_WINERUN ${CMAKE_BINARY_DIR}/winerun)
# The Japanese runs have a prefix of their own: a program started under
# another locale than the prefix's last makes Wine rewrite the user's
# regional settings, and a test of the other locale reading them meanwhile
# (a time's AM mark) gets the other locale's.
file(CONFIGURE OUTPUT ${MOX_WINERUN} CONTENT
"#!/bin/sh
if [ \"\${MOX_LOCALE:-}\" = japanese ]; then
  export MOX_WINEPREFIX='${MOX_WINEPREFIX}-japanese'
else
  export MOX_WINEPREFIX='${MOX_WINEPREFIX}'
fi
export MOX_WINE_TOOLS='${CMAKE_BINARY_DIR}/winetools'
exec '${CMAKE_SOURCE_DIR}/tools/winerun.sh' \"$@\"
" @ONLY)
file(CHMOD ${MOX_WINERUN} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
     GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
set(CMAKE_CROSSCOMPILING_EMULATOR ${MOX_WINERUN})

set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Locales the code-page tests run under: Western (OEM 437) and Japanese (OEM 932).
set(MOX_LOCALE_western "C.UTF-8")
set(MOX_LOCALE_japanese "ja_JP.UTF-8")

# mox_add_gtest(<name> SOURCES ... [LIBS ...] [LOCALES western japanese] [DEPENDS prog...]
#               [ENVIRONMENT VAR=value...] [DESKTOP])
# DESKTOP: the program's windows take the keyboard focus, which is one per
# desktop; such programs run one at a time.
# One CTest test per GoogleTest program (a Wine start per test case would cost
# seconds each); with LOCALES it runs once per locale, named <name>.<locale>.
function(mox_add_gtest name)
  cmake_parse_arguments(T "DESKTOP" "" "SOURCES;LIBS;LOCALES;DEPENDS;ENVIRONMENT" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} GTest::gtest_main)
  if(T_DEPENDS)
    add_dependencies(${name} ${T_DEPENDS})
  endif()
  if(NOT T_LOCALES)
    set(T_LOCALES western)
  endif()
  list(LENGTH T_LOCALES nlocales)
  foreach(loc ${T_LOCALES})
    if(nlocales EQUAL 1)
      set(tname ${name})
    else()
      set(tname ${name}.${loc})
    endif()
    add_test(NAME ${tname} COMMAND ${name} --gtest_brief=1
             WORKING_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
    set(env "LC_ALL=${MOX_LOCALE_${loc}}" "LANG=${MOX_LOCALE_${loc}}" "MOX_LOCALE=${loc}" ${T_ENVIRONMENT})
    set_tests_properties(${tname} PROPERTIES ENVIRONMENT "${env}")
    if(T_DESKTOP)
      set_tests_properties(${tname} PROPERTIES RESOURCE_LOCK desktop)
    endif()
  endforeach()
endfunction()

# mox_add_program(<name> SOURCES ... [LIBS ...] [DESCRIPTION text]): a console
# program of the tool set, entered through wmain. With a description it is
# one the zip ships: it gets the manifest and the version information.
function(mox_add_program name)
  cmake_parse_arguments(P "" "DESCRIPTION" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${P_SOURCES})
  target_link_libraries(${name} PRIVATE ${P_LIBS})
  target_link_options(${name} PRIVATE -municode)
  if(P_DESCRIPTION)
    mox_add_manifest(${name} CONSOLE)
    mox_add_version(${name} "${P_DESCRIPTION}")
  endif()
endfunction()
