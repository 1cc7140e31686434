#!/usr/bin/env bash
# Pictures of the front end for the documentation, run by hand (not in CI):
# moxwin.exe under Xvfb in a Wine prefix of its own (X11 driver, Japanese
# faces mapped to IPA Gothic), captured into PNG files.
#   screenshots.sh <build> <out> [dpi]
# Writes <out>/moxwin-empty.png, moxwin-folders.png, moxwin-about.png,
# moxwin-results.png (a search of the demo's sample tree, auto-checked),
# moxwin-menu.png (the edit menu with its program submenu open) and
# moxwin-sort.png. With a dpi (Wine's LogPixels: 96, 144, 192) the display
# runs at that scale and each name ends in its percentage:
# moxwin-results-150.png for 144.
set -euo pipefail
[ $# -eq 2 ] || [ $# -eq 3 ] || { sed -n '5p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
dpi=${3:-96}
suffix=
[ $# -eq 3 ] && suffix=-$((dpi * 100 / 96))
# Lengths in pixels at 100 %, at the display's scale.
at_dpi() { echo $(($1 * dpi / 96)); }
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
for exe in moxwin wmcommand dirscan widen sizesum dupcheck; do
  [ -f "$build/bin/$exe.exe" ] || { echo "screenshots: build $exe first ($build/bin/$exe.exe)" >&2; exit 1; }
done

who=screenshots
. "$(dirname "$0")/wine_display.sh"
install_display_packages virtual
install_missing "$who" xdotool
scratch=$(mktemp -d)
cleanup() {
  stop_wine_display
  rm -rf "$scratch"
}
trap cleanup EXIT
# Room for the window at twice its size.
start_xvfb "$(at_dpi 1280)x$(at_dpi 1024)"
use_picture_prefix
set_display_dpi "$dpi"

utf16() { { printf '\xef\xbb\xbf'; cat; } | iconv -f UTF-8 -t UTF-16LE; }

# A working folder with its own copy of the program (settings lie beside it).
prepare() {
  local folder=$scratch/$1
  mkdir -p "$folder"
  cp "$build/bin/moxwin.exe" "$folder/"
  echo "$folder"
}

# Starts the program in a folder, runs the given picture steps, closes it.
session() {
  local folder=$1; shift
  (cd "$folder" && LANG=ja_JP.UTF-8 LC_ALL=ja_JP.UTF-8 wine moxwin.exe >"$scratch/moxwin.log" 2>&1) &
  local pid=$!
  wait_window moxwin
  "$@"
  post moxwin 1062
  wait "$pid"
}

empty_steps() { capture moxwin "moxwin-empty$suffix.png"; }
folder_steps() {
  capture moxwin "moxwin-folders$suffix.png"
  post moxwin 209
  wait_window "moxwin - About"
  capture "moxwin - About" "moxwin-about$suffix.png"
  post "moxwin - About" 1
}

session "$(prepare empty)" empty_steps

folders=$(prepare folders)
printf 'C:\\Users\\taro\\Pictures\r\n:D:\\バックアップ\\2023\r\nE:\\写真\\旅行\r\nZ:\\共有\\ドキュメント\r\n' |
  utf16 >"$folders/LIST.TXT"
# Values from the last search; the settings file keeps non-ASCII text as
# %XXXX escapes: exclude0 is .log>|.bak>|.tmp>|\一時ファイル\ .
printf '%s\r\n' '[history0]' 'program0=MOX.BAT /v' \
  'exclude0=.log>|.bak>|.tmp>|\%4E00%6642%30D5%30A1%30A4%30EB\' \
  'min0=1K' 'max0=2G' 'attribute0=HS' '[Options]' 'buffer=64M' >"$folders/moxwin.ini"
session "$folders" folder_steps

# A search of the demo's sample tree, run from the window, then Mark's
# auto-check and the sort dialog.
results=$(prepare results)
for f in MOX.BAT LAST.BAT dirscan.exe widen.exe sizesum.exe dupcheck.exe sizegroup.exe keygroup.exe unkey.exe; do
  cp "$build/bin/$f" "$results/"
done
"$(dirname "$0")/make_sample_tree.sh" "$scratch/sample"
printf 'Z:%s\r\n' "${scratch//\//\\}\\sample" | utf16 >"$results/LIST.TXT"
# Three programs for the submenu: an icon from the program, one from a file
# type, one by index from another file (display names in %XXXX escapes).
printf '%s\r\n' '[history0]' 'program0=MOX.BAT /v' '[program]' \
  'program0=notepad.exe %0025%0031' \
  'program1=write.exe<0>*.txt|%30C6%30AD%30B9%30C8 (*.txt %306E%30A2%30A4%30B3%30F3)' \
  'program2=regedit.exe<0>C:\windows\regedit.exe|%30EC%30B8%30B9%30C8%30EA %30A8%30C7%30A3%30BF' \
  >"$results/moxwin.ini"
results_steps() {
  sleep 1
  post moxwin 1049
  wait_search "$results"
  post moxwin 1043
  sleep 1
  capture moxwin "moxwin-results$suffix.png"
  # The edit menu over the selected rows, its program submenu opened by
  # pointing at it (its fourth item, measured in this prefix's font); menus
  # are windows of their own, so the picture is the screen's content around
  # them.
  post moxwin 210
  post moxwin 1047
  sleep 1
  local info
  info=$(xwininfo -name moxwin)
  xdotool mousemove $(($(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info") + $(at_dpi 200))) \
    $(($(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info") + $(at_dpi 296)))
  sleep 1.5
  import -window root "$scratch/root.png"
  convert "$scratch/root.png" -trim +repage "$out/moxwin-menu$suffix.png"
  echo "$who: $out/moxwin-menu$suffix.png"
  xdotool key Escape Escape
  sleep 0.5
  post moxwin 1012
  wait_window "moxwin - sort"
  capture "moxwin - sort" "moxwin-sort$suffix.png"
  post "moxwin - sort" 2
}
session "$results" results_steps
