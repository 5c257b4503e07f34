#!/usr/bin/env bash
# Creates a private Wine prefix for tests or for the demo run, once.
# Usage: make-wineprefix.sh PREFIX
set -eu
prefix="$1"
stamp="$prefix/.quillmar-ready"
[ -f "$stamp" ] && exit 0

export WINEPREFIX="$prefix" WINEDEBUG=-all WINEARCH=win64
# Font names in the registry must be written from a UTF-8 locale.
export LC_ALL=C.UTF-8
unset DISPLAY
# A fresh prefix's wineboot has been seen to fail now and then, leaving a
# prefix of dosdevices alone, on a machine busy with other builds: it is
# made again from scratch, and a last failure is named with Wine's words.
log=$(mktemp)
trap 'rm -f "$log"' EXIT
for try in 1 2 3; do
  rm -rf "$prefix"
  mkdir -p "$prefix"
  wineserver -k 2>/dev/null || true
  if wineboot -i </dev/null >"$log" 2>&1 && wineserver -w && [ -d "$prefix/drive_c" ]; then
    break
  fi
  if [ "$try" = 3 ]; then
    echo "make-wineprefix.sh: wineboot failed 3 times for $prefix:" >&2
    tail -n 20 "$log" >&2
    exit 1
  fi
  sleep 2
done

reg() { wine reg add "$@" /f </dev/null >/dev/null 2>&1; }
# Without a window manager, destroying a managed top-level window blocks 2 s.
reg 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N
# The program's Chinese fonts map to the CJK font the machine has.
for f in 宋体 SimSun 新宋体 NSimSun 黑体 SimHei 微软雅黑 'Microsoft YaHei'; do
  reg 'HKCU\Software\Wine\Fonts\Replacements' /v "$f" /t REG_SZ /d 'WenQuanYi Micro Hei'
done
reg 'HKCU\Software\Wine\Fonts\Replacements' /v Verdana /t REG_SZ /d 'DejaVu Sans'
# Chinese text in a Latin font (the scan button's Verdana) falls back to the
# CJK font, as font linking does on a Chinese system.
for f in Verdana 'DejaVu Sans'; do
  reg 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' /v "$f" \
    /t REG_MULTI_SZ /d 'wqy-microhei.ttc,WenQuanYi Micro Hei'
done
# Backups are restored through the shell's .reg association, which a fresh
# prefix lacks.
reg 'HKCR\.reg' /ve /t REG_SZ /d regfile
reg 'HKCR\regfile\shell\open\command' /ve /t REG_SZ /d 'regedit.exe "%1"'
wineserver -w

# Debian's wine64 does not load its own fonts (Tahoma, Marlett) from its
# data folder; dialogs need them in the prefix.
fonts="$prefix/drive_c/windows/Fonts"
mkdir -p "$fonts"
cp -n /usr/share/wine/fonts/*.ttf "$fonts/" 2>/dev/null || true
touch "$stamp"
