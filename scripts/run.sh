#!/usr/bin/env bash
# Installs what is missing, builds Quillmar for Windows and runs it under
# Wine in a demo prefix of its own (build/demo-prefix), seeded once with
# leftovers of uninstalled programs. Arguments go to the program.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

bash scripts/setup.sh
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build/win -j"$(nproc)" --target quillmar-cli

prefix="$root/build/demo-prefix"
bash cmake/make-wineprefix.sh "$prefix"
bash demo/seed.sh "$prefix"

export WINEPREFIX="$prefix"
app="$root/build/win/cli/quillmar-cli.exe"
if [ $# -eq 0 ]; then set -- scan; fi
exec cmake/wine-run.sh "$app" "$@"
