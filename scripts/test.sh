#!/usr/bin/env bash
# Installs what is missing, checks the include floors and the formatting,
# builds Quillmar natively (the portable core, with AddressSanitizer and
# UBSan; quillmar-cli once more as a release build for its Debian package)
# and for Windows (mingw-w64 GCC, and the product once more with
# clang), product code with warnings as errors, and runs every test:
# natively, and under Wine in a private prefix with one shared virtual X
# display for the window tests (the package test among them).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
jobs=$(nproc)

bash scripts/setup.sh

# The tree's own rules first: they cost a second and fail on their own.
status=0
broken=""
echo "== include floors"
python3 scripts/check-layers.py || { status=1; broken+=" floors"; }
echo "== formatting"
bash scripts/check-format.sh || { status=1; broken+=" formatting"; }

# Product code builds with warnings as errors; the tests do not.
echo "== native build (sanitizers)"
cmake -S . -B build/native -DQM_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug \
  -DQM_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build/native -j"$jobs"

# The Debian package is made from a release build of quillmar-cli alone (the
# configuration scripts/package.sh uses); the native test deb installs it.
echo "== Linux release build (the Debian package)"
cmake -S . -B build/linux -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_WARNINGS_AS_ERRORS=ON \
  -DQM_BUILD_TESTS=OFF >/dev/null
cmake --build build/linux -j"$jobs" --target quillmar-cli

echo "== Windows build (mingw-w64)"
cmake -S . -B build/win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_WARNINGS_AS_ERRORS=ON >/dev/null
cmake --build build/win -j"$jobs"

# The product once more with a second compiler, so that nothing only GCC
# accepts creeps in; built, not tested again. Its artwork is drawn under
# Wine in the prefix above, rather than in a second one.
echo "== Windows build (clang)"
cmake -S . -B build/win-clang -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64-clang.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_WARNINGS_AS_ERRORS=ON -DQM_BUILD_TESTS=OFF \
  -DQM_WINEPREFIX="$root/build/win/wineprefix" >/dev/null
cmake --build build/win-clang -j"$jobs"

echo "== native tests"
ctest --test-dir build/native --output-on-failure -j"$jobs" | tee build/native-ctest.log || status=1

echo "== Windows tests under Wine"
# One X server for all window tests; the wineserver must start under it.
export WINEPREFIX="$root/build/win/wineprefix"
wineserver -k 2>/dev/null || true
display=""
for n in $(seq 91 120); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=":$n"; break; fi
done
Xvfb "$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
xvfb_pid=$!
trap 'wineserver -k 2>/dev/null || true; kill $xvfb_pid 2>/dev/null || true' EXIT
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X${display#:}" ] && break; sleep 0.1; done
export DISPLAY="$display"
ctest --test-dir build/win --output-on-failure | tee build/win-ctest.log || status=1

# One closing line for both runs.
count() { grep -Eo "$1" "$2" | grep -Eo '[0-9]+' | tail -n1 || echo 0; }
total_native=$(count 'out of [0-9]+' build/native-ctest.log)
failed_native=$(count '[0-9]+ tests failed' build/native-ctest.log)
total_win=$(count 'out of [0-9]+' build/win-ctest.log)
failed_win=$(count '[0-9]+ tests failed' build/win-ctest.log)
failed=$((failed_native + failed_win))
passed=$((total_native + total_win - failed))
echo "$passed passed, $failed failed${broken:+; checks failed:$broken}"
exit $status
