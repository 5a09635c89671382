#!/usr/bin/env bash
# Installs what building, testing and the demo need on Debian 12. Does nothing
# when everything is there already; needs root (or sudo) otherwise.
set -euo pipefail

packages=(
  cmake g++ make googletest
  g++-mingw-w64-x86-64-posix wine wine64
  qt6-base-dev
  xvfb xdotool x11-utils imagemagick fonts-wqy-zenhei
  locales clang time libx11-dev
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

if [ "${#missing[@]}" -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  as_root apt-get update -qq
  as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
fi

# Wine cannot open non-ASCII paths without a real UTF-8 locale; the tests
# also switch to German to check that sizes keep their decimal point.
for loc in zh_CN en_US de_DE; do
  if ! locale -a 2>/dev/null | grep -qi "^${loc}\.utf-\?8$"; then
    as_root localedef -i "$loc" -f UTF-8 "$loc.UTF-8"
  fi
done
