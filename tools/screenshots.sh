#!/usr/bin/env bash
# Pictures of the front end for the documentation, run by hand (not in CI):
# moxwin.exe under Xvfb in a Wine prefix of its own (X11 driver, Japanese
# faces mapped to IPA Gothic), captured into PNG files.
#   screenshots.sh <build> <out>
# Writes <out>/moxwin-empty.png, moxwin-folders.png, moxwin-about.png,
# moxwin-results.png (a search of the demo's sample tree, auto-checked) and
# moxwin-sort.png.
set -euo pipefail
[ $# -eq 2 ] || { sed -n '5,6p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
build=$(cd "$1" && pwd)
mkdir -p "$2"
out=$(cd "$2" && pwd)
for exe in moxwin wmcommand dirscan widen sizesum dupcheck; do
  [ -f "$build/bin/$exe.exe" ] || { echo "screenshots: build $exe first ($build/bin/$exe.exe)" >&2; exit 1; }
done

packages=(xvfb imagemagick x11-utils fonts-ipafont-gothic fonts-wine)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "screenshots: installing ${missing[*]}"
  sudo=; [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' || { echo "screenshots: run ./mox setup (ja_JP.UTF-8)" >&2; exit 1; }

# Not the headless test prefix: the graphics driver is a setting of the prefix.
export WINEPREFIX=$build/picture-prefix
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
scratch=$(mktemp -d)
xvfb_pid=
cleanup() {
  wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null || true; fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# Xvfb picks a free display itself and tells its number.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
xvfb_pid=$!
for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
[ -s "$scratch/display" ] || { echo "screenshots: Xvfb did not start" >&2; cat "$scratch/xvfb.log" >&2; exit 1; }
export DISPLAY=:$(cat "$scratch/display")

if [ ! -f "$WINEPREFIX/.mox-ready" ]; then
  rm -rf "$WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  # Debian's Wine does not load its own fonts (Marlett draws the caption buttons).
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/"
  # Without a window manager Wine draws the caption itself.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1
  # reg decodes its arguments by the locale: the face names need UTF-8.
  for face in "ＭＳ Ｐゴシック" "ＭＳ ゴシック" "MS UI Gothic" "MS PGothic" "MS Gothic"; do
    LANG=C.UTF-8 wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d IPAPGothic /f >/dev/null 2>&1
  done
  wineserver -w
  touch "$WINEPREFIX/.mox-ready"
fi
# Wine has no sort command: the test stand-in serves the search scripts.
cp "$build/winetools/sort.exe" "$WINEPREFIX/drive_c/windows/system32/"

utf16() { { printf '\xef\xbb\xbf'; cat; } | iconv -f UTF-8 -t UTF-16LE; }

# A working folder with its own copy of the program (settings lie beside it).
prepare() {
  local folder=$scratch/$1
  mkdir -p "$folder"
  cp "$build/bin/moxwin.exe" "$folder/"
  echo "$folder"
}

wait_window() {
  for _ in $(seq 100); do
    xwininfo -name "$1" >/dev/null 2>&1 && { sleep 1.5; return 0; }  # let it paint
    sleep 0.1
  done
  echo "screenshots: no window \"$1\"" >&2
  return 1
}

capture() {
  local name=$1 file=$2 info x y w h
  info=$(xwininfo -name "$name")
  x=$(sed -n 's/^ *Absolute upper-left X: *//p' <<<"$info")
  y=$(sed -n 's/^ *Absolute upper-left Y: *//p' <<<"$info")
  w=$(sed -n 's/^ *Width: *//p' <<<"$info")
  h=$(sed -n 's/^ *Height: *//p' <<<"$info")
  import -window root "$scratch/root.png"
  convert "$scratch/root.png" -crop "${w}x${h}+${x}+${y}" +repage "$out/$file"
  echo "screenshots: $out/$file (${w}x${h})"
}

post() { wine "$build/bin/wmcommand.exe" "$1" "$2" >/dev/null 2>&1; }

# A search has ended when its count file is rewritten.
wait_search() {
  for _ in $(seq 300); do
    [ "$1/LIST5.TXT" -nt "$1/LIST.TXT" ] && [ -s "$1/DLIST.TXT" ] && { sleep 2; return 0; }
    sleep 0.1
  done
  echo "screenshots: the search in $1 did not end" >&2
  return 1
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

empty_steps() { capture moxwin moxwin-empty.png; }
folder_steps() {
  capture moxwin moxwin-folders.png
  post moxwin 209
  wait_window "moxwin - About"
  capture "moxwin - About" moxwin-about.png
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
printf '%s\r\n' '[history0]' 'program0=MOX.BAT /v' >"$results/moxwin.ini"
results_steps() {
  sleep 1
  post moxwin 1049
  wait_search "$results"
  post moxwin 1043
  sleep 1
  capture moxwin moxwin-results.png
  post moxwin 1012
  wait_window "moxwin - sort"
  capture "moxwin - sort" moxwin-sort.png
  post "moxwin - sort" 2
}
session "$results" results_steps
