#!/usr/bin/env bash
# End-to-end test of the Windows program under Wine: a fresh prefix, a
# private Xvfb, the real window and the real button, clicked with xdotool.
# Usage: wine_e2e.sh FENMARROW_EXE SCREENSHOT_DIR LOCALE (zh_CN.UTF-8, en_US.UTF-8)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
exe=$(realpath "$1")
shots=$(realpath -m "$2")
locale=$3
tag="windows-${locale%%.*}"

E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/fenmarrow-wine-e2e.XXXXXX")
# shellcheck source=e2e_lib.sh
. "$here/e2e_lib.sh"

export WINEPREFIX="$E2E_TMP/prefix"
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
# Wine needs a real UTF-8 locale for non-ASCII paths; the locale's code page
# (936 for zh_CN, 1252 for en_US) must not matter to the program.
export LANG=$locale LC_ALL=$locale
E2E_CLASS=fenmarrow.exe
# Without a window manager Wine draws the frame itself: the X window is the
# client area of the 380×195 window at (450, 302), i.e. 374×170 at +3,+22.
E2E_EXPECT_X=453 E2E_EXPECT_Y=324 E2E_EXPECT_W=374 E2E_EXPECT_H=170

cleanup() {
  if [ -n "${E2E_PROGRAM_PID:-}" ]; then kill "$E2E_PROGRAM_PID" 2>/dev/null || true; fi
  WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true
  e2e_stop_xvfb
  rm -rf "$E2E_TMP"
}
trap cleanup EXIT

e2e_start_program() {
  local program=$1 cwd=$2
  (cd "$cwd" && exec wine "$program") >"$E2E_TMP/program.log" 2>&1 &
  E2E_PROGRAM_PID=$!
}

e2e_stop_program() {
  kill "$E2E_PROGRAM_PID" 2>/dev/null || true
  WINEPREFIX="$WINEPREFIX" wineserver -k 2>/dev/null || true
  wait "$E2E_PROGRAM_PID" 2>/dev/null || true
}

e2e_start_xvfb
e2e_log "making a fresh Wine prefix ($locale)"
wineboot -i >/dev/null 2>&1 || true
wineserver -w
# Chinese text needs a CJK font: let the faces the program asks for map to
# WenQuanYi Zen Hei when it is installed.
for face in "微软雅黑" "Microsoft YaHei" "SimSun" "宋体" "Tahoma" "MS Shell Dlg" "MS Shell Dlg 2"; do
  wine reg add 'HKCU\Software\Wine\Fonts\Replacements' /v "$face" /d "WenQuanYi Zen Hei" /f \
    >/dev/null 2>&1 || true
done
wineserver -w

e2e_scenario "$exe" "$shots" "$tag" "$here"
