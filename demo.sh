#!/usr/bin/env bash
# Fenmarrow in one minute: builds the Linux program, makes a small library of
# picture sets under build/demo/, drops the program into it, clicks "执行"
# and shows the folder names before and after the pass.
#
# On a fresh Debian 12 machine run it as root: it installs what it needs.
# Without a display it starts its own (Xvfb) and leaves a screenshot of the
# window in build/demo/screenshot-linux.png.
set -euo pipefail

repo=$(cd "$(dirname "$0")" && pwd)
build_dir=${FENMARROW_BUILD_DIR:-$repo/build/linux}
demo="$repo/build/demo"
library="$demo/library"

say() { printf '\n== %s\n' "$*"; }
die() {
  echo "demo.sh: $*" >&2
  exit 1
}

# --- What the demo needs -----------------------------------------------------
packages=(cmake make g++ pkg-config googletest qt6-base-dev libgl-dev xvfb xdotool imagemagick
  x11-utils fonts-wqy-zenhei locales coreutils)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed' ||
    missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  [ "$(id -u)" -eq 0 ] || die "missing packages (run as root to install them): ${missing[*]}"
  say "Installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update
  apt-get install -y --no-install-recommends "${missing[@]}"
fi
# Chinese folder names need a UTF-8 locale.
if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
  [ "$(id -u)" -eq 0 ] || die "the locale zh_CN.UTF-8 is missing (run as root to make it)"
  localedef -i zh_CN -f UTF-8 zh_CN.UTF-8
fi
export LANG=zh_CN.UTF-8 LC_ALL=zh_CN.UTF-8

# --- Build ---------------------------------------------------------------------
say "Building the Linux program in $build_dir"
cmake --preset linux -B "$build_dir" -S "$repo" >/dev/null
cmake --build "$build_dir" --target fenmarrow -j2
program="$build_dir/fenmarrow"
[ -x "$program" ] || die "the build did not produce $program"

# --- A small library ---------------------------------------------------------------
# Files are made with truncate: only their sizes matter to the tags.
file() {
  mkdir -p "$(dirname "$1")"
  truncate -s "$2" "$1"
}
rm -rf "$library"
mkdir -p "$library"
file "$library/Summer/beach.jpg" 1048576
file "$library/Summer/dunes.PNG" 524288
file "$library/Summer/waves.mp4" 2097152
file "$library/Summer/视频/sunset.mkv" 1048576
file "$library/Trip [12P-3V 1.5 GB]/map.gif" 1536
file "$library/Trip [12P-3V 1.5 GB]/视频/road.avi" 3072
file "$library/专辑 [中字]/封面.jpg" 204800
file "$library/专辑 [中字]/内页.webp" 102400
file "$library/Concert/stage.mov" 1342177280
mkdir -p "$library/Empty"
cp "$program" "$library/"

say "Before the pass ($library)"
(cd "$library" && ls -1)

# --- Run it and click 执行 ---------------------------------------------------------
E2E_TMP=$(mktemp -d "${TMPDIR:-/tmp}/fenmarrow-demo.XXXXXX")
# shellcheck source=tests/e2e/e2e_lib.sh
. "$repo/tests/e2e/e2e_lib.sh"
program_pid=
cleanup() {
  if [ -n "$program_pid" ]; then kill "$program_pid" 2>/dev/null || true; fi
  e2e_stop_xvfb
  rm -rf "$E2E_TMP"
}
trap cleanup EXIT

if [ -z "${DISPLAY:-}" ]; then e2e_start_xvfb; fi
# Started from elsewhere on purpose: it works on its own folder regardless.
(cd / && exec "$library/fenmarrow") >"$E2E_TMP/program.log" 2>&1 &
program_pid=$!
window=$(e2e_wait_main_window fenmarrow 60) || {
  cat "$E2E_TMP/program.log" >&2
  die "the window did not appear"
}
sleep 1
import -window "$window" "$demo/screenshot-linux.png" || echo "demo.sh: no screenshot" >&2

say "Clicking 执行"
e2e_click_button "$window"
box=$(e2e_wait_box 120) || die "the box \"信息：\" did not appear"
import -window root "$demo/screenshot-linux-done.png" 2>/dev/null || true
e2e_confirm_box "$box" || die "the box would not close"
echo "The box \"信息：\" said Done and was dismissed."
kill "$program_pid" 2>/dev/null || true
wait "$program_pid" 2>/dev/null || true
program_pid=

say "After the pass"
(cd "$library" && ls -1)
say "Screenshot: $demo/screenshot-linux.png"
