#!/usr/bin/env bash
# Builds what a user downloads: build/win/package/quillmar-<version>-win64.zip
# (quillmar.exe, quillmar-cli.exe, the skins, README.txt, LICENSE.txt), and
# build/linux/package/quillmar-cli_<version>_<arch>.deb (the Linux
# quillmar-cli, from a release build without the tests' sanitizers).
# Only the programs are built, not the tests; the configuration is the one
# scripts/test.sh uses, so the two share the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

# package BUILD_DIR CMAKE_ARGS... -- TARGETS...: configures and builds the
# targets the package holds, then lets CPack make the package that build
# folder's QuillmarPackage.cmake describes, and prints its path.
package() {
  local build=$1 args=() targets=()
  shift
  while [ "$1" != -- ]; do args+=("$1"); shift; done
  shift
  targets=("$@")
  cmake -S . -B "$build" "${args[@]}" >/dev/null
  cmake --build "$build" -j"$(nproc)" --target "${targets[@]}"
  (cd "$build" && cpack --config CPackConfig.cmake >/dev/null)
  ls -1 "$build"/package/quillmar-* | grep -v '/_CPack_Packages'
}

package build/win -DCMAKE_TOOLCHAIN_FILE=cmake/toolchain-mingw64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_WARNINGS_AS_ERRORS=ON -- quillmar quillmar-cli
# RelWithDebInfo (-O2; CPack strips the program) rather than Release: GCC 12
# warns falsely at -O3 about std::string copies that overlap.
package build/linux -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQM_WARNINGS_AS_ERRORS=ON \
  -DQM_BUILD_TESTS=OFF -- quillmar-cli
