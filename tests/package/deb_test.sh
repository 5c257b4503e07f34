#!/usr/bin/env bash
# The Debian package of the Linux quillmar-cli, as dpkg sees it: made by
# CPack from a build folder and installed by dpkg itself into a private root
# whose package database is a copy of this machine's, so that dpkg sets it
# up only when every declared dependency is met by what is installed here.
# Each library the program links must come from a package it depends on
# (asked of the machine's dpkg, not of the package), the licence must lie
# where Debian keeps it, and the installed program must print the package's
# version and scan a prefix written here as text. Nothing outside the work
# folder is written: dpkg's log goes there too, and the machine's database
# is compared before and after. Works as root and as a normal user.
#
# Usage: deb_test.sh CPACK CPACK_CONFIG WORK_DIR
# Exits 77 (skipped) when the build folder of the package is not there.
set -euo pipefail
cpack=$1 cpack_config=$2 work=$3
if [ ! -f "$cpack_config" ]; then
  echo "skipped: no $cpack_config (scripts/package.sh or scripts/test.sh configure it)"
  exit 77
fi
mkdir -p "$work"
work=$(cd "$work" && pwd)
export LC_ALL=C.UTF-8

fail() {
  echo "FAILED: $*" >&2
  exit 1
}
check() { # check DESCRIPTION COMMAND...
  local what=$1
  shift
  "$@" || fail "$what"
  echo "   ok: $what"
}

system_db=$(sha256sum /var/lib/dpkg/status)

echo "== the package"
rm -rf "$work/cpack"
"$cpack" --config "$cpack_config" -B "$work/cpack" >"$work/cpack.log" 2>&1 || fail "cpack failed"
debs=("$work"/cpack/*.deb)
check "CPack made one .deb" test "${#debs[@]}" = 1 -a -f "${debs[0]}"
deb=${debs[0]}
field() { dpkg-deb -f "$deb" "$1"; }
name=$(field Package) version=$(field Version) arch=$(field Architecture)
check "it is named as Debian names packages ($(basename "$deb"))" \
  test "$(basename "$deb")" = "${name}_${version}_${arch}.deb"
check "for this machine's architecture" test "$arch" = "$(dpkg --print-architecture)"
check "with a summary and a longer description" \
  test "$(field Description | wc -l)" -gt 1 -a -n "$(field Description | head -n1)"
check "and a maintainer" test -n "$(field Maintainer)"

echo "== installed by dpkg"
root="$work/root"
rm -rf "$root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
cp /var/lib/dpkg/status "$root/var/lib/dpkg/status"
# --force-not-root: dpkg needs no privilege for a root of our own; it only
# refuses by default. The other packages' file lists are not copied, so it
# warns about each; the log shows them only on a failure.
dpkg --force-not-root --root="$root" --log="$work/dpkg.log" -i "$deb" >"$work/dpkg-i.log" 2>&1 || {
  grep -v 'files list file' "$work/dpkg-i.log" >&2
  fail "dpkg -i failed"
}
check "dpkg set it up: every dependency is installed here" \
  test "$(dpkg-query --root="$root" -W -f='${Status}' "$name")" = "install ok installed"
installed=$(dpkg-query --root="$root" -L "$name")
check "it installs the program as /usr/bin/quillmar-cli" grep -qx /usr/bin/quillmar-cli <<<"$installed"
check "and the licence as /usr/share/doc/$name/copyright" \
  grep -qx "/usr/share/doc/$name/copyright" <<<"$installed"
src_dir=$(cd "$(dirname "$0")/../.." && pwd)
check "which is the project's licence" cmp -s "$root/usr/share/doc/$name/copyright" "$src_dir/LICENSE"
program="$root/usr/bin/quillmar-cli"

# The packages the program's own libraries belong to, by the machine's dpkg.
# The package names alone, one a line, without their versions.
depends=$(field Depends | tr ',' '\n' | sed 's/^ *//; s/[ (].*//')
mapfile -t needed < <(readelf -d "$program" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
check "the program links libraries (${needed[*]})" test "${#needed[@]}" -gt 0
for lib in "${needed[@]}"; do
  path=$(ldd "$program" | awk -v lib="$lib" '$1 == lib && $2 == "=>" {print $3}')
  [ -n "$path" ] || fail "ldd does not find $lib"
  owner=$(dpkg-query -S "$path" 2>/dev/null || dpkg-query -S "$(realpath "$path")" 2>/dev/null) ||
    fail "no installed package holds $path"
  owner=${owner%%:*}
  check "Depends names $owner, which holds $lib" \
    grep -qxF "$owner" <<<"$depends"
done

echo "== the installed program"
version_line=$("$program" --version)
check "it prints the package's version ($version_line)" test "$version_line" = "quillmar-cli $version"

# A prefix as Wine writes it: one program's path is gone, one is there.
prefix="$work/prefix"
rm -rf "$prefix"
mkdir -p "$prefix/drive_c/Tools"
: >"$prefix/drive_c/Tools/here.exe"
reg_head() { printf 'WINE REGISTRY Version 2\n;; All keys relative to %s\n\n#arch=win64\n\n' "$1"; }
app_paths='Software\\Microsoft\\Windows\\CurrentVersion\\App Paths'
{
  reg_head 'REGISTRY\\Machine'
  printf '[%s\\\\gone.exe] 1\n@="C:\\\\Gone\\\\gone.exe"\n\n' "$app_paths"
  printf '[%s\\\\here.exe] 1\n@="C:\\\\Tools\\\\here.exe"\n\n' "$app_paths"
} >"$prefix/system.reg"
reg_head 'REGISTRY\\User\\S-1-5-21-1-1-1-1000' >"$prefix/user.reg"
reg_head 'REGISTRY\\User\\.Default' >"$prefix/userdef.reg"
scan=$("$program" scan --prefix "$prefix" --quiet --format csv 2>/dev/null) ||
  fail "quillmar-cli scan --prefix failed"
check "scan --prefix lists the program that is gone" grep -qF 'C:\Gone\gone.exe' <<<"$scan"
check "and not the one that is there" bash -c '! grep -qiF here.exe <<<"$1"' _ "$scan"

echo "== nothing written elsewhere"
check "the machine's package database is as it was" \
  test "$(sha256sum /var/lib/dpkg/status)" = "$system_db"
echo "deb test passed"
