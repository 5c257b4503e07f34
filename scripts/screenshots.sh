#!/usr/bin/env bash
# Starts Quillmar under Xvfb in the demo prefix and saves a PNG of each
# navigation window and of the scan window with its rows, into
# build/screenshots/. For review and for the README.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
out="${QM_SHOT_DIR:-$root/build/screenshots}"
mkdir -p "$out"

bash scripts/setup.sh
build="${QM_BUILD_DIR:-build/win}"
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j"$(nproc)" --target quillmar
prefix="${QM_DEMO_PREFIX:-$root/build/demo-prefix}"
bash cmake/make-wineprefix.sh "$prefix"
bash demo/seed.sh "$prefix"
export WINEPREFIX="$prefix"
app="$root/$build/app/quillmar.exe"

wineserver -k 2>/dev/null || true
# The main window opens centred on the 1280 x 1024 screen, at (247, 233);
# the points below are client positions of its controls.
xvfb-run -a -s '-screen 0 1280x1024x24' bash -s "$app" "$out" <<'SCRIPT'
set -u
app=$1 out=$2
x0=247 y0=233
click() { xdotool mousemove $((x0 + $1)) $((y0 + $2)) click 1; sleep "${3:-2}"; }
park() { xdotool mousemove 5 5; sleep 0.5; }
# The newest Quillmar window, read by id: a grab of the whole screen shows
# Wine's windows black once a second top-level window is up.
shot() {
  local w
  w=$(xwininfo -root -tree | awk '/"Quillmar": \("quillmar.exe"/ {print $1}' | sort | tail -n1)
  xwd -id "$w" -silent | convert xwd:- "$out/$1.png"
}
cmake/wine-run.sh "$app" &
sleep 6
park; shot main
click 107 187; park; shot backup-manager
click 107 222; park; shot settings
click 107 257; park; shot records
click 107 152; park
# "立刻扫描" opens the scan window, centred over the main window.
click 652 456 25; park; shot scan-window
wineserver -k
SCRIPT
ls -1 "$out"/*.png
