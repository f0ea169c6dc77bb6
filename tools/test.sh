#!/usr/bin/env bash
# Runs every test: set-up, both builds, the native unit tests under the
# sanitizers, then the Windows tests under Wine in a prefix made for this run.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
"$root/tools/setup.sh" || exit 1
BUILD=$build "$root/tools/build.sh" || exit 1

failed=()
echo "== native tests"
for t in "$build"/native/bin/*_tests; do
  [ -x "$t" ] || continue
  timeout -k 10 300 "$t" --gtest_brief=1 || failed+=("native:$(basename "$t")")
done

echo "== Windows tests under Wine"
. "$root/tools/wine-env.sh"
. "$root/tests/httpserver.sh"
wine_up fresh
trap 'http_server_down; wine_down' EXIT
http_server_up || exit 1
# Programs that change the prefix beyond repair run in a copy of their own.
isolated=" uninstall_tests.exe shellext_tests.exe install_tests.exe "
for t in "$build"/win/bin/*_tests.exe; do
  name=$(basename "$t")
  run=()
  [[ "$isolated" == *" $name "* ]] && run=(wine_isolated)
  # A test that hangs must not hold the run: each program gets five minutes.
  if ! "${run[@]}" timeout -k 10 300 wine "$t" --gtest_brief=1; then failed+=("wine:$name"); fi
done

if [ ${#failed[@]} -gt 0 ]; then
  echo "FAILED: ${failed[*]}"
  exit 1
fi
echo "all tests passed"
