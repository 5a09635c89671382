# Shared by the end-to-end tests and demo.sh: a sample library of picture
# sets, an X session, and the clicks that drive the real program.
# Sourced, not run. Callers set E2E_TMP (a scratch folder of their own).

e2e_log() { echo "[e2e] $*" >&2; }
e2e_die() {
  echo "[e2e] ERROR: $*" >&2
  exit 1
}
E2E_FAILURES=0
e2e_fail() {
  echo "[e2e] FAIL: $*" >&2
  E2E_FAILURES=$((E2E_FAILURES + 1))
}

# A file of exactly SIZE bytes. Small files get random bytes, so that the
# checksums tell them apart; big ones stay sparse.
e2e_file() {
  local path=$1 size=$2
  mkdir -p "$(dirname "$path")"
  if [ "$size" -le 1048576 ]; then
    head -c "$size" /dev/urandom >"$path"
  else
    : >"$path"
    truncate -s "$size" "$path"
  fi
}

# The library every test starts from. Sizes are chosen so that the tags are
# known exactly (see e2e_expect_first).
e2e_make_library() {
  local lib=$1
  mkdir -p "$lib"
  # 4 pictures (any case), 2 videos here and 1 in 视频, whose picture and the
  # text file count for the size only: 6144 bytes.
  e2e_file "$lib/Summer/a.jpg" 1000
  e2e_file "$lib/Summer/b.JPG" 24
  e2e_file "$lib/Summer/c.jpeg" 1024
  e2e_file "$lib/Summer/d.png" 512
  e2e_file "$lib/Summer/e.mp4" 1024
  e2e_file "$lib/Summer/f.MOV" 512
  e2e_file "$lib/Summer/视频/g.mkv" 1024
  e2e_file "$lib/Summer/视频/h.jpg" 512
  e2e_file "$lib/Summer/notes.txt" 512
  # A Chinese name whose bracket group is replaced: 1.5 MB.
  e2e_file "$lib/专辑 [中字]/1.jpg" 1048576
  e2e_file "$lib/专辑 [中字]/2.webp" 524288
  # The tag of an earlier pass is refreshed, not repeated.
  e2e_file "$lib/Trip [12P-3V 1.5 GB]/x.gif" 1536
  # A set that is itself named 视频 is tagged like any other.
  e2e_file "$lib/视频/a.ts" 2048
  e2e_file "$lib/视频/b.wmv" 1024
  # Taken's new name belongs to another folder, which keeps it.
  e2e_file "$lib/Taken/a.jpg" 1024
  e2e_file "$lib/Taken [1P-1 KB]/a.jpg" 1024
  # Hidden folders are tagged too.
  e2e_file "$lib/.hidden/p.bmp" 2048
  mkdir -p "$lib/Empty"
  # 1.25 GB, sparse.
  e2e_file "$lib/Big/movie.MP4" 1342177280
  # Pictures below the first level count for the size only.
  e2e_file "$lib/Deep/y.tif" 50
  e2e_file "$lib/Deep/sub/sub2/x.jpg" 100
  # A name code page 936 cannot hold is left as it is.
  e2e_file "$lib/Smile 😀/p.jpg" 10
  e2e_file "$lib/readme.txt" 300
}

# Folder names expected after the first pass (and after a second one with
# nothing changed), one per line, besides the program file.
e2e_expect_first() {
  printf '%s\n' ".hidden [1P-2 KB]" "Big [1V 1.25 GB]" "Deep [1P-150 B]" "Empty [0 B]" \
    "Smile 😀" "Summer [4P-3V 6 KB]" "Taken" "Taken [1P-1 KB]" "Trip [1P-1.5 KB]" \
    "readme.txt" "专辑 [2P-1.5 MB]" "视频 [2V 3 KB]"
}

# Changes made before the third pass, and the names expected after it: new
# files refresh two tags, and Taken gets its name once the other folder left.
e2e_change_library() {
  local lib=$1
  e2e_file "$lib/Summer [4P-3V 6 KB]/new.jpg" 1024
  e2e_file "$lib/Empty [0 B]/clip.avi" 1
  rm -rf "$lib/Taken [1P-1 KB]"
}
e2e_expect_third() {
  printf '%s\n' ".hidden [1P-2 KB]" "Big [1V 1.25 GB]" "Deep [1P-150 B]" "Empty [1V 1 B]" \
    "Smile 😀" "Summer [5P-3V 7 KB]" "Taken [1P-1 KB]" "Trip [1P-1.5 KB]" \
    "readme.txt" "专辑 [2P-1.5 MB]" "视频 [2V 3 KB]"
}

# The names in a folder, sorted bytewise, without the program file.
e2e_names() {
  local lib=$1 program=$2
  (cd "$lib" && ls -1A) | grep -vxF "$program" | LC_ALL=C sort
}

e2e_check_names() {
  local lib=$1 program=$2 expected=$3 what=$4
  local actual
  actual=$(e2e_names "$lib" "$program")
  expected=$(printf '%s\n' "$expected" | LC_ALL=C sort)
  if [ "$actual" != "$expected" ]; then
    e2e_fail "$what: folder names differ (expected < > actual)"
    diff <(printf '%s\n' "$expected") <(printf '%s\n' "$actual") >&2 || true
  else
    e2e_log "$what: all $(printf '%s\n' "$actual" | wc -l) names as expected"
  fi
}

# Every file's checksum, keyed by the inode of its top folder (which a rename
# keeps) and its path below that folder, so that renames don't show but any
# change of a byte, a lost file or a moved one does.
e2e_checksums() {
  local lib=$1
  (
    cd "$lib" || exit 1
    find . -mindepth 1 -type f -print0 | while IFS= read -r -d '' file; do
      local rel=${file#./} top rest key
      top=${rel%%/*}
      if [ "$top" = "$rel" ]; then
        key="file:$rel"
      else
        rest=${rel#*/}
        key="$(stat -c %i "$top")/$rest"
      fi
      printf '%s %s %s\n' "$(sha256sum <"$file" | cut -d' ' -f1)" "$(stat -c %s "$file")" "$key"
    done | LC_ALL=C sort
  )
}

e2e_check_checksums() {
  local before=$1 after=$2 what=$3
  if [ "$before" != "$after" ]; then
    e2e_fail "$what: file contents changed"
    diff <(printf '%s\n' "$before") <(printf '%s\n' "$after") >&2 || true
  else
    e2e_log "$what: every file's bytes unchanged ($(printf '%s\n' "$after" | wc -l) files)"
  fi
}

# --- X session -------------------------------------------------------------

E2E_XVFB_PID=
# Starts a private Xvfb and points DISPLAY at it.
e2e_start_xvfb() {
  local fdfile="$E2E_TMP/xvfb.display"
  Xvfb -displayfd 7 -screen 0 1280x800x24 -nolisten tcp 7>"$fdfile" 2>"$E2E_TMP/xvfb.log" &
  E2E_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    if [ -s "$fdfile" ]; then
      export DISPLAY=":$(head -n1 "$fdfile")"
      e2e_log "Xvfb on $DISPLAY (pid $E2E_XVFB_PID)"
      return 0
    fi
    sleep 0.1
  done
  e2e_die "Xvfb did not start: $(cat "$E2E_TMP/xvfb.log")"
}

e2e_stop_xvfb() {
  if [ -n "$E2E_XVFB_PID" ]; then
    kill "$E2E_XVFB_PID" 2>/dev/null || true
    wait "$E2E_XVFB_PID" 2>/dev/null || true
    E2E_XVFB_PID=
  fi
}

# Waits (up to TIMEOUT seconds) for a visible window of CLASS that is not the
# box, and prints its id.
e2e_wait_main_window() {
  local class=$1 timeout=${2:-60} i id name
  for i in $(seq 1 $((timeout * 5))); do
    for id in $(xdotool search --onlyvisible --class "$class" 2>/dev/null); do
      name=$(xdotool getwindowname "$id" 2>/dev/null || true)
      if [ "$name" != "信息：" ]; then
        echo "$id"
        return 0
      fi
    done
    sleep 0.2
  done
  return 1
}

# Prints the id of the box titled "信息：", waiting up to TIMEOUT seconds.
e2e_wait_box() {
  local timeout=${1:-120} i id
  for i in $(seq 1 $((timeout * 5))); do
    id=$(xdotool search --onlyvisible --name '^信息：$' 2>/dev/null | head -n1)
    if [ -n "$id" ]; then
      echo "$id"
      return 0
    fi
    sleep 0.2
  done
  return 1
}

e2e_box_gone() {
  local timeout=${1:-20} i
  for i in $(seq 1 $((timeout * 5))); do
    if [ -z "$(xdotool search --onlyvisible --name '^信息：$' 2>/dev/null)" ]; then
      return 0
    fi
    sleep 0.2
  done
  return 1
}

# Clicks the button 按钮1 (client 95,104, 183×30) in its middle.
e2e_click_button() {
  xdotool mousemove --window "$1" 186 119 click 1
}

# Dismisses the box the way a user does: focus it and press Return.
e2e_confirm_box() {
  local box=$1 try
  for try in 1 2 3 4 5; do
    xdotool windowfocus "$box" 2>/dev/null || true
    sleep 0.3
    xdotool key Return
    if e2e_box_gone 4; then return 0; fi
  done
  return 1
}

# One pass through the real button: click, wait for the box, optionally
# save a screenshot of the screen with the box, confirm it.
e2e_run_pass() {
  local window=$1 shot=${2:-} box
  e2e_click_button "$window"
  box=$(e2e_wait_box 180) || {
    e2e_fail "no box \"信息：\" after the click"
    return 1
  }
  if [ -n "$shot" ]; then import -window root "$shot" 2>/dev/null || true; fi
  e2e_confirm_box "$box" || {
    e2e_fail "the box would not go away"
    return 1
  }
}

# Waits up to TIMEOUT seconds for process PID to end.
e2e_wait_exit() {
  local pid=$1 timeout=${2:-30} i
  for i in $(seq 1 $((timeout * 5))); do
    if ! kill -0 "$pid" 2>/dev/null; then return 0; fi
    sleep 0.2
  done
  return 1
}

# Builds the helper that asks a window to close as a window manager would.
e2e_build_x_close() {
  local source_dir=$1
  cc -O2 -o "$E2E_TMP/x_close" "$source_dir/x_close.c" -lX11 ||
    e2e_die "cannot build x_close (needs cc and libx11-dev)"
  echo "$E2E_TMP/x_close"
}

# Starts the program (e2e_start_program LIB_PROGRAM CWD) and sets E2E_WINDOW
# to its main window's id. Not to be run in a subshell: E2E_PROGRAM_PID must
# reach the caller. A first start on a loaded machine can hang before its
# window shows (Wine setting up its prefix): that start is logged, stopped
# with e2e_stop_program, and tried once more.
e2e_start_and_find_window() {
  local program=$1 cwd=$2 attempt
  for attempt in 1 2; do
    e2e_start_program "$program" "$cwd"
    if E2E_WINDOW=$(e2e_wait_main_window "$E2E_CLASS" 90); then
      return 0
    fi
    e2e_log "no window after 90 s (start $attempt); the program said:"
    tail -n 20 "$E2E_TMP/program.log" >&2 || true
    e2e_stop_program
  done
  return 1
}

# --- The whole scenario -----------------------------------------------------
# The driver defines e2e_start_program LIB_PROGRAM CWD (starts the program in
# the background with CWD as working directory and sets E2E_PROGRAM_PID) and
# e2e_stop_program (ends it, whatever state it is in), and
# sets E2E_CLASS (the window class to look for). Arguments: the program file,
# the folder for screenshots, a tag for their names, and this script's folder.
e2e_scenario() {
  local program=$1 shots=$2 tag=$3 here=$4
  local name lib elsewhere window before after mtime x_close
  name=$(basename "$program")
  lib="$E2E_TMP/图片库"
  elsewhere="$E2E_TMP/elsewhere"
  mkdir -p "$shots" "$elsewhere/Decoy"
  x_close=$(e2e_build_x_close "$here")

  e2e_make_library "$lib"
  cp "$program" "$lib/$name"
  before=$(e2e_checksums "$lib")

  # Started with another working directory, it must still tag its own folder.
  e2e_start_and_find_window "$lib/$name" "$elsewhere" || e2e_die "the window did not appear"
  window=$E2E_WINDOW
  e2e_log "window $window: $(xdotool getwindowgeometry "$window" | tr '\n' ' ')"
  # Centred on the 1280×800 screen; the driver knows how its platform draws.
  local geometry
  geometry=$(xdotool getwindowgeometry --shell "$window" | tr '\n' ' ')
  case "$geometry" in
    *"X=${E2E_EXPECT_X} Y=${E2E_EXPECT_Y} WIDTH=${E2E_EXPECT_W} HEIGHT=${E2E_EXPECT_H} "*) ;;
    *) e2e_fail "window place and size: $geometry" ;;
  esac
  sleep 1
  import -window "$window" "$shots/$tag-window.png" 2>/dev/null || e2e_fail "no screenshot"

  e2e_log "pass 1"
  e2e_run_pass "$window" "$shots/$tag-done.png"
  e2e_check_names "$lib" "$name" "$(e2e_expect_first)" "pass 1"
  e2e_check_checksums "$before" "$(e2e_checksums "$lib")" "pass 1"
  [ "$(ls -A "$elsewhere")" = "Decoy" ] || e2e_fail "the working directory was touched"
  import -window "$window" "$shots/$tag-after.png" 2>/dev/null || true

  e2e_log "pass 2, nothing changed"
  mtime=$(stat -c %y "$lib")
  e2e_run_pass "$window"
  e2e_check_names "$lib" "$name" "$(e2e_expect_first)" "pass 2"
  [ "$(stat -c %y "$lib")" = "$mtime" ] || e2e_fail "pass 2 changed the base folder"
  e2e_check_checksums "$before" "$(e2e_checksums "$lib")" "pass 2"

  e2e_log "pass 3, after files were added"
  e2e_change_library "$lib"
  before=$(e2e_checksums "$lib")
  e2e_run_pass "$window"
  e2e_check_names "$lib" "$name" "$(e2e_expect_third)" "pass 3"
  e2e_check_checksums "$before" "$(e2e_checksums "$lib")" "pass 3"

  e2e_log "closing the idle window ends the program"
  "$x_close" "$window"
  e2e_wait_exit "$E2E_PROGRAM_PID" 30 || e2e_fail "the program did not end after closing"

  e2e_log "closing the window during a pass"
  local i bulk=1000 tagged=0 untouched=0 odd=0 box
  for i in $(seq -w 1 $bulk); do
    mkdir -p "$lib/Bulk $i"
    (cd "$lib/Bulk $i" && touch 01.jpg 02.jpg 03.jpg 04.jpg 05.jpg 06.jpg 07.jpg 08.jpg 09.jpg \
      10.jpg 11.jpg 12.jpg 13.jpg 14.jpg 15.jpg 16.jpg 17.jpg 18.jpg 19.jpg 20.jpg)
  done
  e2e_start_and_find_window "$lib/$name" "$elsewhere" || e2e_die "the window did not come back"
  window=$E2E_WINDOW
  sleep 1
  # The close follows the click at once: a pass over a thousand folders runs
  # far longer than the close takes to arrive, however fast the pass is.
  e2e_click_button "$window"
  "$x_close" "$window"
  e2e_wait_exit "$E2E_PROGRAM_PID" 60 || e2e_fail "the program did not end when closed mid-pass"
  box=$(xdotool search --onlyvisible --name '^信息：$' 2>/dev/null | head -n1 || true)
  [ -z "$box" ] || e2e_fail "a box showed after the window was closed mid-pass"
  while IFS= read -r entry; do
    case "$entry" in
      "Bulk "[0-9][0-9][0-9][0-9]) untouched=$((untouched + 1)) ;;
      "Bulk "[0-9][0-9][0-9][0-9]" [20P-0 B]") tagged=$((tagged + 1)) ;;
      *) odd=$((odd + 1)); e2e_fail "half-made name: $entry" ;;
    esac
  done < <(ls "$lib" | grep '^Bulk ')
  e2e_log "closed mid-pass: $tagged tagged, $untouched untouched, $odd odd"
  [ "$untouched" -ge 1 ] || e2e_fail "the pass did not stop when the window closed"
  [ $((tagged + untouched)) -eq $bulk ] || e2e_fail "folders went missing"
  e2e_check_names "$lib" "$name" "$(e2e_expect_third; ls "$lib" | grep '^Bulk ')" "after the close"

  if [ "$E2E_FAILURES" -ne 0 ]; then
    e2e_log "$E2E_FAILURES check(s) failed"
    return 1
  fi
  e2e_log "all checks passed"
}
