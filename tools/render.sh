#!/usr/bin/env bash
# Renders the window of a mode to a PNG under Xvfb, for looking at it.
#   tools/render.sh OUT.png MODE [ARG...] [-- FILE...]
# KEYS="text" types into the window before the shot, then XKEYS="Down Return"
# presses keys (xdotool key names);
# WAIT=seconds to wait for the window (default 2).
# DPI=144 renders at that display scale, LANGUAGE=German in that language:
# both in a copy of the new prefix (build/wine/render), the shared one stays as it is.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
out=$(realpath -m "$1"); shift
[ $# -gt 0 ] || { echo "usage: render.sh OUT.png MODE [ARG...] [-- FILE...]"; exit 2; }
BUILD=$build "$root/tools/build.sh" win >/dev/null
. "$root/tools/wine-env.sh"
wine_up keep
trap 'kill $runner 2>/dev/null; wine_down' EXIT
if [ -n "${DPI:-}${LANGUAGE:-}" ]; then
  kill "$KEEPER_PID" 2>/dev/null
  wineserver -k 2>/dev/null || true
  wine_copy_prefix "$build/wine/pristine" "$build/wine/render"
  export WINEPREFIX=$build/wine/render
  ini=$WINEPREFIX/drive_c/windows/kivulanguage.ini
  # The shipped form, with the language chosen in its UTF-8 source first.
  sed "0,/^Current=.*/s//Current=${LANGUAGE:-English}/" "$root/resources/kivulanguage.ini" |
    python3 "$root/tools/utf16le.py" - "$ini"
  [ -n "${DPI:-}" ] && wine_set_dpi "$DPI"
  wineserver -p
  wine "$build/win/bin/keeper.exe" >/dev/null 2>&1 &
  KEEPER_PID=$!
fi

wine_link_fonts
winargs=(); infiles=0
for a in "$@"; do
  if [ "$infiles" = 1 ]; then winargs+=("$(winepath -w "$(realpath "$a")" 2>/dev/null)")
  else winargs+=("$a"); [ "$a" = "--" ] && infiles=1
  fi
done
wine "$build/win/bin/kivuhandler.exe" "${winargs[@]}" >/dev/null 2>&1 &
runner=$!
sleep "${WAIT:-2}"
if [ -n "${KEYS:-}" ]; then
  xdotool type --delay 50 "$KEYS" || true
  sleep 1
fi
if [ -n "${XKEYS:-}" ]; then
  # shellcheck disable=SC2086
  xdotool key --delay 80 $XKEYS || true
  sleep 1
fi
import -window root "$out.full.png"
# The screen is black but for the window: cut it out.
convert "$out.full.png" -trim +repage "$out"
rm -f "$out.full.png"
echo "wrote $out"
