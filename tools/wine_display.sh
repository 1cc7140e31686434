# Sourced by screenshots.sh and gui.sh: moxwin.exe under Wine on an X display
# (the user's, or a virtual one), in a Wine prefix of its own,
# <build>/picture-prefix: X11 driver, Wine's fonts, the Japanese faces mapped
# to IPA Gothic, Wine drawing the captions. Not the headless test prefix: the
# graphics driver is a setting of the prefix.
# The caller sets: who (its name for messages), build, scratch (a scratch
# folder it removes) and, for pictures, out (their folder).
. "$(dirname "${BASH_SOURCE[0]}")/packages.sh"

xvfb_pid=

# install_display_packages [virtual]: the fonts; with virtual, also the
# virtual display and the capture tools.
install_display_packages() {
  local packages=(fonts-ipafont-gothic fonts-wine)
  [ "${1:-}" = virtual ] && packages=(xvfb imagemagick x11-utils "${packages[@]}")
  install_missing "$who" "${packages[@]}"
  locale -a 2>/dev/null | grep -qi '^ja_JP\.utf-\?8$' || { echo "$who: run ./mox setup (ja_JP.UTF-8)" >&2; exit 1; }
}

# Ends the prefix's wineserver and the virtual display, if one runs.
stop_wine_display() {
  [ -d "$build/picture-prefix" ] && WINEPREFIX=$build/picture-prefix wineserver -k 2>/dev/null || true
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null || true; fi
}

# start_xvfb [WxH]: the screen's size, 1280x1024 unless given.
start_xvfb() {
  # Xvfb picks a free display itself and tells its number.
  Xvfb -displayfd 3 -screen 0 "${1:-1280x1024}x24" -nolisten tcp 3>"$scratch/display" 2>"$scratch/xvfb.log" &
  xvfb_pid=$!
  for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
  [ -s "$scratch/display" ] || { echo "$who: Xvfb did not start" >&2; cat "$scratch/xvfb.log" >&2; exit 1; }
  export DISPLAY=:$(cat "$scratch/display")
}

# Makes the prefix on first use (on the display already set) and puts the
# sort stand-in into it.
use_picture_prefix() {
  export WINEPREFIX=$build/picture-prefix
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
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
}

# set_display_dpi <dpi>: the prefix's display scale (LogPixels, 96 = 100 %),
# taken by the programs started after it.
set_display_dpi() {
  wine reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wine reg add 'HKCC\Software\Fonts' /v LogPixels /t REG_DWORD /d "$1" /f >/dev/null 2>&1
  wineserver -k 2>/dev/null || true
  wineserver -w
}

# Under a loaded machine a Wine start can take many seconds.
wait_window() {
  for _ in $(seq 300); do
    xwininfo -name "$1" >/dev/null 2>&1 && { sleep 1.5; return 0; }  # let it paint
    sleep 0.1
  done
  echo "$who: no window \"$1\"" >&2
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
  echo "$who: $out/$file (${w}x${h})"
}

post() { wine "$build/bin/wmcommand.exe" "$1" "$2" >/dev/null 2>&1; }

# A search has ended when its count file is rewritten.
wait_search() {
  for _ in $(seq 300); do
    [ "$1/LIST5.TXT" -nt "$1/LIST.TXT" ] && [ -s "$1/DLIST.TXT" ] && { sleep 2; return 0; }
    sleep 0.1
  done
  echo "$who: the search in $1 did not end" >&2
  return 1
}
