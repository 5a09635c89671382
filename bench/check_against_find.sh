#!/usr/bin/env bash
# Checks the pass against find and du on the small benchmark library: the
# picture count, the video count and the size text of every tag must match
# what find counts and what du measures for that set, and the name before
# the tag must be the set's name without its old tag.
#
#   check_against_find.sh MAKE_LIBRARY FENMARROW_BENCH
set -euo pipefail
export LC_ALL=C.UTF-8
make_library=$1
bench=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
lib=$work/lib
"$make_library" small "$lib" >/dev/null

pictures=(-iname '*.jpg' -o -iname '*.jpeg' -o -iname '*.png' -o -iname '*.gif'
          -o -iname '*.bmp' -o -iname '*.tif' -o -iname '*.webp')
videos=(-iname '*.mp4' -o -iname '*.avi' -o -iname '*.mov' -o -iname '*.mkv'
        -o -iname '*.flv' -o -iname '*.ts' -o -iname '*.wmv' -o -iname '*.webm')

count() {  # folder, patterns...: matching files in the folder alone
  local folder=$1
  shift
  [ -d "$folder" ] || { echo 0; return; }
  find "$folder" -mindepth 1 -maxdepth 1 -type f \( "$@" \) | wc -l
}

size_text() {  # bytes → "1.5 KB", rounded half up at the second decimal
  awk -v b="$1" 'BEGIN {
    if (b >= 1073741824) { d = 1073741824; u = "GB" }
    else if (b >= 1048576) { d = 1048576; u = "MB" }
    else if (b >= 1024) { d = 1024; u = "KB" }
    else { d = 1; u = "B" }
    v = b / d; m = v < 0 ? -v : v
    p = m * 100 + 1e-12; i = int(p); if (p - i >= 0.5) i++
    r = i / 100; if (v < 0) r = -r
    printf "%.13g %s\n", r, u
  }'
}

declare -A expected
for set in "$lib"/*/; do
  set=${set%/}
  name=$(basename "$set")
  p=$(count "$set" "${pictures[@]}")
  v=$(( $(count "$set" "${videos[@]}") + $(count "$set/视频" "${videos[@]}") ))
  bytes=$(find "$set" -type f -print0 | du -c --apparent-size -B1 --files0-from=- | tail -n 1 | cut -f1)
  tag="["
  [ "$p" -ne 0 ] && tag+="${p}P-"
  [ "$v" -ne 0 ] && tag+="${v}V "
  tag+="$(size_text "$bytes")]"
  stem=$(printf '%s' "$name" | sed -E 's/ \[[0-9]+P-([0-9]+V )?[0-9.]+ [KMG]?B\]$//')
  expected[$(stat -c %i "$set")]="$stem $tag"
done

"$bench" "$lib"

failures=0
checked=0
for set in "$lib"/*/; do
  set=${set%/}
  name=$(basename "$set")
  want=${expected[$(stat -c %i "$set")]}
  checked=$((checked + 1))
  if [ "$name" != "$want" ]; then
    echo "MISMATCH: got '$name', find/du say '$want'"
    failures=$((failures + 1))
  fi
done
echo "$checked sets checked, $failures mismatches"
[ "$checked" -eq "${#expected[@]}" ] && [ "$checked" -gt 0 ] && [ "$failures" -eq 0 ]
