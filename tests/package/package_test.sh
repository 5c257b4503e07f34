#!/usr/bin/env bash
# The ZIP a user downloads, as a user meets it: made by CPack from the build,
# unpacked into a folder (a space and Chinese in its name) of a prefix no
# program of ours has run in, and both programs started from there with
# another current folder, so that only files found beside the program work.
# The window must open with its skins; quillmar-cli must scan and repair a
# leftover, writing ro.ini and RegBackups beside itself; and nothing may be
# written anywhere else on drive C:.
#
# Usage: package_test.sh CPACK CPACK_CONFIG PROBE_EXE WORK_DIR SOURCE_DIR
set -euo pipefail
cpack=$1 cpack_config=$2 probe_exe=$3 work=$4 src=$5

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s '-screen 0 1280x1024x24' bash "$0" "$@"
fi

mkdir -p "$work"
work=$(cd "$work" && pwd)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEARCH=win64 LC_ALL=C.UTF-8
unset WINELOADERNOEXEC

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

echo "== the package"
rm -rf "$work/cpack"
"$cpack" --config "$cpack_config" -B "$work/cpack" >"$work/cpack.log" || fail "cpack failed"
zips=("$work"/cpack/quillmar-*-win64.zip)
check "CPack made one ZIP" test "${#zips[@]}" = 1 -a -f "${zips[0]}"
zip=${zips[0]}

# A prefix made once per build folder (anew when its recipe changes) and
# copied for each run: no run sees what an earlier one left.
template="$work/template"
recipe=$(sha256sum "$src/cmake/make-wineprefix.sh" | cut -d' ' -f1)
if [ "$(cat "$template/.quillmar-package-recipe" 2>/dev/null)" != "$recipe" ]; then
  rm -rf "$template"
  bash "$src/cmake/make-wineprefix.sh" "$template" || fail "the Wine prefix could not be made"
  echo "$recipe" >"$template/.quillmar-package-recipe"
fi
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
cp -a "$template" "$WINEPREFIX"
app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
# Helpers start detached from our output, or they would hold it open.
wine cmd /c exit </dev/null >/dev/null 2>&1

drive_c="$WINEPREFIX/drive_c"
downloads="$drive_c/用户 下载"
mkdir -p "$downloads"
(cd "$downloads" && cmake -E tar xf "$zip") || fail "the ZIP does not unpack"
name=$(basename "$zip" .zip)
app="$downloads/$name"
app_win="C:\\用户 下载\\$name"
check "the ZIP holds one folder named as the package" \
  test "$(ls -A "$downloads")" = "$name"
check "the folder holds the programs, their skins, README.txt and LICENSE.txt" \
  test "$(ls -A "$app" | sort | tr '\n' ' ')" = \
  "LICENSE.txt README.txt bgmain.dll bgother.dll bgscan.dll quillmar-cli.exe quillmar.exe "
# Notepad before Windows 10 needs CRLF, and reads UTF-8 only after a BOM.
for text in README.txt LICENSE.txt; do
  check "$text has CRLF line ends only" \
    test "$(grep -c $'\r$' "$app/$text")" = "$(wc -l <"$app/$text")"
done
check "README.txt starts with a UTF-8 byte-order mark" \
  test "$(head -c3 "$app/README.txt" | od -An -tx1 | tr -d ' ')" = efbbbf

cli() { # runs the unpacked quillmar-cli.exe from C:\ (the current folder)
  (cd "$drive_c" && wine "$app_win\\quillmar-cli.exe" "$@" </dev/null 2>/dev/null) | tr -d '\r'
}
version_line=$(cli --version)
check "the package is named after the version quillmar-cli prints ($version_line)" \
  test "quillmar-${version_line#quillmar-cli }-win64" = "$name"

# A leftover of an uninstalled program for the console program to find.
wine reg add 'HKCU\Software\QuillmarPackageTest' /v Gone /t REG_SZ \
  /d 'C:\QuillmarPackageTest\gone.exe' /f </dev/null >/dev/null 2>&1
wineserver -w

# Drive C: before and after, each entry with its kind, size and time.
listing() { (cd "$drive_c" && find . -printf '%y %s %T@ %p\n' | sort -k4); }
listing >"$work/before.txt"

echo "== the window"
(cd "$drive_c" && exec wine "$app_win\\quillmar.exe" </dev/null >/dev/null 2>&1) &
app_pid=$!
probe() { wine "$probe_exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
rect=$(probe wait Quillmar.FormScanner 60) || {
  probe message 1 >&2 || true
  fail "the main window did not open"
}
read -r x y w h <<<"$rect"
check "the main window opens at its full size ($w x $h)" test "$w $h" = "786 557"
check "no message (a skin not found) is up" bash -c '! wine "$1" message 1 >/dev/null 2>&1' _ \
  "$probe_exe"
# The exit picture in the caption, as a user ends the program.
xdotool mousemove --sync $((x + 766)) $((y + 13)) click 1
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.2; done
check "the exit picture ends the program" bash -c '! kill -0 "$1" 2>/dev/null' _ "$app_pid"
app_pid=""

echo "== quillmar-cli"
scope=(--root HKEY_CURRENT_USER --key 'Software\QuillmarPackageTest')
scan=$(cli scan --quiet --format csv "${scope[@]}") || fail "quillmar-cli scan failed"
check "quillmar-cli scan lists the leftover" grep -qi 'QuillmarPackageTest\\gone.exe' <<<"$scan"
cli repair --yes --quiet "${scope[@]}" >"$work/repair.txt" || fail "quillmar-cli repair failed"
check "the repair wrote its count to ro.ini beside the program" \
  grep -qx 'FixedCount=1' <(tr -d '\r' <"$app/ro.ini")
check "and its backup into RegBackups beside the program" \
  test "$(find "$app/RegBackups" -name '*.reg' | wc -l)" = 1
check "the leftover is gone" bash -c '! wine reg query "HKCU\Software\QuillmarPackageTest" /v Gone \
  </dev/null >/dev/null 2>&1'
wineserver -w

echo "== nothing written elsewhere"
listing >"$work/after.txt"
# What changed, less the program's own folder and the system's own churn:
# the first use of WinINet (the window fetches its advertisement with it)
# creates its cookie store's index in the user's profile, as on Windows. The
# scan's registry snapshots pass through the user's temporary folder, whose
# own time changes; a file left in it would still show.
folder="./用户 下载/$name"
diff "$work/before.txt" "$work/after.txt" >"$work/changed.txt" || true
grep '^[<>]' "$work/changed.txt" | cut -d' ' -f5- | sort -u |
  grep -vxF "$folder" | grep -vF "$folder/" |
  grep -vE '^\./users/[^/]+/AppData/Local/Microsoft/Windows/INetCookies(/index\.dat)?$' |
  grep -vE '^\./users/[^/]+/(AppData/Local/)?Temp$' \
    >"$work/elsewhere.txt" || true
check "nothing outside the program's folder changed on drive C:" test ! -s "$work/elsewhere.txt"
inside=$(grep '^>' "$work/changed.txt" | cut -d' ' -f5- | grep -F "$folder/" | sed "s|^$folder/||" | sed 's|RegBackups/.*\.reg$|RegBackups/*.reg|' |
  sort | tr '\n' ' ')
check "inside it, only ro.ini and the backup are new" \
  test "$inside" = "RegBackups RegBackups/*.reg ro.ini "
echo "package test passed"
