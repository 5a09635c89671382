#!/usr/bin/env bash
# End-to-end test of the Linux (Qt) program: a private Xvfb, the real window
# and the real button, clicked with xdotool.
# Usage: qt_e2e.sh FENMARROW SCREENSHOT_DIR
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
program=$(realpath "$1")
shots=$(realpath -m "$2")

E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/fenmarrow-qt-e2e.XXXXXX")
# shellcheck source=e2e_lib.sh
. "$here/e2e_lib.sh"

export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8
export QT_QPA_PLATFORM=xcb
E2E_CLASS=fenmarrow
# No window manager, so no frame: the window itself, centred on 1280×800.
E2E_EXPECT_X=450 E2E_EXPECT_Y=302 E2E_EXPECT_W=380 E2E_EXPECT_H=195

cleanup() {
  if [ -n "${E2E_PROGRAM_PID:-}" ]; then kill "$E2E_PROGRAM_PID" 2>/dev/null || true; fi
  e2e_stop_xvfb
  rm -rf "$E2E_TMP"
}
trap cleanup EXIT

e2e_start_program() {
  local file=$1 cwd=$2
  (cd "$cwd" && exec "$file") >"$E2E_TMP/program.log" 2>&1 &
  E2E_PROGRAM_PID=$!
}

e2e_stop_program() {
  kill "$E2E_PROGRAM_PID" 2>/dev/null || true
  wait "$E2E_PROGRAM_PID" 2>/dev/null || true
}

e2e_start_xvfb
e2e_scenario "$program" "$shots" linux "$here"
