#!/usr/bin/env bash
# The front end on Linux: moxwin.exe under Wine in a working folder unpacked
# from the build's zip (the programs, scripts, settings file and help, as a
# Windows user gets them), with the folder to search, or the demo's sample
# tree, in LIST.TXT.
#   gui.sh <build> [--shot FILE.png] [folder]
# Without --shot it runs on the user's display until the window is closed.
# With --shot it runs on a virtual display, presses 開始(&S), waits for the
# search, presses マーク(&M) (auto-check) and writes a picture of the window
# (1240 x 600 pixels, wider columns than at first start).
set -euo pipefail
usage() { sed -n '6p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
[ $# -ge 1 ] || usage
build=$(cd "$1" && pwd); shift
here=$(cd "$(dirname "$0")" && pwd)
shot= folder=
while [ $# -gt 0 ]; do
  case "$1" in
    --shot) [ $# -ge 2 ] || usage; shot=$2; shift 2 ;;
    -*) usage ;;
    *) [ -z "$folder" ] || usage; folder=$1; shift ;;
  esac
done
[ -z "$folder" ] || [ -d "$folder" ] || { echo "gui: no such folder: $folder" >&2; exit 1; }
zip=$build/dist/mox-$(head -n1 "$here/../VERSION")-win64.zip
for f in "$zip" "$build/bin/wmcommand.exe" "$build/winetools/sort.exe"; do
  [ -f "$f" ] || { echo "gui: build first ($f)" >&2; exit 1; }
done

who=gui
. "$here/wine_display.sh"
scratch=$(mktemp -d -t mox.XXXX)  # short: its path shows in the picture
cleanup() {
  stop_wine_display
  rm -rf "$scratch"
}
trap cleanup EXIT
if [ -n "$shot" ]; then
  install_display_packages virtual
  mkdir -p "$(dirname "$shot")"
  out=$(cd "$(dirname "$shot")" && pwd)
  start_xvfb
else
  install_display_packages
  [ -n "${DISPLAY:-}" ] || { echo "gui: no display (DISPLAY is not set); try --shot FILE.png" >&2; exit 1; }
fi
use_picture_prefix

work=$build/gui
rm -rf "$work"
mkdir -p "$work"
(cd "$work" && cmake -E tar xf "$zip")
if [ -z "$folder" ]; then
  folder=$scratch/sample
  "$here/make_sample_tree.sh" "$folder"
fi
folder=$(cd "$folder" && pwd)
# Wine sees the Linux root as drive Z:.
printf '\xef\xbb\xbfZ:%s\r\n' "${folder//\//\\}" | iconv -f UTF-8 -t UTF-16LE >"$work/LIST.TXT"
echo "gui: working folder $work, searching $folder"

if [ -z "$shot" ]; then
  (cd "$work" && LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 wine moxwin.exe >"$scratch/moxwin.log" 2>&1)
  exit 0
fi
# Room for the paths: a larger window, wider path, time and folder columns,
# as a user would leave them.
sed -i 's/^\[Window\]\r$/&\nflags=0\r\nshowCmd=1\r\nMinX=-1\r\nMinY=-1\r\nMaxX=-1\r\nMaxY=-1\r\nleft=0\r\ntop=0\r\nright=1240\r\nbottom=600\r\ncolumn0=400\r\ncolumn4=150\r\ncolumn5=300\r\ncolumn6=110\r/' "$work/moxwin.ini"
(cd "$work" && LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 wine moxwin.exe >"$scratch/moxwin.log" 2>&1) &
pid=$!
wait_window moxwin
sleep 1
post moxwin 1049
wait_search "$work"
post moxwin 1043
sleep 1
capture moxwin "$(basename "$shot")"
post moxwin 1062
wait "$pid"
