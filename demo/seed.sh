#!/usr/bin/env bash
# Seeds a Wine prefix with the leftovers of uninstalled programs and with
# valid references, so that a first scan has something real to find.
# Usage: seed.sh PREFIX
set -eu
export WINEPREFIX="$1" WINEDEBUG=-all LC_ALL=C.UTF-8
stamp="$WINEPREFIX/.quillmar-demo-seeded"
# The stamp holds this script's digest: a prefix seeded by an older version
# is seeded again (reg add overwrites), so new demo data reach it.
digest=$(sha256sum "$0" | cut -d' ' -f1)
[ "$(cat "$stamp" 2>/dev/null)" = "$digest" ] && exit 0
c="$WINEPREFIX/drive_c"

# Programs that are still installed: their references are valid.
mkdir -p "$c/Program Files/Inkwell" "$c/Program Files/Tessel.Company/bin"
: >"$c/Program Files/Inkwell/inkwell.exe"
: >"$c/Program Files/Inkwell/inkshell.dll"
: >"$c/Program Files/Tessel.Company/bin/tessel.exe"
# Names that hold a program-file extension inside a longer name.
mkdir -p "$c/Tools/Example.com Kit" "$c/Tools/My.Dll-Tools"
: >"$c/Tools/Example.com Kit/run.exe"
: >"$c/Tools/My.Dll-Tools/x.exe"
: >"$c/Tools/report.exe.log"
# Paths Windows resolves though they do not name the file letter for letter:
# a 32-bit program's Sysnative, an 8.3 short name, a %VARIABLE% programs
# expand themselves, a folder written with a trailing dot.
: >"$c/windows/system32/inkhelper.exe"
local_app="$c/users/$(id -un)/AppData/Local/Inkwell"
mkdir -p "$local_app"
: >"$local_app/inkcache.dll"

# Seeding a new prefix once stopped here without a word (a reg add that
# failed, its output thrown away): try again, and say which value could not
# be written.
reg() {
  local try
  for try in 1 2 3; do
    wine reg add "$@" /f </dev/null >/dev/null 2>&1 && return 0
    sleep 1
  done
  echo "seed.sh: reg add $* failed $try times" >&2
  return 1
}
# Leftovers of "Photon Viewer", "OldSync" and "Fennel Player", long gone.
reg 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v PhotonTray /d '"C:\Program Files\Photon Viewer\phtray.exe" /background'
reg 'HKLM\Software\Microsoft\Windows\CurrentVersion\Run' /v OldSync /d 'C:\OldSync\syncagent.exe -autostart'
reg 'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\phview.exe' /ve /d 'C:\Program Files\Photon Viewer\phview.exe'
reg 'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\phview.exe' /v Path /d 'C:\Program Files\Photon Viewer'
reg 'HKLM\Software\Microsoft\Windows\CurrentVersion\SharedDLLs' /v 'C:\Program Files\Photon Viewer\phcodec.dll' /t REG_DWORD /d 1
reg 'HKCR\Fennel.Playlist\shell\open\command' /ve /d '"C:\Program Files\Fennel\fennel.exe" "%1"'
reg 'HKCR\Fennel.Playlist\DefaultIcon' /ve /d 'C:\Program Files\Fennel\fennel.exe,0'
reg 'HKCR\CLSID\{6B1F3A2C-55D0-4E8B-9C1A-0F2E7D4B8A31}\InprocServer32' /ve /d 'C:\Program Files\Fennel\fnlshell.dll'
reg 'HKCR\CLSID\{6B1F3A2C-55D0-4E8B-9C1A-0F2E7D4B8A31}\InprocServer32' /v ThreadingModel /d Apartment
reg 'HKCR\CLSID\{0C7E9A11-3B2D-4F60-8E55-9A1B2C3D4E5F}\LocalServer32' /ve /d '"C:\OldSync\syncsrv.exe" -Embedding'
reg 'HKCU\Software\Classes\Local Settings\Software\Microsoft\Windows\Shell\MuiCache' /v 'C:\Program Files\Fennel\fennel.exe.FriendlyAppName' /d 'Fennel Player'
# "Lumen Capture", a 32-bit program, gone from Program Files (x86).
reg 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v LumenCapture /d '"C:\Program Files (x86)\Lumen Capture\lumen.exe" /tray'
reg 'HKCU\Software\OldSync' /v Plugins /t REG_MULTI_SZ /d 'C:\OldSync\plugins\net.dll\0C:\OldSync\plugins\disk.dll'
# Still installed: never listed.
reg 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v Inkwell /d '"C:\Program Files\Inkwell\inkwell.exe" --tray'
reg 'HKCR\CLSID\{9D0C1B2A-7E6F-4A3B-8C9D-1E2F3A4B5C6D}\InprocServer32' /ve /d 'C:\Program Files\Inkwell\inkshell.dll'
reg 'HKLM\Software\Tessel' /v Launcher /d 'C:\Program Files\Tessel.Company\bin\tessel.exe'
reg 'HKCU\Software\Microsoft\Windows\CurrentVersion\Run' /v ExampleKit /d '"C:\Tools\Example.com Kit\run.exe" --quiet'
reg 'HKLM\Software\Microsoft\Windows\CurrentVersion\App Paths\x.exe' /ve /d 'C:\Tools\My.Dll-Tools\x.exe'
reg 'HKLM\Software\Tessel' /v ReportLog /d 'C:\Tools\report.exe.log'
reg 'HKLM\Software\Inkwell' /v Helper /d 'C:\Windows\Sysnative\inkhelper.exe'
reg 'HKLM\Software\Inkwell' /v ShortPath /d 'C:\PROGRA~1\Inkwell\inkwell.exe'
reg 'HKCU\Software\Inkwell' /v Cache /d 'C:\Users\%USERNAME%\AppData\Local\Inkwell\inkcache.dll'
reg 'HKCU\Software\Inkwell' /v Dotted /d 'C:\Program Files\Inkwell.\inkwell.exe'
reg 'HKCU\Software\Inkwell' /v Plugins /t REG_MULTI_SZ /d 'C:\Program Files\Inkwell\gone.dll\0C:\Program Files\Inkwell\inkshell.dll'
wineserver -w
echo "$digest" >"$stamp"
