#!/usr/bin/env bash
# Runs a Windows program under the Wine prefix that belongs to the build tree.
# Creates the prefix on first use: quiet (no Mono/Gecko prompts) and headless
# (null graphics driver), so window code runs without a display.
# MOX_WINEPREFIX names the prefix (CMake sets it to <build>/wineprefix, or
# <build>/wineprefix-japanese for the tests' Japanese runs).
set -u
prefix=${MOX_WINEPREFIX:?MOX_WINEPREFIX must name the Wine prefix of the build tree}
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
unset DISPLAY WAYLAND_DISPLAY

if [ ! -f "$prefix/.mox-ready" ]; then
  mkdir -p "$(dirname "$prefix")"
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -f "$prefix/.mox-ready" ]; then
    rm -rf "$prefix"
    wineboot -i >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Drivers' /v Graphics /d null /f >/dev/null 2>&1
    wineserver -w
    touch "$prefix/.mox-ready"
  fi
  flock -u 9
  exec 9>&-
fi
# Test support the scripts expect on PATH (the sort stand-in), kept current.
if [ -n "${MOX_WINE_TOOLS:-}" ] && [ -d "$MOX_WINE_TOOLS" ]; then
  for tool in "$MOX_WINE_TOOLS"/*.exe; do
    [ -e "$tool" ] && cp -u "$tool" "$prefix/drive_c/windows/system32/"
  done
fi
exec wine "$@"
