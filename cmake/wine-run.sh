#!/usr/bin/env bash
# Runs a Windows executable under Wine in the build's private prefix.
# Used as CMAKE_CROSSCOMPILING_EMULATOR, so ctest runs test executables
# through it; it also serves the run scripts.
set -u
: "${WINEPREFIX:?WINEPREFIX must name the private prefix}"
export WINEPREFIX
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEARCH=win64
export LC_ALL="${QM_LOCALE:-C.UTF-8}"
unset WINELOADERNOEXEC

run() {
  # The first Wine process of a session starts helpers (wineserver, services)
  # that inherit its standard streams; start them detached, or ctest waits on
  # the pipe they hold open.
  wine cmd /c exit </dev/null >/dev/null 2>&1
  wine "$@"
}

if [ -z "${DISPLAY:-}" ] && [ "${QM_NEEDS_DISPLAY:-0}" = 1 ]; then
  # A wineserver keeps the display it started with: stop any running one
  # before and after the private X server.
  wineserver -k 2>/dev/null
  xvfb-run -a -s '-screen 0 1280x1024x24' "$0" "$@"
  rc=$?
  wineserver -k 2>/dev/null
  exit $rc
fi
run "$@"
