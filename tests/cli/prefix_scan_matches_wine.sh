#!/usr/bin/env bash
# The Linux quillmar-cli reading a seeded Wine prefix's files must list
# exactly the rows, in the same order, that quillmar-cli.exe lists under
# Wine for the same prefix.
# Usage: prefix_scan_matches_wine.sh NATIVE_CLI WINDOWS_CLI WORK_DIR SOURCE_DIR
# Exits 77 (skipped) when the Windows program or Wine is not there.
set -euo pipefail
native=$1 windows=$2 work=$3 src=$4
if [ ! -f "$windows" ] || ! command -v wine >/dev/null; then
  echo "skipped: no $windows or no wine"
  exit 77
fi
mkdir -p "$work"
work=$(cd "$work" && pwd)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEARCH=win64 LC_ALL=C.UTF-8
unset DISPLAY
# Seeded once per build folder; seeded again when the seed script changes.
digest=$(sha256sum "$src/demo/seed.sh" | cut -d' ' -f1)
if [ "$(cat "$WINEPREFIX/.quillmar-demo-seeded" 2>/dev/null)" != "$digest" ]; then
  rm -rf "$WINEPREFIX"
  bash "$src/cmake/make-wineprefix.sh" "$WINEPREFIX"
  bash "$src/demo/seed.sh" "$WINEPREFIX"
fi
mkdir -p "$work/app"
cp "$windows" "$work/app/"
wine "$work/app/$(basename "$windows")" scan --quiet --format csv </dev/null 2>/dev/null |
  tr -d '\r' >"$work/wine.csv"
# The registry files are complete once the prefix's server has written them.
wineserver -w
"$native" scan --prefix "$WINEPREFIX" --quiet --format csv | tr -d '\r' >"$work/native.csv"
rows=$(($(wc -l <"$work/wine.csv") - 1))
if [ "$rows" -lt 10 ]; then
  echo "FAILED: Wine's scan listed only $rows rows" >&2
  exit 1
fi
if ! diff -u "$work/wine.csv" "$work/native.csv"; then
  echo "FAILED: the rows differ (- under Wine, + native)" >&2
  exit 1
fi
echo "ok: the same $rows rows in the same order"
