#!/usr/bin/env bash
# Installs what is missing, builds Quillmar for Windows and starts it under
# Wine in a demo prefix of its own (build/demo-prefix), seeded once with
# leftovers of uninstalled programs. Without a display the program runs on
# a virtual one for a while and a screenshot is saved.
# With arguments, runs the command-line scan instead (for example
# `scripts/run.sh scan --format json`).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup.sh
build="${QM_BUILD_DIR:-build/win}"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null

prefix="${QM_DEMO_PREFIX:-$root/build/demo-prefix}"
bash cmake/make-wineprefix.sh "$prefix"
bash demo/seed.sh "$prefix"
export WINEPREFIX="$prefix"

if [ $# -gt 0 ]; then
  cmake --build "$build" -j"$(nproc)" --target quillmar-cli
  exec cmake/wine-run.sh "$root/$build/cli/quillmar-cli.exe" "$@"
fi

# quillmar.exe, with the skin pictures beside it (the build draws them).
cmake --build "$build" -j"$(nproc)" --target quillmar
app="$root/$build/app/quillmar.exe"
if [ -n "${DISPLAY:-}" ]; then
  exec cmake/wine-run.sh "$app"
fi

# No display: run on a virtual one, keep a picture of the main window.
seconds="${QM_RUN_SECONDS:-10}"
shot="$root/$build/quillmar-run.png"
echo "No display: running Quillmar on a virtual display for ${seconds}s; screenshot in $shot"
wineserver -k 2>/dev/null || true
xvfb-run -a -s '-screen 0 1280x1024x24' bash -s "$app" "$seconds" "$shot" <<'SCRIPT'
app=$1 seconds=$2 shot=$3
cmake/wine-run.sh "$app" &
sleep "$seconds"
# The main window, read by id (a grab of the whole screen can miss Wine's windows).
w=$(xwininfo -root -tree | awk '/"Quillmar": \("quillmar.exe"/ {print $1}' | sort | tail -n1)
xwd -id "$w" -silent | convert xwd:- "$shot"
wineserver -k
SCRIPT
