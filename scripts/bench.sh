#!/usr/bin/env bash
# Builds and runs the search benchmark: natively (in-memory registry) and
# under Wine in a prefix of its own (build/bench-prefix), so that its large
# registry tree never slows the test prefix's whole-registry scans.
# Then the Linux quillmar-cli's reading of a prefix's text files and of an
# installation's hives, against the same search in memory.
# Usage: scripts/bench.sh [memory-keys] [wine-keys] [linux-keys]
set -euo pipefail
cd "$(dirname "$0")/.."
memory_keys="${1:-1000000}"
wine_keys="${2:-200000}"
linux_keys="${3:-200000}"

bash scripts/setup.sh
cmake -S . -B build/bench -DCMAKE_BUILD_TYPE=Release -DQM_BUILD_TESTS=OFF >/dev/null
cmake --build build/bench -j"$(nproc)" --target search_bench linux_source_bench
echo "== native, in-memory registry"
build/bench/bench/search_bench "$memory_keys"
echo "== native quillmar-cli sources: a Wine prefix's files and an installation's hives"
build/bench/bench/linux_source_bench "$linux_keys" build/bench-linux-fixture

cmake -S . -B build/bench-win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
  -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build build/bench-win -j2 --target search_bench
prefix="$PWD/build/bench-prefix"
bash cmake/make-wineprefix.sh "$prefix"
echo "== Windows build under Wine (the registry tree is created once per prefix)"
WINEPREFIX="$prefix" cmake/wine-run.sh build/bench-win/bench/search_bench.exe 200000 --wine "$wine_keys"
