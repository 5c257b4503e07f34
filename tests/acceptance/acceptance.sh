#!/usr/bin/env bash
# Acceptance as a user drives it: the real quillmar.exe under Wine on an X
# display, driven with real pointer input (xdotool), in a prefix seeded with
# leftovers of uninstalled programs. After each step it checks the registry
# (reg query), the profile (ro.ini) and the backup folder, and it saves a
# PNG of the window. quillmar-cli then scans the same data and must list
# the same rows as the window.
#
# Usage: acceptance.sh APP_DIR CLI_EXE PROBE_EXE WORK_DIR SOURCE_DIR
# APP_DIR holds quillmar.exe and its skins. Screenshots go to WORK_DIR/shots.
set -euo pipefail
app_dir=$1 cli_exe=$2 probe_exe=$3 work=$4 src=$5

if [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run -a -s '-screen 0 1280x1024x24' bash "$0" "$@"
fi

mkdir -p "$work"
work=$(cd "$work" && pwd)
export WINEPREFIX="$work/prefix" WINEDEBUG=-all WINEARCH=win64 LC_ALL=C.UTF-8
unset WINELOADERNOEXEC

# A seeded prefix is made once per build folder and copied for each run, so
# every run starts from the same registry; a template seeded by another
# version of the seed script is made anew.
template="$work/template"
seed_digest=$(sha256sum "$src/demo/seed.sh" | cut -d' ' -f1)
if [ "$(cat "$template/.quillmar-demo-seeded" 2>/dev/null)" != "$seed_digest" ]; then
  rm -rf "$template"
  bash "$src/cmake/make-wineprefix.sh" "$template" || { echo "acceptance: making the Wine prefix failed" >&2; exit 1; }
  bash "$src/demo/seed.sh" "$template" || { echo "acceptance: seeding the demo prefix failed" >&2; exit 1; }
  WINEPREFIX="$template" wineserver -w
fi
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
cp -a "$template" "$WINEPREFIX"

# The program's folder: the program, its skins, the console program and
# (created by them) ro.ini and RegBackups.
app="$work/app"
rm -rf "$app" "$work/shots"
mkdir -p "$app" "$work/shots"
cp "$app_dir/quillmar.exe" "$app_dir"/bg*.dll "$cli_exe" "$app/"
ini="$app/ro.ini"
backups="$app/RegBackups"
shots="$work/shots"

app_pid=""
cleanup() {
  [ -n "$app_pid" ] && kill "$app_pid" 2>/dev/null
  wineserver -k 2>/dev/null || true
}
trap cleanup EXIT
# Helpers start detached from our output, or they would hold it open.
wine cmd /c exit </dev/null >/dev/null 2>&1

step_no=0
step() {
  step_no=$((step_no + 1))
  echo "== $step_no. $*"
}
fail() {
  echo "FAILED: $*" >&2
  shot_any "failure" || true
  exit 1
}
check() { # check DESCRIPTION COMMAND...
  local what=$1
  shift
  "$@" || fail "$what"
  echo "   ok: $what"
}

probe() { wine "$probe_exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }
cli() { wine "$app/quillmar-cli.exe" "$@" </dev/null 2>/dev/null | tr -d '\r'; }

# Screen rectangle of a window of the program ("x y w h"), waiting for it.
rect_of() {
  local r
  r=$(probe wait "$1" "${2:-30}") || fail "window $1 did not appear"
  echo "$r"
}
# The n-th (1-based) owned-drawn button of a window: "x y w h enabled".
command_of() { probe commands "$1" | sed -n "${2}p"; }

click_at() {
  xdotool mousemove --sync "$1" "$2" click 1
  sleep "${3:-0.7}"
}
# Clicks the middle of a "x y w h ..." rectangle.
click_rect() {
  local x y w h
  read -r x y w h _ <<<"$1"
  click_at $((x + w / 2)) $((y + h / 2)) "${2:-0.7}"
}
# Clicks a point given in a window's client pixels (the windows are frameless).
click_in() {
  local x y
  read -r x y _ <<<"$(rect_of "$1")"
  click_at $((x + $2)) $((y + $3)) "${4:-1.5}"
}
park() { xdotool mousemove 2 2; sleep 0.3; }

# Saves a PNG of the X window at the given screen rectangle: a grab of the
# whole screen shows Wine's windows black once two top-level windows exist,
# and so does a window lying under another.
shot_rect() {
  local name=$1 x y w h id g
  read -r x y w h _ <<<"$2"
  # Windows of the same place (the scan window lies exactly over the main
  # window) are told apart by age: the newest is on top.
  for id in $(xdotool search --onlyvisible --name '^Quillmar$' 2>/dev/null | sort -rn); do
    g=$(xdotool getwindowgeometry --shell "$id")
    if grep -qx "X=$x" <<<"$g" && grep -qx "Y=$y" <<<"$g" && grep -qx "WIDTH=$w" <<<"$g"; then
      xwd -id "$id" -silent | convert xwd:- "$shots/$name.png"
      return 0
    fi
  done
  echo "   (no X window at $x $y $w $h for $name.png)"
  return 1
}
shot() {
  park
  shot_rect "$1" "$(rect_of "$2")" || fail "screenshot $1"
}
shot_any() {
  local c r
  for c in Quillmar.FormRepair Quillmar.FormScanner Quillmar.FormRestoreAndBackup \
    Quillmar.FormSettings Quillmar.FormRecords; do
    r=$(probe rect "$c") && shot_rect "$1-${c#Quillmar.}" "$r"
  done
}

# The message box that must appear now: checks its text starts with $1,
# saves it as $2.png and clicks its button number $3 (default the first).
answer_message() {
  local box text r
  box=$(probe message 30) || fail "no message box (expected \"$1\")"
  text=$(grep -v '^box \|^button ' <<<"$box" || true)
  [[ "$text" == "$1"* ]] || fail "message \"$text\", expected \"$1…\""
  echo "   ok: message \"$text\""
  shot_rect "$2" "$(sed -n 's/^box //p' <<<"$box")" || true
  r=$(grep '^button ' <<<"$box" | cut -d' ' -f2- | sed -n "${3:-1}p")
  click_rect "$r" 1
  LAST_MESSAGE=$text
}

ini_value() { # ini_value KEY: the value in ro.ini, empty when absent
  [ -f "$ini" ] || return 0
  tr -d '\r' <"$ini" | sed -n "s/^$1=//p" | tail -n1
}

# The list rows of the scan window without their check marks.
window_rows() { probe rows Quillmar.FormRepair | cut -f2-5; }
# The same with each row's category (the list's last column) after it.
window_rows_categories() { probe rows Quillmar.FormRepair | cut -f2-; }
# The marks of the rows a repair deletes: all but the system's own settings
# (系统设置, such as Wine's paging file), which stay unticked; their marks
# apart.
row_marks() { probe rows Quillmar.FormRepair | awk -F'\t' '$2 != "系统设置"' | cut -f1 | cut -d' ' -f1 | sort -u | tr -d '\n'; }
system_marks() { probe rows Quillmar.FormRepair | awk -F'\t' '$2 == "系统设置"' | cut -f1 | cut -d' ' -f1 | sort -u | tr -d '\n'; }
# The console's rows as the window shows them.
cli_rows() { jq -r '.rows[] | [(if .system_setting then "系统设置" else .kind end), .root, .key, .value] | join("\t")' "$@"; }

# Waits until the scan window's walk has ended: Start enabled, Stop not.
wait_scan_end() {
  local i states
  for i in $(seq 1 "${1:-240}"); do
    # Start's and Stop's enabled states, from one look at the window.
    states=$(probe commands Quillmar.FormRepair | head -n2 | awk '{print $5}' | tr -d '\n')
    [ "$states" = 10 ] && return 0
    sleep 0.5
  done
  fail "the scan did not end"
}

# Registry checks through the system's reg.exe. It answers 0 for a default
# value that is not set, as long as the key exists.
reg_has() {
  local out
  out=$(wine reg query "$1" "${@:2}" </dev/null 2>/dev/null) || return 1
  ! grep -q '(value not set)' <<<"$out"
}
# The seeded leftovers the program must find, as "key|value-switch".
leftovers=(
  'HKCU\Software\Microsoft\Windows\CurrentVersion\Run|/v PhotonTray'
  'HKLM\Software\Microsoft\Windows\CurrentVersion\Run|/v OldSync'
  'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\phview.exe|/ve'
  'HKCR\Fennel.Playlist\shell\open\command|/ve'
  'HKCR\Fennel.Playlist\DefaultIcon|/ve'
  'HKCR\CLSID\{6B1F3A2C-55D0-4E8B-9C1A-0F2E7D4B8A31}\InprocServer32|/ve'
  'HKCR\CLSID\{0C7E9A11-3B2D-4F60-8E55-9A1B2C3D4E5F}\LocalServer32|/ve'
  'HKCU\Software\OldSync|/v Plugins'
  'HKCU\Software\Microsoft\Windows\CurrentVersion\Run|/v LumenCapture'
)
# References to files that exist: never listed, never touched.
valid=(
  'HKCU\Software\Microsoft\Windows\CurrentVersion\Run|/v Inkwell'
  'HKCR\CLSID\{9D0C1B2A-7E6F-4A3B-8C9D-1E2F3A4B5C6D}\InprocServer32|/ve'
  'HKLM\Software\Tessel|/v Launcher'
  'HKCU\Software\Microsoft\Windows\CurrentVersion\Run|/v ExampleKit'
  'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\x.exe|/ve'
  'HKLM\Software\Tessel|/v ReportLog'
  'HKLM\Software\Inkwell|/v Helper'
  'HKLM\Software\Inkwell|/v ShortPath'
  'HKCU\Software\Inkwell|/v Cache'
  'HKCU\Software\Inkwell|/v Dotted'
  'HKCU\Software\Inkwell|/v Plugins'
)
# What no row may name: the programs still installed, among them files whose
# folder or own name holds a program-file extension (Example.com Kit,
# My.Dll-Tools, report.exe.log).
installed='Inkwell|inkhelper|Tessel|Example\.com Kit|My\.Dll-Tools|report\.exe\.log'
# Prints every entry's reg query answer (type and data), one block each.
dump_entries() {
  local e key sw
  for e in "$@"; do
    key=${e%%|*} sw=${e#*|}
    # shellcheck disable=SC2086
    wine reg query "$key" $sw </dev/null 2>/dev/null | tr -d '\r' | grep -v '^$' || echo "absent: $e"
  done
}
count_present() {
  local n=0 e
  for e in "$@"; do
    # shellcheck disable=SC2086
    reg_has "${e%%|*}" ${e#*|} && n=$((n + 1))
  done
  echo $n
}
backup_files() { find "$backups" -maxdepth 1 -name '*.reg' 2>/dev/null | sort; }

# Returns from the scan window to the main window, opens the records window
# and checks its three figures (read by the console from the same profile):
# the stopped scan's two and the given FixedCount.
records_after_scan_window() {
  click_rect "$(command_of Quillmar.FormRepair 4)" 1
  probe gone Quillmar.FormRepair 10 || fail "the scan window did not close"
  click_in Quillmar.FormScanner 107 257
  rect_of Quillmar.FormRecords >/dev/null
  shot "$1" Quillmar.FormRecords
  # The console's scans since the window's are the last scan now.
  check "the records read the profile's figures" test "$(cli records | head -n3)" = "上次扫描时间：$(ini_value LastScanTime)
错误个数：$(ini_value ErrorCount)
已修复错误：$2"
  check "and the last scan's rows per category" grep -q '^各类错误：' <<<"$(cli records)"
}

# ---------------------------------------------------------------------------
step "start-up"
before_leftovers=$(dump_entries "${leftovers[@]}")
before_valid=$(dump_entries "${valid[@]}")
check "the seeded leftovers are in the registry" \
  test "$(count_present "${leftovers[@]}")" = "${#leftovers[@]}"
(cd "$app" && exec wine "$app/quillmar.exe" </dev/null >/dev/null 2>&1) &
app_pid=$!
main=$(rect_of Quillmar.FormScanner 60)
read -r mx my mw mh <<<"$main"
check "the main window is 786 x 557 and centred" \
  test "$mw $mh" = "786 557" -a $((mx * 2 + mw)) -ge 1270 -a $((mx * 2 + mw)) -le 1290
checks=$(probe checks Quillmar.FormScanner)
check "every scan item is ticked" test "$(awk '$5 == 1' <<<"$checks" | wc -l)" = "$(wc -l <<<"$checks")" -a "$(wc -l <<<"$checks")" -ge 6
check "nothing is in the profile yet" test -z "$(ini_value ErrorCount)$(ini_value FixedCount)"
shot 01-main Quillmar.FormScanner

# ---------------------------------------------------------------------------
step "scan to the end"
click_rect "$(command_of Quillmar.FormScanner 1)" 1
rect_of Quillmar.FormRepair >/dev/null
wait_scan_end
sleep 0.5
rows=$(window_rows)
full_count=$(grep -c . <<<"$rows" || true)
system_count=$(grep -c '^系统设置	' <<<"$rows" || true)
repair_count=$((full_count - system_count))
echo "   the window lists $full_count rows, $system_count of them system settings"
check "every row is ticked at the end" test "$(row_marks)" = 1
check "the system's own settings are listed, unticked" test "$system_count" -ge 1 -a "$(system_marks)" = 0
for needle in 'Run\PhotonTray' 'Run\OldSync' 'App Paths\phview.exe\' \
  'Fennel.Playlist\shell\open\command\' 'Fennel.Playlist\DefaultIcon\' \
  'InprocServer32\	C:\Program Files\Fennel\fnlshell.dll' \
  'LocalServer32\	"C:\OldSync\syncsrv.exe" -Embedding' 'Software\OldSync\Plugins' \
  'Run\LumenCapture	"C:\Program Files (x86)\Lumen Capture\lumen.exe" /tray'; do
  check "a row for $needle" grep -qF "$needle" <<<"$rows"
done
check "nothing still installed is listed" bash -c '! grep -qiE "$2" <<<"$1"' _ "$rows" "$installed"
check "a scan that ends by itself writes its figures too" \
  test "$(ini_value ErrorCount)" = "$full_count" -a -n "$(ini_value LastScanTime)"
check "and its rows per category" test "$(ini_value ErrorCount.startup)" -ge 3
shot 02-scan-finished Quillmar.FormRepair
printf '%s\n' "$rows" >"$work/window-rows.tsv"

# ---------------------------------------------------------------------------
step "quillmar-cli lists the same rows"
cli scan --format json >"$work/cli-scan.json" || fail "quillmar-cli scan failed"
cli_rows "$work/cli-scan.json" >"$work/cli-rows.tsv"
check "the console's rows equal the window's, in order" \
  diff -u "$work/window-rows.tsv" "$work/cli-rows.tsv"
check "the console lists nothing still installed either" \
  bash -c '! grep -qiE "$2" "$1"' _ "$work/cli-rows.tsv" "$installed"
check "the console reports a completed scan on drive C:" \
  test "$(jq -r '"\(.drive) \(.reason)"' "$work/cli-scan.json")" = "C: 0"

# ---------------------------------------------------------------------------
step "a second scan stopped in the middle"
# A scan from snapshots ends within a second, sooner than a look at the
# window could see it run: Stop is clicked right behind Start, in one go,
# and reaches the window while the scan reads its first snapshot.
read -r sx sy sw sh _ <<<"$(command_of Quillmar.FormRepair 1)"
read -r tx ty tw th _ <<<"$(command_of Quillmar.FormRepair 2)"
xdotool mousemove --sync $((sx + sw / 2)) $((sy + sh / 2)) click 1 \
  mousemove --sync $((tx + tw / 2)) $((ty + th / 2)) click 1
sleep 0.5
wait_scan_end 60
sleep 0.5
stopped_count=$(window_rows | grep -c . || true)
echo "   stopped with $stopped_count rows"
check "the stop came before the end of the walk" test "$stopped_count" -lt "$full_count"
check "Stop wrote the number of rows as ErrorCount" test "$(ini_value ErrorCount)" = "$stopped_count"
check "Stop wrote LastScanTime" test -n "$(ini_value LastScanTime)"
[ "$stopped_count" -gt 0 ] && check "the rows found so far are ticked" test "$(row_marks)" = 1
shot 03-scan-stopped Quillmar.FormRepair

# ---------------------------------------------------------------------------
step "the records after the stopped scan"
records_after_scan_window 04-records-after-stop ""

# ---------------------------------------------------------------------------
step "repair with backup"
click_in Quillmar.FormRecords 107 152
rect_of Quillmar.FormScanner >/dev/null
click_rect "$(command_of Quillmar.FormScanner 1)" 1
rect_of Quillmar.FormRepair >/dev/null
wait_scan_end
sleep 0.5
check "the new scan lists the same rows again" diff -u "$work/window-rows.tsv" <(window_rows)
check "no backup exists yet" test -z "$(backup_files)"
click_rect "$(command_of Quillmar.FormRepair 3)" 0.5
answer_message "Backup file:" 05-message-backup
backup_path=${LAST_MESSAGE#Backup file:}
answer_message "$repair_count 个错误已修复。" 06-message-repaired
check "one backup file in RegBackups" test "$(backup_files | wc -l)" = 1
backup=$(backup_files)
check "the message named that file" test "${backup_path##*\\}" = "$(basename "$backup")"
check "the backup starts as the registry editor expects" \
  bash -c 'head -c 40 "$1" | tr -d "\000" | grep -q "^\(REGEDIT4\|..Windows Registry Editor Version 5.00\|Windows Registry Editor Version 5.00\)"' _ "$backup"
check "every leftover is gone from the registry" test "$(count_present "${leftovers[@]}")" = 0
check "the valid references are untouched" test "$(dump_entries "${valid[@]}")" = "$before_valid"
check "every row is marked repaired, the system settings left as they were" \
  test "$(probe rows Quillmar.FormRepair | cut -f2 | sort -u | tr '\n' ' ')" = "已修复 系统设置 "
check "FixedCount holds the repaired rows" test "$(ini_value FixedCount)" = "$repair_count"
check "ErrorCount is the last scan's, which ran to its end before the repair" \
  test "$(ini_value ErrorCount)" = "$full_count" -a -n "$(ini_value LastScanTime)"
shot 07-repaired Quillmar.FormRepair
check "quillmar-cli finds nothing left of the leftovers" \
  test "$(cli scan --format json | jq '[.rows[] | select(.key | test("OldSync|Fennel|Photon|phview|Lumen"))] | length')" = 0

# ---------------------------------------------------------------------------
step "back to the main window; the records"
records_after_scan_window 08-records-after-repair "$repair_count"

# ---------------------------------------------------------------------------
step "the backup manager restores"
click_in Quillmar.FormRecords 107 187
rect_of Quillmar.FormRestoreAndBackup >/dev/null
list=$(probe rows Quillmar.FormRestoreAndBackup)
check "the manager lists the one backup, numbered 1 and selected" \
  test "$list" = "0 1	1	$(basename "$backup")	完好"
shot 09-backup-manager Quillmar.FormRestoreAndBackup
click_rect "$(command_of Quillmar.FormRestoreAndBackup 2)" 1
for _ in $(seq 60); do
  [ "$(count_present "${leftovers[@]}")" = "${#leftovers[@]}" ] && break
  sleep 0.5
done
check "Restore brought every leftover back, type and data alike" \
  test "$(dump_entries "${leftovers[@]}")" = "$before_leftovers"
check "the restored registry scans as before" \
  diff -u "$work/cli-rows.tsv" <(cli scan --format json | cli_rows)
check "no message after a restore that worked" bash -c '! wine "$1" message 1 >/dev/null 2>&1' _ "$probe_exe"

# ---------------------------------------------------------------------------
step "the backup manager deletes"
click_rect "$(command_of Quillmar.FormRestoreAndBackup 3)" 0.5
answer_message "确定要删除：" 10-message-delete 1
sleep 0.5
check "the backup file is gone" test -z "$(backup_files)"
check "the list is empty" test -z "$(probe rows Quillmar.FormRestoreAndBackup)"
shot 11-backup-deleted Quillmar.FormRestoreAndBackup

# ---------------------------------------------------------------------------
step "settings applied both ways"
click_in Quillmar.FormRestoreAndBackup 107 222
rect_of Quillmar.FormSettings >/dev/null
box=$(probe checks Quillmar.FormSettings)
check "backups are on while nothing is stored" grep -q ' 1 修复错误前进行备份' <<<"$box"
click_rect "$box" 0.5
click_rect "$(command_of Quillmar.FormSettings 1)" 1
check "Apply wrote BackupBeforeFix=0" test "$(ini_value BackupBeforeFix)" = 0
check "the box shows it off" grep -q ' 0 ' <<<"$(probe checks Quillmar.FormSettings)"
shot 12-settings-off Quillmar.FormSettings
click_rect "$box" 0.5
click_rect "$(command_of Quillmar.FormSettings 1)" 1
check "Apply wrote BackupBeforeFix=1" test "$(ini_value BackupBeforeFix)" = 1
shot 13-settings-on Quillmar.FormSettings

# ---------------------------------------------------------------------------
step "navigation with a moved window"
read -r sx sy _ <<<"$(rect_of Quillmar.FormSettings)"
xdotool mousemove --sync $((sx + 200)) $((sy + 12)) mousedown 1
sleep 0.3
xdotool mousemove --sync $((sx + 260)) $((sy + 50))
sleep 0.3
xdotool mousemove --sync $((sx + 300)) $((sy + 72)) mouseup 1
sleep 1
read -r nx ny _ <<<"$(rect_of Quillmar.FormSettings)"
check "the caption drag moved the window by (100, 60)" test "$((nx - sx)) $((ny - sy))" = "100 60"
click_in Quillmar.FormSettings 107 257
read -r rx ry _ <<<"$(rect_of Quillmar.FormRecords)"
check "the records window opens where the moved window was" test "$rx $ry" = "$nx $ny"
check "only one navigation window is open" \
  bash -c '! wine "$1" rect Quillmar.FormSettings >/dev/null 2>&1' _ "$probe_exe"
shot 14-records-moved Quillmar.FormRecords
click_in Quillmar.FormRecords 107 152
read -r bx by _ <<<"$(rect_of Quillmar.FormScanner)"
check "the main window comes back at the moved place" test "$bx $by" = "$nx $ny"
shot 15-main-moved Quillmar.FormScanner

# ---------------------------------------------------------------------------
step "exit"
ini_before_exit=$(cat "$ini")
click_in Quillmar.FormScanner 766 13 0.5
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.2; done
check "the program has ended" bash -c '! kill -0 "$1" 2>/dev/null' _ "$app_pid"
app_pid=""
check "no window of the program is left" bash -c '! wine "$1" rect Quillmar.FormScanner >/dev/null 2>&1' _ "$probe_exe"
check "exiting changed nothing in the profile" test "$(cat "$ini")" = "$ini_before_exit"

# ---------------------------------------------------------------------------
step "quillmar-cli over the same data: repair, restore, delete"
# Without the window's figure, FixedCount can only come from this run.
sed -i '/^FixedCount=/d' "$ini"
set +e
wine "$app/quillmar-cli.exe" repair --yes --format json </dev/null 2>/dev/null | tr -d '\r' \
  >"$work/cli-repair.json"
rc=${PIPESTATUS[0]}
set -e
check "the console repair ends with status 0" test "$rc" = 0
check "it repaired every row the window ticks and left the system settings" \
  test "$(jq -r '[.rows[] | select(.system_setting | not) | .status] | unique | join(",")' "$work/cli-repair.json") $(jq '"\(.repaired) \(.system_skipped)"' -r "$work/cli-repair.json")" = "repaired $repair_count $system_count"
check "its rows are the window's rows" diff -u "$work/window-rows.tsv" \
  <(cli_rows "$work/cli-repair.json")
check "every leftover is gone again" test "$(count_present "${leftovers[@]}")" = 0
check "FixedCount holds this run's repaired rows" test "$(ini_value FixedCount)" = "$repair_count"
cli_backup=$(jq -r '.backup.path' "$work/cli-repair.json")
check "the console's backup lies in the shared RegBackups" \
  test "$(backup_files | xargs -r -n1 -d '\n' basename)" = "${cli_backup##*\\}"
check "backups list numbers it 1" grep -qF "1   ${cli_backup##*\\}" <<<"$(cli backups list)"
cli backups restore 1 >/dev/null || fail "quillmar-cli backups restore 1 failed"
check "the console's restore brought every leftover back, type and data alike" \
  test "$(dump_entries "${leftovers[@]}")" = "$before_leftovers"
check "backups verify finds every value of the backup as it was" \
  grep -q '^\([1-9][0-9]*\) of \1 values are in the registry as in ' <<<"$(cli backups verify 1)"
cli backups delete 1 >/dev/null || fail "quillmar-cli backups delete 1 failed"
check "the console's delete removed the file" test -z "$(backup_files)"

# ---------------------------------------------------------------------------
step "a scan with 系统开机自启动项目 cleared"
startup=(
  'HKCU\Software\Microsoft\Windows\CurrentVersion\Run|/v PhotonTray'
  'HKLM\Software\Microsoft\Windows\CurrentVersion\Run|/v OldSync'
  'HKCU\Software\Microsoft\Windows\CurrentVersion\Run|/v LumenCapture'
)
check "the leftovers are back for it" test "$(count_present "${leftovers[@]}")" = "${#leftovers[@]}"
(cd "$app" && exec wine "$app/quillmar.exe" </dev/null >/dev/null 2>&1) &
app_pid=$!
rect_of Quillmar.FormScanner 60 >/dev/null
click_rect "$(command_of Quillmar.FormScanner 1)" 1
rect_of Quillmar.FormRepair >/dev/null
wait_scan_end
sleep 0.5
window_rows_categories >"$work/all-categories.tsv"
# The pointer rests on the list, whose row tip may lie over 返回 for a moment.
park
click_rect "$(command_of Quillmar.FormRepair 4)" 1
probe gone Quillmar.FormRepair 10 || fail "the scan window did not close"
box=$(probe checks Quillmar.FormScanner | grep ' 系统开机自启动项目$')
click_rect "$box" 0.5
check "the box is cleared" grep -q ' 0 系统开机自启动项目$' <<<"$(probe checks Quillmar.FormScanner)"
click_rect "$(command_of Quillmar.FormScanner 1)" 1
rect_of Quillmar.FormRepair >/dev/null
wait_scan_end
sleep 0.5
shot 16-scan-without-startup Quillmar.FormRepair
check "the list is the full list without its 开机自启动 rows" \
  diff -u <(awk -F'\t' '$5 != "开机自启动"' "$work/all-categories.tsv") <(window_rows_categories)
check "which were there to leave out" test "$(grep -c '	开机自启动$' "$work/all-categories.tsv")" -ge 3
check "the console lists the same rows with every category but startup" diff -u <(window_rows) \
  <(cli scan --format json --category com,shared,devices,app-paths,file-types,sounds,history,empty-keys,services,extensions,fonts,shortcuts,uninstall | cli_rows)
cleared_count=$(window_rows | grep -vc '^系统设置	' || true)
click_rect "$(command_of Quillmar.FormRepair 3)" 0.5
answer_message "Backup file:" 17-message-backup
answer_message "$cleared_count 个错误已修复。" 18-message-repaired
check "reg query finds the startup leftovers still there" \
  test "$(count_present "${startup[@]}")" = "${#startup[@]}"
check "and the other leftovers gone" \
  test "$(count_present "${leftovers[@]}")" = "${#startup[@]}"
click_rect "$(command_of Quillmar.FormRepair 4)" 1
click_in Quillmar.FormScanner 766 13 0.5
for _ in $(seq 50); do kill -0 "$app_pid" 2>/dev/null || break; sleep 0.2; done
app_pid=""

echo "acceptance: all steps passed; screenshots in $shots"
