#!/usr/bin/env bash
# What a user might write instead of the program: per set, one find per
# pattern, du for the size, and mv -n for the rename. Used as a benchmark
# peer only.
#
#   shell_peer.sh LIBRARY
set -u
export LC_ALL=C.UTF-8
cd "$1" || exit 2
pictures=('*.jpg' '*.jpeg' '*.png' '*.gif' '*.bmp' '*.tif' '*.webp')
videos=('*.MP4' '*.avi' '*.mov' '*.mkv' '*.flv' '*.ts' '*.WMV' '*.WebM')
for set in */; do
  set=${set%/}
  p=0
  for pattern in "${pictures[@]}"; do
    p=$((p + $(find "$set" -mindepth 1 -maxdepth 1 -type f -iname "$pattern" | wc -l)))
  done
  v=0
  for folder in "$set" "$set/视频"; do
    [ -d "$folder" ] || continue
    for pattern in "${videos[@]}"; do
      v=$((v + $(find "$folder" -mindepth 1 -maxdepth 1 -type f -iname "$pattern" | wc -l)))
    done
  done
  bytes=$(du -sb "$set" | cut -f1)
  size=$(awk -v b="$bytes" 'BEGIN {
    if (b >= 1073741824) { d = 1073741824; u = "GB" } else if (b >= 1048576) { d = 1048576; u = "MB" }
    else if (b >= 1024) { d = 1024; u = "KB" } else { d = 1; u = "B" }
    p = b / d * 100 + 1e-12; i = int(p); if (p - i >= 0.5) i++; printf "%.13g %s\n", i / 100, u }')
  tag="["
  [ "$p" -ne 0 ] && tag+="${p}P-"
  [ "$v" -ne 0 ] && tag+="${v}V "
  stem=$(printf '%s' "$set" | sed -E 's/ \[[^]]*\]$//')
  mv -n -- "$set" "$stem $tag$size]"
done
