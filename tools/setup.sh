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
# Libraries, the 64-bit loader behind `wine`, Wine's own fonts (Marlett
# draws the title bars' buttons) and the locale tools, checked by a file they
# install (a glob pattern).
libraries=(
  "/usr/lib/wine/wine64 wine64"
  "/usr/share/wine/fonts/marlett.ttf fonts-wine"
  "/usr/src/googletest/CMakeLists.txt googletest"
  "/usr/include/gtest/gtest.h libgtest-dev"
  "/usr/include/benchmark/benchmark.h libbenchmark-dev"
  "/usr/lib/llvm-14/lib/clang/*/lib/linux/libclang_rt.fuzzer-x86_64.a libclang-rt-14-dev"
  "/usr/sbin/locale-gen locales"
  # Glyphs for Japanese names, which Wine takes from the system's fonts
  # (tools/wine-env.sh links them to Tahoma).
  "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf fonts-ipafont-gothic"
)
# Locales the tests run Wine under: Wine's ANSI code page follows the Unix
# locale, and ja_JP.UTF-8 gives the Japanese one (932).
locales=(ja_JP.UTF-8)

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

# `locale -a` spells them in lower case without the dash ("ja_JP.utf8").
have_locale() { locale -a 2>/dev/null | grep -qix "$(echo "$1" | sed 's/UTF-8$/utf8/I')"; }
for name in "${locales[@]}"; do
  if ! have_locale "$name" && [ -x /usr/sbin/locale-gen ]; then
    SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO=sudo
    echo "generating the locale $name"
    $SUDO sed -i "s/^# *\($name UTF-8\)/\1/" /etc/locale.gen
    grep -qx "$name UTF-8" /etc/locale.gen || echo "$name UTF-8" | $SUDO tee -a /etc/locale.gen >/dev/null
    $SUDO locale-gen >/dev/null
  fi
done

failed=0
for name in "${locales[@]}"; do
  if ! have_locale "$name"; then
    echo "setup: the locale $name is still missing (Debian package locales, locale-gen)" >&2
    failed=1
  fi
done
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
