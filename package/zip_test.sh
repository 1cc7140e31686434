#!/usr/bin/env bash
# The zip test's set-up: a Wine prefix made for this run (headless, with only
# the sort stand-in added, as Windows brings its own sort), the zip unpacked
# into its empty folder C:\mox, then the test program, which works there.
#   zip_test.sh <build> <zip> <test program>
set -euo pipefail
build=$1 zip=$2 tests=$3
work=$build/zip-test
prefix=$work/prefix
tools=$work/tools
export WINEPREFIX=$prefix
cleanup() { wineserver -k 2>/dev/null || true; }
trap cleanup EXIT
cleanup
rm -rf "$work"
mkdir -p "$tools"
cp "$build/winetools/sort.exe" "$tools/"
export MOX_WINEPREFIX=$prefix MOX_WINE_TOOLS=$tools
winerun=$(dirname "$0")/../tools/winerun.sh
# The first start makes the prefix and puts the stand-in into it.
"$winerun" cmd /c exit
mkdir "$prefix/drive_c/mox"
(cd "$prefix/drive_c/mox" && cmake -E tar xf "$zip")
export MOX_UNPACKED='C:\mox'
"$winerun" "$tests" --gtest_brief=1
