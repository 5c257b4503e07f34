#!/usr/bin/env bash
# Times the scan against the tools a user already has, on one registry tree
# of [keys] keys (default 200,000, with three values each) in a Wine prefix of
# its own (build/bench-prefix; the tree and its program files are created
# once): quillmar-cli scan, "reg query /s" and "regedit /e" as child
# processes next to a bare loop making the search's registry calls, then the
# scan window's whole scan over every root on a virtual display. Prints keys
# per second, ratios and whether each target is met. A full run takes about
# a quarter of an hour.
# Usage: scripts/bench-peers.sh [keys] [--no-window | --window-only]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh
cmake -S . -B build/bench-win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench-win -j2 --target peers_bench quillmar-cli
prefix="$PWD/build/bench-prefix"
bash cmake/make-wineprefix.sh "$prefix"
WINEPREFIX="$prefix" QM_NEEDS_DISPLAY=1 cmake/wine-run.sh build/bench-win/bench/peers_bench.exe "$@"
