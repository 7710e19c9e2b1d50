#!/usr/bin/env bash
# Starts the real program on a virtual X display as a user would and checks what shows:
#   - the main window appears, 1171 x 644, centred on the screen, in the dark stylesheet;
#   - a screenshot of it can be taken (kept in a temporary folder, removed at the end);
#   - Ctrl+O brings up the Open dialog and Escape cancels it;
#   - a second start exits with status 0 at once while the first keeps running, window and all;
#   - Ctrl+Q closes the first instance, which then exits with status 0.
# Usage: bash scripts/smoke.sh <path to the built vorlach-denoise>
#        (SMOKE_KEEP=<file.png> keeps a copy of the screenshot there)
# Needs Xvfb, xdotool, xwininfo (x11-utils) and import (imagemagick). Exits non-zero on failure and
# ends every process it started.
set -euo pipefail

program=${1:?usage: smoke.sh <path to vorlach-denoise>}
[[ -x "$program" ]] || { echo "smoke: $program is not an executable" >&2; exit 2; }
for tool in Xvfb xdotool xwininfo import; do
  command -v "$tool" >/dev/null || { echo "smoke: $tool is missing" >&2; exit 2; }
done

screen_w=1600
screen_h=900
title="Vorlach Denoise"

work=$(mktemp -d)
xvfb_pid=
first_pid=
cleanup() {
  for pid in $first_pid $xvfb_pid; do
    if kill -0 "$pid" 2>/dev/null; then
      kill "$pid" 2>/dev/null || true
      wait "$pid" 2>/dev/null || true
    fi
  done
  if [[ -n "${SMOKE_KEEP:-}" && -s "$work/mainwindow.png" ]]; then
    cp "$work/mainwindow.png" "$SMOKE_KEEP" || true
  fi
  rm -rf "$work"
}
trap cleanup EXIT

fail() {
  echo "smoke: FAIL: $*" >&2
  if [[ -s "$work/first.log" ]]; then
    echo "--- program output:" >&2
    cat "$work/first.log" >&2
  fi
  exit 1
}

# A home of its own: no real settings are read or written, and the single-instance key (made
# from the login name) is the one both starts below share.
mkdir -p "$work/home" "$work/runtime"
chmod 700 "$work/runtime"
export HOME="$work/home"
export XDG_CONFIG_HOME="$work/home/.config"
export XDG_DATA_HOME="$work/home/.local/share"
export XDG_CACHE_HOME="$work/home/.cache"
export XDG_RUNTIME_DIR="$work/runtime"
# The single-instance guard keeps its socket and shared-memory key file in the temporary folder:
# one of our own, so that a copy of the program this user runs elsewhere does not take the first
# start over (and answer the second start in its place).
mkdir -p "$work/tmp"
export TMPDIR="$work/tmp"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

# Xvfb picks a free display itself and writes its number to the given descriptor.
exec 3>"$work/display"
Xvfb -displayfd 3 -screen 0 "${screen_w}x${screen_h}x24" -nolisten tcp >"$work/xvfb.log" 2>&1 &
xvfb_pid=$!
exec 3>&-
for _ in $(seq 100); do
  [[ -s "$work/display" ]] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { cat "$work/xvfb.log" >&2; fail "Xvfb did not start"; }
  sleep 0.1
done
[[ -s "$work/display" ]] || fail "Xvfb gave no display"
export DISPLAY=":$(head -n1 "$work/display")"

"$program" >"$work/first.log" 2>&1 &
first_pid=$!

window=
for _ in $(seq 200); do
  window=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1 || true)
  [[ -n "$window" ]] && break
  kill -0 "$first_pid" 2>/dev/null || fail "the program ended before showing its window (is another instance of it running for this user?)"
  sleep 0.1
done
[[ -n "$window" ]] || fail "no window titled \"$title\" appeared"
# Let the first paint happen before looking at the pixels.
sleep 1

info=$(xwininfo -id "$window")
value() { awk -F: -v key="$1" '$1 ~ key { gsub(/ /, "", $2); print $2 }' <<<"$info"; }
width=$(value "^ *Width")
height=$(value "^ *Height")
left=$(value "Absolute upper-left X")
top=$(value "Absolute upper-left Y")
echo "smoke: window $window is ${width}x${height} at ${left},${top} on $DISPLAY"
[[ "$width" == 1171 && "$height" == 644 ]] || fail "window is ${width}x${height}, not 1171x644"
[[ "$left" == $(((screen_w - 1171) / 2)) && "$top" == $(((screen_h - 644) / 2)) ]] ||
  fail "window at ${left},${top} is not centred"

shot="$work/mainwindow.png"
import -window root -crop "${width}x${height}+${left}+${top}" +repage "$shot" ||
  fail "no screenshot could be taken"
[[ -s "$shot" ]] || fail "the screenshot is empty"
# Below the menu bar, away from the page's button and labels, the window shows the stylesheet's
# palette colour.
pixel=$(import -window root -crop "1x1+$((left + 40))+$((top + height - 40))" txt:- | tail -n1)
[[ "$pixel" == *"#222222"* ]] || fail "the page background is not #222222: $pixel"
echo "smoke: screenshot $(stat -c %s "$shot") bytes, background $(grep -o '#[0-9A-F]\{6\}' <<<"$pixel")"

# Gives a window the keyboard focus; xdotool's --sync waits for it without end, so it is bounded.
focus() { timeout 10 xdotool windowfocus --sync "$1" || fail "window $1 did not take the focus"; }

# File > Open by its shortcut brings up the Open dialog; Escape cancels it and leaves the window.
focus "$window"
xdotool key --clearmodifiers ctrl+o
dialog=
for _ in $(seq 100); do
  dialog=$(xdotool search --onlyvisible --name "^Open File\$" 2>/dev/null | head -n1 || true)
  [[ -n "$dialog" ]] && break
  sleep 0.1
done
[[ -n "$dialog" ]] || fail "Ctrl+O brought up no Open dialog"
focus "$dialog"
xdotool key --clearmodifiers Escape
for _ in $(seq 100); do
  xdotool search --onlyvisible --name "^Open File\$" >/dev/null 2>&1 || break
  sleep 0.1
done
xdotool search --onlyvisible --name "^Open File\$" >/dev/null 2>&1 && fail "Escape left the Open dialog open"
kill -0 "$first_pid" 2>/dev/null || fail "the program ended with the Open dialog"
echo "smoke: Ctrl+O opened the Open dialog, Escape closed it"

# A second start of the same user hands over to the first and ends with status 0.
set +e
timeout 20 "$program" >"$work/second.log" 2>&1
second_rc=$?
set -e
[[ $second_rc == 0 ]] || { cat "$work/second.log" >&2; fail "the second start exited with $second_rc"; }
kill -0 "$first_pid" 2>/dev/null || fail "the first instance ended when the second started"
sleep 0.5
xwininfo -id "$window" >/dev/null 2>&1 || fail "the first instance's window is gone"
count=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | wc -l)
[[ $count == 1 ]] || fail "$count windows titled \"$title\" after the second start"
echo "smoke: the second start exited with 0; the first keeps running"

# Quit through the File menu's shortcut.
focus "$window"
xdotool key --clearmodifiers ctrl+q
for _ in $(seq 100); do
  kill -0 "$first_pid" 2>/dev/null || break
  sleep 0.1
done
kill -0 "$first_pid" 2>/dev/null && fail "Ctrl+Q did not close the program"
set +e
wait "$first_pid"
first_rc=$?
set -e
first_pid=
[[ $first_rc == 0 ]] || fail "the program exited with $first_rc"
echo "smoke: Ctrl+Q closed the program (status 0)"
echo "smoke: OK"
