#!/usr/bin/env bash
# Xvfb check of the editing page in the real program: opens a real photo through File > Open,
# shows the before view, releases the luminance slider of the denoise panel and checks on
# screenshots that the after view changed while the before view did not.
#
#   bash scripts/smoke-editing.sh <path to the built vorlach-denoise>
#
# Needs Xvfb, xdotool and ImageMagick's import and compare (scripts/packages.txt). Runs with a
# temporary HOME, so no real settings are touched; leaves the last screenshot in
# $SMOKE_SCREENSHOT_DIR when that is set, and its whole work folder when SMOKE_KEEP is set.
# Exits non-zero on failure; stops every process it started.
set -euo pipefail

app=${1:?usage: smoke-editing.sh <path to vorlach-denoise>}
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
photo_source="$root/tests/data/photos/chelsea.png"
[[ -x "$app" ]] || { echo "smoke-editing: $app is not an executable" >&2; exit 2; }
for tool in Xvfb xdotool import compare; do
  command -v "$tool" >/dev/null || { echo "smoke-editing: $tool is missing" >&2; exit 2; }
done

work=$(mktemp -d)
xvfb_pid=""
app_pid=""
cleanup() {
  local status=$?
  set +e
  if [[ -n "$app_pid" ]]; then kill "$app_pid" 2>/dev/null; wait "$app_pid" 2>/dev/null; fi
  if [[ -n "$xvfb_pid" ]]; then kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null; fi
  if [[ -n "${SMOKE_SCREENSHOT_DIR:-}" && -f "$work/final.png" ]]; then
    mkdir -p "$SMOKE_SCREENSHOT_DIR"
    cp "$work/final.png" "$SMOKE_SCREENSHOT_DIR/smoke-editing.png"
  fi
  [[ -n "${SMOKE_KEEP:-}" ]] && echo "kept $work" || rm -rf "$work"
  exit "$status"
}
trap cleanup EXIT
fail() {
  echo "smoke-editing: FAIL: $*" >&2
  [[ -n "$app_pid" ]] && { echo "--- program output:" >&2; tail -n 30 "$work/app.log" >&2 || true; }
  exit 1
}

# A display of our own: Xvfb picks a free number and writes it to the pipe.
exec 3<> <(:)
Xvfb -displayfd 3 -screen 0 1400x900x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
read -r -t 10 display_number <&3 || fail "Xvfb did not start"
exec 3>&-
export DISPLAY=":$display_number"

# A home and photo of the run's own.
mkdir -p "$work/home" "$work/photos"
cp "$photo_source" "$work/photos/chelsea.png"
photo="$work/photos/chelsea.png"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache" XDG_RUNTIME_DIR="$work/runtime"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
# The single-instance guard keeps its socket and shared-memory key file in the temporary folder:
# one of our own, so that a copy of the program running elsewhere does not take this start over.
export TMPDIR="$work/tmp"
mkdir -p "$TMPDIR"
unset QT_QPA_PLATFORM

"$app" >"$work/app.log" 2>&1 &
app_pid=$!

# Waits up to $1 tenths of a second for a visible window named $2; prints its id. Fails when
# the program ends meanwhile.
wait_window() {
  local tries=$1 name=$2 id
  for ((i = 0; i < tries; i++)); do
    kill -0 "$app_pid" 2>/dev/null || return 1
    id=$(xdotool search --onlyvisible --name "$name" 2>/dev/null | head -n 1 || true)
    [[ -n "$id" ]] && { echo "$id"; return 0; }
    sleep 0.1
  done
  return 1
}

alive() { kill -0 "$app_pid" 2>/dev/null || fail "the program ended early"; }
window=$(wait_window 200 '^Vorlach Denoise$') || { alive; fail "no main window came up"; }
eval "$(xdotool getwindowgeometry --shell "$window")" # X, Y, WIDTH, HEIGHT
win_x=$X win_y=$Y win_w=$WIDTH win_h=$HEIGHT
xdotool windowfocus "$window" 2>/dev/null || true

# Screenshot of a region of the main window: shot <file> <x> <y> <w> <h> (window coordinates).
shot() {
  import -window root -crop "${4}x${5}+$((win_x + $2))+$((win_y + $3))" +repage "$1"
}
# Number of pixels that differ between two shots.
differing() {
  # compare exits 1 when the images differ: only its count matters.
  { compare -metric AE "$1" "$2" null: 2>&1 || true; } | sed 's/[^0-9.].*//; s/\..*//'
}

shot "$work/empty.png" 0 0 "$win_w" "$win_h"

# File > Open: type the photo's path into the dialog's file name field.
xdotool key --clearmodifiers ctrl+o
dialog=$(wait_window 100 'Open File') || { alive; fail "the Open dialog did not come up"; }
xdotool windowfocus "$dialog" 2>/dev/null || true
sleep 0.3
xdotool type --delay 5 "$photo"
xdotool key Return

# The photo is read behind the waiting dialog; wait until the dialog has gone and the page shows
# the photo.
for ((i = 0; i < 100; i++)); do
  xdotool search --onlyvisible --name 'Open File' >/dev/null 2>&1 || break
  sleep 0.1
done
for ((i = 0; i < 100; i++)); do
  sleep 0.1
  shot "$work/opened.png" 0 0 "$win_w" "$win_h"
  [[ $(differing "$work/empty.png" "$work/opened.png") -gt 1000 ]] && break
done
(( i < 100 )) || fail "the photo did not appear"
sleep 0.5

# View > Before / After: both views side by side, fitted. The closed dialog took the keyboard
# focus with it: give it back to the main window first.
shot "$work/single.png" 0 0 "$win_w" "$win_h"
for attempt in 1 2 3; do
  xdotool windowfocus "$window" 2>/dev/null || true
  xdotool key --clearmodifiers ctrl+b
  sleep 1
  shot "$work/double.png" 0 0 "$win_w" "$win_h"
  [[ $(differing "$work/single.png" "$work/double.png") -gt 1000 ]] && break
done
(( attempt <= 3 )) && [[ $(differing "$work/single.png" "$work/double.png") -gt 1000 ]] ||
  fail "the before view did not come up"

# The side panel is the right-hand column of the window; the views share the rest. Regions of
# the two views, around their centres, where the fitted photo is.
panel_w=300
views_w=$((win_w - panel_w))
view_h=$((win_h - 200))
region_w=$((views_w / 6)) region_h=$((view_h / 3))
before_x=$((views_w / 4 - region_w / 2)) after_x=$((3 * views_w / 4 - region_w / 2))
region_y=$((win_h / 2 - region_h / 2))
shot "$work/before0.png" "$before_x" "$region_y" "$region_w" "$region_h"
shot "$work/after0.png" "$after_x" "$region_y" "$region_w" "$region_h"

# The luminance slider is the first slider of the denoise panel, below the photo's thumbnail.
# Click down the column, right of the handles at 0, until a click moves a slider: that click's
# release starts the denoise.
column_x=$((win_w - 90))
hit=""
for ((y = 140; y < win_h - 140; y += 6)); do
  shot "$work/panel0.png" $((win_w - panel_w)) 120 "$panel_w" $((win_h - 240))
  xdotool mousemove $((win_x + column_x)) $((win_y + y)) click 1
  sleep 0.15
  shot "$work/panel1.png" $((win_w - panel_w)) 120 "$panel_w" $((win_h - 240))
  if [[ $(differing "$work/panel0.png" "$work/panel1.png") -gt 20 ]]; then
    hit=$y
    break
  fi
done
[[ -n "$hit" ]] || fail "no slider found in the side panel"
echo "smoke-editing: released a slider at y=$hit"

# The engine result lands in the after view.
changed=0
for ((i = 0; i < 150; i++)); do
  sleep 0.1
  shot "$work/after1.png" "$after_x" "$region_y" "$region_w" "$region_h"
  changed=$(differing "$work/after0.png" "$work/after1.png")
  [[ $changed -gt 50 ]] && break
done
shot "$work/before1.png" "$before_x" "$region_y" "$region_w" "$region_h"
import -window root -crop "${win_w}x${win_h}+${win_x}+${win_y}" +repage "$work/final.png"
alive

(( changed > 50 )) || fail "the after view did not change ($changed pixels)"
unchanged=$(differing "$work/before0.png" "$work/before1.png")
(( unchanged == 0 )) || fail "the before view changed ($unchanged pixels)"
against=$(differing "$work/before1.png" "$work/after1.png")
(( against > 50 )) || fail "the after view shows the same as the before view"
echo "smoke-editing: OK (after view changed in $changed pixels; before view unchanged)"
