#!/usr/bin/env bash
# Prints the speed figures: the native benchmarks (Release, no sanitizers)
# and the timed end-to-end runs under Wine: the properties dialog (arrivals,
# preview, sort; the rename's apply against a bare MoveFile loop), the
# configuration window's start and language switch, the context menu's
# QueryContextMenu against a one-item handler, the live update's download
# against the local test server (10 and 200 MB), the starter's automatic run.
#   tools/bench.sh [files]      (default 10000 files)
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD:-$root/build}
"$root/tools/setup.sh"
cmake -S "$root" -B "$build/bench" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKIVU_SANITIZE=OFF -DKIVU_TESTS=OFF >/dev/null
cmake --build "$build/bench" --target fileprops_bench >/dev/null
echo "== machine: $(nproc) cores, $(lscpu | sed -n 's/^Model name: *//p')"
echo "== native benchmarks"
"$build/bench/bin/fileprops_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true
BUILD=$build "$root/tools/build.sh" win >/dev/null
echo "== properties dialog under Wine"
. "$root/tools/wine-env.sh"
. "$root/tests/httpserver.sh"
wine_up keep
trap 'http_server_down; wine_down' EXIT
wine "$build/win/bin/arrivals.exe" "${1:-10000}" >"$build/arrivals.txt" 2>&1 || true
cat "$build/arrivals.txt"
wine "$build/win/bin/applybench.exe" "${1:-10000}" >"$build/applybench.txt" 2>&1 || true
cat "$build/applybench.txt"
echo "== configuration window under Wine"
wine "$build/win/bin/konfigstart.exe" 7 >"$build/konfigstart.txt" 2>&1 || true
cat "$build/konfigstart.txt"
echo "== the same starts at 144 DPI (a copy of the new prefix)"
konfigstart_at_144() {
  wine_set_dpi 144
  wine "$build/win/bin/konfigstart.exe" 7 >"$build/konfigstart144.txt" 2>&1 || true
}
wine_isolated konfigstart_at_144
cat "$build/konfigstart144.txt"
echo "== context menu under Wine"
wine "$build/win/bin/menubench.exe" 2>&1 || true
echo "== live-update download under Wine"
http_server_up
wine "$build/win/bin/updatebench.exe" 10 200 2>&1 || true
echo "== program starter under Wine (about three minutes)"
wine "$build/win/bin/starterrun.exe" 50 >"$build/starterrun.txt" 2>&1 || true
cat "$build/starterrun.txt"
