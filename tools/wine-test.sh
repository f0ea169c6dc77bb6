#!/usr/bin/env bash
# wine-test.sh PROGRAM [ARG...]: runs one Windows test program under Wine; the
# command of every Windows test in CTest (tests/CMakeLists.txt).
# It uses the prefix, display and test server that tools/test.sh brought up
# (WINEPREFIX and KIVU_TEST_SERVER set); run alone (ctest by hand) it brings
# them up for itself, keeping the prefix under the build folder between runs.
# KIVU_ISOLATED_PREFIX=1 (the tests labelled "isolated-prefix") runs the
# program in a fresh copy of the new prefix with a server of its own.
# KIVU_LOCALE runs it (and what it starts) under that Unix locale, which sets
# Wine's ANSI code page of each process (ja_JP.UTF-8: 932).
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$1
shift
# The program is BUILD/win/bin/NAME.exe; the prefix lives in BUILD/wine.
build=$(cd "$(dirname "$program")/../.." && pwd)
. "$root/tools/wine-env.sh"

if [ -z "${WINEPREFIX:-}" ] || [ -z "${KIVU_TEST_SERVER:-}" ]; then
  . "$root/tests/httpserver.sh"
  wine_up keep
  trap 'http_server_down; wine_down' EXIT
  http_server_up || exit 1
fi

run=()
[ "${KIVU_ISOLATED_PREFIX:-0}" = 1 ] && run=(wine_isolated)
[ -n "${KIVU_LOCALE:-}" ] && run+=(env LANG="$KIVU_LOCALE" LC_ALL="$KIVU_LOCALE")
# A program that hangs must not hold the run. It gets a little less than
# CTest's limit, so that an isolated prefix's server is still ended here.
# Its output goes through a file: a process that stays (Wine's desktop, which
# the first window of a prefix starts) would hold CTest's pipe open.
out=$(mktemp)
"${run[@]}" timeout -k 10 290 wine "$program" "$@" >"$out" 2>&1
rc=$?
cat "$out"
rm -f "$out"
exit $rc
