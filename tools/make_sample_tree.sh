#!/usr/bin/env bash
# The demo's sample tree: duplicates, near-duplicates that differ in one byte,
# a hard link, empty files, Japanese names and a JPEG pair that differs only
# in its metadata.
set -euo pipefail
root=$1
rm -rf "$root"
mkdir -p "$root/photos/旅行" "$root/docs" "$root/backup/docs" "$root/empty"

bytes() { head -c "$2" /dev/zero | tr '\0' "$1"; }

printf 'Meeting notes\r\nAll hands at ten.\r\n' > "$root/docs/notes.txt"
cp "$root/docs/notes.txt" "$root/backup/docs/notes.txt"
cp "$root/docs/notes.txt" "$root/backup/docs/議事録.txt"
# 200 KiB reports: two equal, one differs in its very last byte, one in the middle.
{ bytes a 100000; bytes b 104800; } > "$root/docs/report.bin"
cp "$root/docs/report.bin" "$root/backup/docs/report.bin"
{ bytes a 100000; bytes b 104799; printf c; } > "$root/backup/docs/report-last.bin"
{ bytes a 50000; printf x; bytes a 49999; bytes b 104800; } > "$root/backup/docs/report-middle.bin"
ln "$root/docs/report.bin" "$root/backup/report-link.bin"
: > "$root/empty/a.txt"
: > "$root/empty/b.txt"
printf 'scratch' > "$root/docs/scratch.tmp"
cp "$root/docs/scratch.tmp" "$root/backup/scratch.tmp"

# JPEG: start of image, an APP1 (Exif) segment, then the image data from a
# quantisation table marker on. Same image data, different metadata.
jpeg() {
  local meta=$1 out=$2
  local len=$(( ${#meta} + 2 ))
  { printf '\xff\xd8\xff\xe1'; printf "\\x$(printf %02x $((len >> 8)))\\x$(printf %02x $((len & 255)))"
    printf '%s' "$meta"; printf '\xff\xdb'; bytes q 3000; printf '\xff\xd9'; } > "$out"
}
jpeg 'Exif camera=one date=2024-05-01' "$root/photos/旅行/海.jpg"
jpeg 'Exif camera=two edited=yes by=someone' "$root/photos/海-編集.jpg"
