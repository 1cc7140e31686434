#!/usr/bin/env bash
# A picture of a page as a browser shows it (headless Chromium), to look at
# the help page: run by hand, not in CI.
#   helpshot.sh <page.html> <out.png> [width [height]]
# Installs chromium and a Japanese font when missing. The picture is the
# top of the page at the given size (default 1000 x 1400 pixels).
set -euo pipefail
[ $# -ge 2 ] || { sed -n '4p' "$0" | sed 's/^# \{0,1\}//'; exit 2; }
page=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
out=$2 width=${3:-1000} height=${4:-1400}
. "$(dirname "$0")/packages.sh"
install_missing helpshot chromium fonts-ipafont-gothic
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT
# As root Chromium runs only without its sandbox; the page is our own file.
chromium --headless --no-sandbox --disable-gpu --hide-scrollbars --user-data-dir="$profile" \
  --window-size="$width,$height" --screenshot="$(realpath -m "$out")" "file://$page" >/dev/null 2>&1
[ -s "$out" ] || { echo "helpshot: chromium wrote no picture" >&2; exit 1; }
echo "helpshot: $out (${width}x$height)"
