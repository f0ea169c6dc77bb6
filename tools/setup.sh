#!/usr/bin/env bash
# Makes sure every command and library the scripts use is there: whatever is
# missing is installed from Debian's packages (as root, idempotent), and a
# command that is still missing afterwards stops the run with its name.
set -euo pipefail

# What the scripts call, and the package that provides it. A package name
# alone proves nothing (Debian's wine64 has no `wine` command), so each line
# is checked by the command itself.
commands=(
  "cmake cmake"
  "ninja ninja-build"
  "g++ g++"
  "clang clang"
  "x86_64-w64-mingw32-g++-posix g++-mingw-w64-x86-64-posix"
  "x86_64-w64-mingw32-windres binutils-mingw-w64-x86-64"
  "wine wine"
  "wineserver wine"
  "winepath wine"
  "Xvfb xvfb"
  "xdotool xdotool"
  "xwininfo x11-utils"
  "import imagemagick"
  "convert imagemagick"
  "python3 python3"
  "openssl openssl"
  "timeout coreutils"
  "makensis nsis"
)
# Libraries, the 64-bit loader behind `wine` and Wine's own fonts (Marlett
# draws the title bars' buttons), checked by a file they install (a glob pattern).
libraries=(
  "/usr/lib/wine/wine64 wine64"
  "/usr/share/wine/fonts/marlett.ttf fonts-wine"
  "/usr/src/googletest/CMakeLists.txt googletest"
  "/usr/include/gtest/gtest.h libgtest-dev"
  "/usr/include/benchmark/benchmark.h libbenchmark-dev"
  "/usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a libclang-rt-14-dev"
)

have_command() {
  case "$1" in
    # A stand-in `convert` may sit on the path; the scripts need ImageMagick's (-trim).
    convert) convert -version 2>/dev/null | grep -q ImageMagick ;;
    *) command -v "$1" >/dev/null 2>&1 ;;
  esac
}

missing_packages() {
  local line
  for line in "${commands[@]}"; do
    set -- $line
    have_command "$1" || echo "$2"
  done
  for line in "${libraries[@]}"; do
    set -- $line
    compgen -G "$1" >/dev/null || echo "$2"
  done
}

mapfile -t missing < <(missing_packages | sort -u)
if [ ${#missing[@]} -gt 0 ]; then
  echo "installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

failed=0
for line in "${commands[@]}"; do
  set -- $line
  if ! have_command "$1"; then
    echo "setup: the command '$1' is still missing (Debian package $2)" >&2
    failed=1
  fi
done
for line in "${libraries[@]}"; do
  set -- $line
  if ! compgen -G "$1" >/dev/null; then
    echo "setup: $1 is still missing (Debian package $2)" >&2
    failed=1
  fi
done
exit $failed
