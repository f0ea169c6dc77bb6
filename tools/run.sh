#!/usr/bin/env bash
# The main job. Without arguments: builds everything, installs the product
# with kivusetup.exe /S into a fresh private Wine prefix, shows the file
# manager's context menu of three sample files through the menu host (which
# loads the registered handler by its class identifier) and runs its rename
# command, which opens kivuutil's rename dialog on the files.
#   tools/run.sh                      the installed menu and its rename dialog
#   tools/run.sh menu [VERB] -- FILE...  the installed menu of your files, optionally running VERB
#   tools/run.sh 1 -- FILE...         kivuutil alone through the handler stand-in: the rename dialog
#   tools/run.sh MODE [ARG...]        any mode with its arguments, e.g.
#                                     2 1 (selection), 101 "cmd /c dir" C:\\ (run a program)
# Uses $DISPLAY when set (the menu opens as a popup: pick a command). Without
# one it runs on a private Xvfb: it saves pictures to $BUILD/menu.png and
# $BUILD/run.png and then ends the windows with a key.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
"$root/tools/setup.sh"
BUILD=$build "$root/tools/build.sh" win >/dev/null

. "$root/tools/wine-env.sh"
headless=1
if [ -n "${DISPLAY:-}" ]; then DISPLAY_FOR_WINE=$DISPLAY; headless=0; fi

snap() {  # picture of the screen, trimmed to what is on it
  import -window root "$1.full.png" && convert "$1.full.png" -trim +repage "$1" && rm -f "$1.full.png" &&
    echo "picture: $1"
}

if [ $# -eq 0 ] || [ "$1" = menu ]; then
  verb=kivu.rename
  files=()
  if [ $# -gt 0 ]; then
    shift
    verb=""
    if [ $# -gt 0 ] && [ "$1" != "--" ]; then verb=$1; shift; fi
    [ $# -gt 0 ] && [ "$1" = "--" ] && shift
    files=("$@")
  fi
  if [ ${#files[@]} -eq 0 ]; then
    demo="$build/demo"
    rm -rf "$demo" && mkdir -p "$demo"
    for f in report.txt photo.jpeg notes.md; do echo "$f" >"$demo/$f"; done
    files=("$demo/report.txt" "$demo/photo.jpeg" "$demo/notes.md")
  fi
  wine_up fresh
  trap wine_down EXIT
  rm -f "$WINEPREFIX/drive_c/windows/kivulanguage.ini"  # a system that never saw the product
  wine "$build/win/bin/kivusetup.exe" /S
  echo "installed: $(cd "$WINEPREFIX/drive_c/windows" && ls kivu*)"
  winfiles=()
  for f in "${files[@]}"; do winfiles+=("$(winepath -w "$(realpath "$f")" 2>/dev/null)"); done
  host="$build/win/bin/menuhost.exe"
  if [ "$headless" = 0 ]; then
    wine "$host" --show "${winfiles[@]}"
    exit
  fi
  wine "$host" --show-for 4000 "${winfiles[@]}" &
  shown=$!
  sleep 2
  snap "$build/menu.png"
  wait "$shown" || true
  [ -n "$verb" ] || exit 0
  # Not into a pipe: kivuutil, started by the handler, would hold it open.
  wine "$host" --invoke "$verb" "${winfiles[@]}" >"$build/menuhost.out" 2>&1 || true
  tail -1 "$build/menuhost.out"
  [ "$verb" = kivu.rename ] || exit 0
  sleep 2
  snap "$build/run.png"
  xdotool key Escape >/dev/null 2>&1 || true
  sleep 1
  exit 0
fi

# kivuutil alone, through the handler stand-in.
wine_up keep
trap wine_down EXIT
args=("$@")

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
