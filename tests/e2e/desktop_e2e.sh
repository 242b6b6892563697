#!/usr/bin/env bash
# The desktop program end to end, in a real X server and driven by the keyboard alone: open a
# photograph of a card from the command line, show it at real size, convert it with a profile made
# from it, save the result as TIFF and as JPEG through the Save As dialog, and quit. The files the
# program wrote must hold exactly the pixels tintara-cli gives for the same conversion.
#
#   desktop_e2e.sh BIN_DIR     (BIN_DIR holds tintara, tintara-cli, render-card and Lumeno.dat)
#
# Exit 0 on success, 77 when a tool it needs is missing (CTest counts that as skipped), 1 on
# failure with a message saying which step failed. Every wait has a time limit; nothing hangs.
# TINTARA_E2E_KEEP=DIR keeps the work folder, with screenshots of each step, in DIR.
set -euo pipefail

BIN=${1:?usage: desktop_e2e.sh BIN_DIR}
BIN=$(cd "$BIN" && pwd)

for tool in xvfb-run xdotool xwininfo import compare djpeg cmp; do
  if ! command -v "$tool" >/dev/null 2>&1; then
    echo "desktop_e2e: SKIPPED, $tool is not installed" >&2
    exit 77
  fi
done

# Without a display of our own, start one and run this script again inside it. No window manager
# runs there: keys go through XTEST to the window that has the input focus.
if [ "${TINTARA_E2E_INNER:-}" != 1 ]; then
  exec env TINTARA_E2E_INNER=1 xvfb-run -a -s "-screen 0 1600x1000x24" "$0" "$@"
fi
unset QT_QPA_PLATFORM

WORK=$(mktemp -d "${TMPDIR:-/tmp}/tintara-e2e.XXXXXX")
APP_PID=
SHOT=0
cleanup() {
  if [ -n "$APP_PID" ] && kill -0 "$APP_PID" 2>/dev/null; then kill "$APP_PID" 2>/dev/null || true; fi
  if [ -n "${TINTARA_E2E_KEEP:-}" ]; then
    mkdir -p "$TINTARA_E2E_KEEP" && cp -r "$WORK"/. "$TINTARA_E2E_KEEP"/
  fi
  rm -rf "$WORK"
}
trap cleanup EXIT

fail() {
  shot failure
  echo "desktop_e2e: FAILED: $*" >&2
  if [ -s "$WORK/tintara.log" ]; then
    echo "--- tintara's output:" >&2
    cat "$WORK/tintara.log" >&2
  fi
  exit 1
}

shot() {
  SHOT=$((SHOT + 1))
  import -window root "$WORK/shot-$SHOT-$1.png" 2>/dev/null || true
}

# Waits until a command succeeds, polling, at most $1 seconds.
wait_for() {
  local seconds=$1
  shift
  local tries=$((seconds * 10))
  while ! "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

# The id of the first window whose name matches the pattern, waiting at most $2 seconds.
find_window() {
  timeout "$2" xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -n 1
}

main_title() { xdotool getwindowname "$MAIN" 2>/dev/null; }
title_has() { main_title | grep -q -- "$1"; }

# Keys to the window: it takes the input focus first, then the keys go through XTEST.
keys() {
  local window=$1
  shift
  xdotool windowfocus --sync "$window" key --delay 40 "$@" || fail "could not send $* to window $window"
}

# Save As through the dialog: the file name typed into its name field, then Enter. With `jpeg`
# the dialog's type list is first set to its JPEG entry, as a user would pick it.
save_as() {
  local path=$1 type=$2
  keys "$MAIN" ctrl+shift+s
  local dialog
  dialog=$(find_window '^Save As$' 15) || true
  [ -n "$dialog" ] || fail "no Save As dialog appeared after Ctrl+Shift+S"
  # The dialog lists its folder in the background and may move the focus when the listing is in;
  # keys sent before that can land in the wrong field on a loaded machine.
  sleep 0.5
  shot save-as-dialog
  if [ "$type" = jpeg ]; then
    # The type list follows the name field in the dialog's tab order; Down picks the next entry.
    keys "$dialog" Tab Down shift+Tab
  fi
  keys "$dialog" ctrl+a
  xdotool type --delay 10 "$path"
  keys "$dialog" Return
}

cd "$WORK"
export XDG_CONFIG_HOME="$WORK/config"
mkdir -p profiles "$XDG_CONFIG_HOME"

# A photograph of a K7 card and a profile made from it, both with the command-line tools.
corners=$("$BIN/render-card" --size 1600x1200 --camera-gamma 1.15,1.0,0.9 -o PHOTO.tif) || fail "render-card"
reference=$("$BIN/tintara-cli" references --card K7 | head -n 1 | cut -f1)
status=0
"$BIN/tintara-cli" create-profile PHOTO.tif --corners "$corners" --reference "#$reference" \
  --description "e2e" -o profiles/P.tnp >create-profile.log || status=$?
[ "$status" -le 1 ] && [ -s profiles/P.tnp ] || fail "create-profile made no profile (status $status)"

# The program's settings in a private store: the profile folder, and the hint shown after opening
# an image silenced (its box would take the first key).
"$BIN/tintara-cli" settings set ICCPath "$WORK/profiles" >/dev/null || fail "settings set ICCPath"
printf '\n[OnceMessages]\n40706=-1\n' >>"$XDG_CONFIG_HOME/Lumeno/Tintara.conf"

"$BIN/tintara" PHOTO.tif >"$WORK/tintara.log" 2>&1 &
APP_PID=$!
MAIN=$(find_window '^Tintara - PHOTO\.tif' 30) || true
[ -n "$MAIN" ] || fail "the main window with PHOTO.tif did not appear within 30 s"
wait_for 10 title_has '(RGB, 1600 x 1200)' || fail "unexpected title: $(main_title)"
shot opened

keys "$MAIN" ctrl+alt+0
wait_for 10 title_has 'PHOTO.tif @ 100%' || fail "Ctrl+Alt+0 did not show the real size: $(main_title)"
keys "$MAIN" ctrl+i
wait_for 20 title_has 'converted with color profile' || fail "Ctrl+I did not convert: $(main_title)"
shot converted

save_as "$WORK/OUT.tif" tiff
wait_for 20 title_has '^Tintara - OUT\.tif @ ' || fail "saving OUT.tif did not finish: $(main_title)"
[ -s OUT.tif ] || fail "OUT.tif was not written"

save_as "$WORK/OUT.jpg" jpeg
options=$(find_window '^JPEG Options$' 15) || true
[ -n "$options" ] || fail "no JPEG Options dialog appeared"
shot jpeg-options
keys "$options" Return
wait_for 20 title_has '^Tintara - OUT\.jpg @ ' || fail "saving OUT.jpg did not finish: $(main_title)"
[ -s OUT.jpg ] || fail "OUT.jpg was not written"
shot saved

keys "$MAIN" ctrl+q
wait_for 15 bash -c "! kill -0 $APP_PID" || fail "Ctrl+Q did not end the program"
app_status=0
wait "$APP_PID" || app_status=$?
APP_PID=
[ "$app_status" -eq 0 ] || fail "the program ended with status $app_status"

# The same conversions by the command line; the program's files must match them pixel for pixel.
"$BIN/tintara-cli" convert --profile profiles/P.tnp PHOTO.tif REF.tif >/dev/null || fail "tintara-cli convert to TIFF"
"$BIN/tintara-cli" convert --profile profiles/P.tnp PHOTO.tif REF.jpg --quality 90 >/dev/null ||
  fail "tintara-cli convert to JPEG"
differing=$(compare -metric AE OUT.tif REF.tif null: 2>&1 || true)
[ "$differing" = 0 ] || fail "OUT.tif differs from the command line's conversion in $differing pixels"
djpeg -ppm OUT.jpg >out.ppm && djpeg -ppm REF.jpg >ref.ppm || fail "djpeg could not decode the JPEG files"
cmp -s out.ppm ref.ppm || fail "OUT.jpg decodes to other pixels than the command line's JPEG at quality 90"
# And the conversion really changed the photograph.
if [ "$(compare -metric AE OUT.tif PHOTO.tif null: 2>&1 || true)" = 0 ]; then fail "OUT.tif equals the photograph"; fi

# Marking with the mouse and Create Profile: a smaller photograph at Real Size, M, three clicks on
# the corners render-card printed, Ctrl+Enter, the New Profile dialog accepted with Enter, Ctrl+I and
# Save As. The saved pixels must be those of tintara-cli create-profile with the same corners followed
# by tintara-cli convert.
#
# Where the view lies on the screen: Qt widgets are not X windows of their own, so for this run the
# program makes every widget a native window (QT_USE_NATIVE_WINDOWS=1, a Qt switch that changes no
# layout), and the view's drawing area is the deepest window below the main window in the X tree,
# with its position on the root window. At Real Size with the view scrolled to its start, image
# pixel (x, y) lies at that origin plus (x, y).
mark_step() {
  corners=$("$BIN/render-card" --size 900x600 --place 300,300,400,0 --camera-gamma 1.15,1.0,0.9 -o MARK.tif) ||
    fail "render-card for the marking"
  QT_USE_NATIVE_WINDOWS=1 "$BIN/tintara" MARK.tif >"$WORK/tintara.log" 2>&1 &
  APP_PID=$!
  MAIN=$(find_window '^Tintara - MARK\.tif' 30) || true
  [ -n "$MAIN" ] || fail "the main window with MARK.tif did not appear within 30 s"
  keys "$MAIN" ctrl+alt+0
  wait_for 10 title_has 'MARK.tif @ 100%' || fail "Ctrl+Alt+0 did not show MARK.tif at real size: $(main_title)"
  # The deepest window of the main window's tree that is at least 200 x 200: the view's drawing area.
  local origin
  origin=$(xwininfo -id "$MAIN" -tree | awk '
    / [0-9]+x[0-9]+\+-?[0-9]+\+-?[0-9]+ +\+-?[0-9]+\+-?[0-9]+$/ {
      depth = match($0, /[^ ]/); split($(NF-1), size, /[x+]/); split($NF, abs, /\+/)
      if (size[1] >= 200 && size[2] >= 200 && depth > best) { best = depth; x = abs[2]; y = abs[3] }
    }
    END { if (best) print x, y }')
  [ -n "$origin" ] || fail "could not find the image view among the program's windows"
  read -r ox oy <<<"$origin"
  keys "$MAIN" m
  IFS=, read -r x0 y0 x1 y1 x2 y2 <<<"$corners"
  for point in "$x0 $y0" "$x1 $y1" "$x2 $y2"; do
    read -r px py <<<"$point"
    xdotool mousemove --sync $((ox + ${px%.*})) $((oy + ${py%.*})) click 1 || fail "could not click at $point"
    sleep 0.2
  done
  # The hint after the outline is complete takes the first key.
  local hint
  hint=$(find_window '^Tintara Message$' 10) || true
  [ -n "$hint" ] && keys "$hint" Return
  shot marked
  keys "$MAIN" ctrl+Return
  local dialog
  dialog=$(find_window '^New Profile$' 30) || true
  [ -n "$dialog" ] || fail "no New Profile dialog appeared after Ctrl+Enter"
  shot new-profile
  keys "$dialog" Return
  wait_for 20 bash -c "! xdotool search --onlyvisible --name '^New Profile$'" || fail "the New Profile dialog stayed open"
  shot quality-report
  keys "$MAIN" ctrl+i
  wait_for 20 title_has 'converted with color profile' || fail "Ctrl+I did not convert MARK.tif: $(main_title)"
  save_as "$WORK/MARKED.tif" tiff
  wait_for 20 title_has '^Tintara - MARKED\.tif @ ' || fail "saving MARKED.tif did not finish: $(main_title)"
  keys "$MAIN" ctrl+q
  # The new profile is not saved: the closing prompt asks, and No lets the program end.
  local prompt
  prompt=$(find_window '^Tintara Warning$' 10) || true
  [ -n "$prompt" ] && keys "$prompt" n
  wait_for 15 bash -c "! kill -0 $APP_PID" || fail "Ctrl+Q did not end the program after the marking"
  wait "$APP_PID" || fail "the program ended with an error after the marking"
  APP_PID=

  local status=0
  "$BIN/tintara-cli" create-profile MARK.tif --corners "$corners" --reference "#$reference" -o MARK.tnp \
    >/dev/null || status=$?
  [ "$status" -le 1 ] && [ -s MARK.tnp ] || fail "tintara-cli create-profile on MARK.tif (status $status)"
  "$BIN/tintara-cli" convert --profile MARK.tnp MARK.tif MARKREF.tif >/dev/null || fail "tintara-cli convert MARK.tif"
  differing=$(compare -metric AE MARKED.tif MARKREF.tif null: 2>&1 || true)
  [ "$differing" = 0 ] || fail "MARKED.tif differs from the command line's profile and conversion in $differing pixels"
}

# The batch dialog: Ctrl+B, three photographs added through the file dialog by typing their paths
# (the new rows come selected, with the focus in the empty Profile box), the profile chosen with Down,
# a destination folder added through the folder browser, Process. Every file written must equal what
# tintara-cli batch writes for the same photographs.
batch_step() {
  mkdir -p batch BATCHOUT CLIOUT
  "$BIN/render-card" --card none --size 1200x900 --seed 5 --noise 2 -o batch/B1.tif >/dev/null || fail "render-card B1"
  "$BIN/render-card" --card none --size 900x600 --seed 6 -o batch/B2.jpg >/dev/null || fail "render-card B2"
  "$BIN/render-card" --card none --size 640x480 --seed 7 -o batch/B3.tif >/dev/null || fail "render-card B3"
  "$BIN/tintara" >"$WORK/tintara.log" 2>&1 &
  APP_PID=$!
  MAIN=$(find_window '^Tintara$' 30) || true
  [ -n "$MAIN" ] || fail "the main window without a document did not appear within 30 s"
  keys "$MAIN" ctrl+b
  local dialog chooser
  dialog=$(find_window '^Batch$' 15) || true
  [ -n "$dialog" ] || fail "no Batch dialog appeared after Ctrl+B"
  keys "$dialog" alt+a
  chooser=$(find_window '^Select file\(s\) to add to batch job$' 15) || true
  [ -n "$chooser" ] || fail "no file dialog appeared after Add"
  keys "$chooser" ctrl+a
  xdotool type --delay 10 "\"$WORK/batch/B1.tif\" \"$WORK/batch/B2.jpg\" \"$WORK/batch/B3.tif\""
  keys "$chooser" Return
  wait_for 10 bash -c "! xdotool search --onlyvisible --name '^Select file'" || fail "the file dialog stayed open"
  keys "$dialog" Down
  # From the Profile box: its Add, Operation, Destination folder, then the folder's Add.
  keys "$dialog" Tab Tab Tab Tab space
  chooser=$(find_window '^Browse for output folder$' 15) || true
  [ -n "$chooser" ] || fail "no folder browser appeared after the destination's Add"
  keys "$chooser" ctrl+a
  xdotool type --delay 10 "$WORK/BATCHOUT"
  keys "$chooser" Return
  wait_for 10 bash -c "! xdotool search --onlyvisible --name '^Browse for output folder$'" || fail "the folder browser stayed open"
  shot batch-ready
  keys "$dialog" alt+p
  wait_for 60 test -s BATCHOUT/B1.tif -a -s BATCHOUT/B2.jpg -a -s BATCHOUT/B3.tif ||
    fail "Process did not write the three files into BATCHOUT: $(ls BATCHOUT)"
  # Each file appears under its name only once it is complete; the last one ends the run.
  sleep 1
  shot batch-done
  keys "$dialog" Escape
  wait_for 15 bash -c "! xdotool search --onlyvisible --name '^Batch$'" || fail "Escape did not close the Batch dialog"
  keys "$MAIN" ctrl+q
  wait_for 15 bash -c "! kill -0 $APP_PID" || fail "Ctrl+Q did not end the program after the batch"
  wait "$APP_PID" || fail "the program ended with an error after the batch"
  APP_PID=

  "$BIN/tintara-cli" batch --profile profiles/P.tnp --dest CLIOUT batch/B1.tif batch/B2.jpg batch/B3.tif >batch-cli.log ||
    fail "tintara-cli batch: $(cat batch-cli.log)"
  [ "$(ls BATCHOUT | wc -l)" -eq 3 ] || fail "the batch wrote other files than three: $(ls BATCHOUT)"
  local name
  for name in B1.tif B2.jpg B3.tif; do
    cmp -s "BATCHOUT/$name" "CLIOUT/$name" || fail "the batch dialog's $name differs from tintara-cli batch's"
  done
}

mark_step
batch_step
echo "desktop_e2e: OK (OUT.tif and OUT.jpg match the command line's conversions; so does MARKED.tif, marked with the mouse; the batch dialog's files equal tintara-cli batch's)"
