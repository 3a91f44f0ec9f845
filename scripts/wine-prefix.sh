#!/bin/sh
# Creates a Wine prefix, or brings an older one up to date: no Mono or Gecko installers; no crash
# dialog, so that a crashing test program fails its test instead of waiting for a click; windows
# not handed to a window manager (there is none on the test display, and Wine would wait for it);
# and the Chinese font faces the program asks for, substituted by the installed CJK font.
set -eu
prefix=$1
stamp="$prefix/.tessel-prefix-2"
mkdir -p "$(dirname "$prefix")"
exec 9>"$prefix.lock"
flock 9
[ -f "$stamp" ] && exit 0
export WINEPREFIX="$prefix" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
[ -f "$prefix/system.reg" ] || wineboot -i >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
for face in 宋体 SimSun 微软雅黑 'Microsoft YaHei' 楷体 KaiTi; do
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d 'WenQuanYi Zen Hei' /f \
    >/dev/null 2>&1
done
wineserver -w
touch "$stamp"
