#!/usr/bin/env bash
# Runs every test: set-up, both builds, then CTest in both build trees: the
# native unit tests under the sanitizers, then the Windows tests under Wine in
# a prefix made for this run. tests/CMakeLists.txt defines the tests; the label
# "isolated-prefix" marks those that run in a copy of the prefix of their own.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
"$root/tools/setup.sh" || exit 1
BUILD=$build "$root/tools/build.sh" || exit 1

failed=()
# One test at a time: the Windows tests share the prefix, display and server.
run_ctest() {
  local tree=$1 kind=$2 name log="$1/Testing/Temporary/LastTestsFailed.log"
  rm -f "$log"
  ctest --test-dir "$tree" --output-on-failure --no-tests=error -j1 && return 0
  if [ -s "$log" ]; then
    while IFS=: read -r _ name; do failed+=("$kind:$name"); done <"$log"
  else
    failed+=("$kind:ctest")
  fi
}

echo "== native tests"
run_ctest "$build/native" native

echo "== Windows tests under Wine"
. "$root/tools/wine-env.sh"
. "$root/tests/httpserver.sh"
wine_up fresh
trap 'http_server_down; wine_down' EXIT
http_server_up || exit 1
run_ctest "$build/win" wine

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all tests passed"
