#!/usr/bin/env bash
# The main job: builds kivuutil.exe and runs it under Wine the way the
# context-menu handler does, through the handler stand-in.
#   tools/run.sh                      the rename dialog on three sample files
#   tools/run.sh 1 -- FILE...         the rename dialog on your files
#   tools/run.sh MODE [ARG...]        any mode with its arguments, e.g.
#                                     2 1 (selection), 101 "cmd /c dir" C:\\ (run a program)
# Uses $DISPLAY when set. Without one it runs on a private Xvfb: it saves a
# picture of the window to $BUILD/run.png and then ends it with a key.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
"$root/tools/setup.sh"
BUILD=$build "$root/tools/build.sh" win >/dev/null

args=("$@")
if [ ${#args[@]} -eq 0 ]; then
  demo="$build/demo"
  rm -rf "$demo" && mkdir -p "$demo"
  for f in report.txt photo.jpeg notes.md; do echo "$f" >"$demo/$f"; done
  args=(1 -- "$demo/report.txt" "$demo/photo.jpeg" "$demo/notes.md")
fi

. "$root/tools/wine-env.sh"
headless=1
if [ -n "${DISPLAY:-}" ]; then DISPLAY_FOR_WINE=$DISPLAY; headless=0; fi
wine_up keep
trap wine_down EXIT

# Files are handed over as Windows paths.
winargs=()
infiles=0
for a in "${args[@]}"; do
  if [ "$infiles" = 1 ]; then winargs+=("$(winepath -w "$(realpath "$a")" 2>/dev/null)")
  else winargs+=("$a"); [ "$a" = "--" ] && infiles=1
  fi
done
if [ "$headless" = 0 ]; then
  wine "$build/win/bin/kivuhandler.exe" "${winargs[@]}"
  exit
fi
wine "$build/win/bin/kivuhandler.exe" "${winargs[@]}" &
runner=$!
mode=${args[0]}
if [ "$mode" = 101 ]; then wait "$runner"; exit; fi  # its window is off the screen and closes itself
sleep 3
import -window root "$build/run.full.png" && convert "$build/run.full.png" -trim +repage "$build/run.png" &&
  rm -f "$build/run.full.png" && echo "picture of the window: $build/run.png"
# The key that ends each window: Escape closes the rename dialog, Alt+F4 the
# configuration window (which then saves its lists), Enter
# confirms the selection pattern, N answers the uninstall question with No.
case "$mode" in
  0) key=alt+F4 ;;
  2) key=Return ;;
  666) key=n ;;
  *) key=Escape ;;
esac
xdotool key "$key" >/dev/null 2>&1 || true
wait "$runner"
