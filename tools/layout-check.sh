#!/usr/bin/env bash
# layout-check.sh PROGRAM [ARG...]: runs the layout check at 96, 120, 144 and
# 192 DPI, each in a fresh copy of the new prefix whose display scale
# (LogPixels) is set before its server starts again. DPIS="144" picks scales.
set -uo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
program=$1
shift
build=$(cd "$(dirname "$program")/../.." && pwd)
. "$root/tools/wine-env.sh"
if [ -z "${WINEPREFIX:-}" ]; then
  wine_up keep
  trap wine_down EXIT
fi

at_dpi() {
  local dpi=$1
  shift
  wine_set_dpi "$dpi"
  KIVU_EXPECT_DPI=$dpi timeout -k 10 100 wine "$program" "$@"
}

failed=0
for dpi in ${DPIS:-96 120 144 192}; do
  echo "== $dpi DPI"
  out=$(mktemp)
  # Output through a file: Wine's desktop process would hold a pipe open.
  wine_isolated at_dpi "$dpi" "$@" >"$out" 2>&1 || failed=1
  cat "$out"
  rm -f "$out"
done
exit $failed
