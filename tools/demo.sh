#!/usr/bin/env bash
# The main job: a duplicate search under Wine, run as the front end runs it:
# LIST.TXT, XLIST.TXT and config.ini in a fresh working folder, then
# "MOX.BAT /v" through the command interpreter. Prints the sets found (as
# Linux paths) and the summary.
#   demo.sh <build> [folder]     without a folder: the built-in sample tree
set -euo pipefail
build=$1
folder=${2:-}
here=$(cd "$(dirname "$0")" && pwd)
demo=$build/demo
rm -rf "$demo"
mkdir -p "$demo/work"

if [ -z "$folder" ]; then
  folder=$demo/sample
  "$here/make_sample_tree.sh" "$folder"
fi
[ -d "$folder" ] || { echo "demo: no such folder: $folder" >&2; exit 1; }
folder=$(cd "$folder" && pwd)

# Wine sees the Linux root as drive Z:.
winpath() { printf 'Z:%s' "${1//\//\\}"; }
utf16() { { printf '\xef\xbb\xbf'; cat; } | iconv -f UTF-8 -t UTF-16LE; }

cd "$demo/work"
printf '%s\r\n' "$(winpath "$folder")" | utf16 > LIST.TXT
printf '.log>\r\n.bak>\r\n.tmp>\r\n' | utf16 > XLIST.TXT
printf '[exclude]\r\nmin=0\r\nmax=9223372036854775807\r\nattribute=\r\n[Options]\r\nbuffer=\r\nfiles=\r\n' > config.ini

search() {
  local script=$1; shift
  echo "== $script $* over $folder"
  local start=$(date +%s.%N) rc=0
  "$build/winerun" cmd /c "$(winpath "$build/bin/$script")" "$@" 2>"$demo/stderr.txt" || rc=$?
  local end=$(date +%s.%N)
  if [ "$rc" -ne 0 ]; then
    echo "demo: $script failed with exit code $rc" >&2
    tr -d '\000' < "$demo/stderr.txt" >&2
    exit "$rc"
  fi
  # Dated lines: time, size, Windows path; sets end with an empty line.
  iconv -f UTF-16LE -t UTF-8 DLIST.TXT | sed -e 's/^\xef\xbb\xbf//' -e 's/\r$//' |
    sed -E 's#^(.{41})Z:(.*)$#\1\2#' | sed -E '/^.{41}/ s#\\#/#g'
  local counts
  counts=$(iconv -f UTF-16LE -t UTF-8 LIST5.TXT | tr -d '\r' | paste -sd' ')
  printf 'files %s  groups %s  time %s s\n\n' "${counts% *}" "${counts#* }" \
    "$(awk -v s="$start" -v e="$end" 'BEGIN { printf "%.2f", e - s }')"
}

search MOX.BAT /v
search MOXJPEG.BAT /v .jpg.jpeg.jfif
