#!/usr/bin/env bash
# Fails when a C++ file of the tree differs from what the repository's
# .clang-format makes of it. `clang-format -i FILE` mends one.
set -euo pipefail
cd "$(dirname "$0")/.."

if ! command -v clang-format >/dev/null; then
  echo "check-format: clang-format is not installed" >&2
  exit 1
fi

mapfile -t files < <(git ls-files -- '*.cpp' '*.h')
if clang-format --dry-run -Werror "${files[@]}"; then
  echo "check-format: ${#files[@]} files follow .clang-format"
else
  echo "check-format: run clang-format -i on the files above" >&2
  exit 1
fi
