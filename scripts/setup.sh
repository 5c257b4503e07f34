#!/usr/bin/env bash
# Installs what a fresh Debian 12 machine lacks to build and test Quillmar.
# Idempotent: packages already present are not fetched again.
set -euo pipefail

need=(cmake g++ make googletest libgtest-dev
      g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
      wine64 xvfb xauth fonts-wqy-microhei imagemagick x11-apps xdotool jq
      clang-format python3 clang-14 lld-14 libhivex-dev libhivex-bin libwin-hivex-perl
      ccache dpkg-dev)

missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if ((${#missing[@]})); then
  echo "setup: installing ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
