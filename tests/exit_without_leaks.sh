#!/usr/bin/env bash
# Runs the real program (a sanitizer build) on a private X server and ends it
# the ways a user does, checking each time that it exits with status 0 and
# that neither AddressSanitizer, LeakSanitizer nor UndefinedBehaviorSanitizer
# reported anything. LeakSanitizer looks when the process exits, so this is
# the check that the program leaks nothing at exit.
#
#   1. With its lists: Random, Copy, About, then File > Exit.
#   2. Without list2.dat: the missing-files message, closed with Return.
#
# usage: exit_without_leaks.sh PROGRAM   (its phrase lists lie beside it)
set -euo pipefail

program=${1:?usage: $0 PROGRAM}
lists=$(dirname "$program")
scratch=$(mktemp -d)
xvfb_pid=
program_pid=
cleanup() {
  [ -n "$program_pid" ] && kill -KILL "$program_pid" 2>/dev/null || true
  [ -n "$xvfb_pid" ] && kill -TERM "$xvfb_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT

fail() {
  echo "FAIL: $*" >&2
  if [ -s "$scratch/stderr" ]; then
    echo "--- the program's standard error:" >&2
    cat "$scratch/stderr" >&2
  fi
  exit 1
}

# wait_for SECONDS WHAT COMMAND...: runs COMMAND every 50 ms until it succeeds.
wait_for() {
  local seconds=$1 what=$2
  shift 2
  local deadline=$((SECONDS + seconds))
  until "$@" >/dev/null 2>&1; do
    [ "$SECONDS" -lt "$deadline" ] || fail "timed out after ${seconds} s waiting for $what"
    sleep 0.05
  done
}

for tool in Xvfb xdotool xclip; do
  command -v "$tool" >/dev/null || fail "$tool is missing (scripts/deps test installs it)"
done

# An X server of its own on a display number it picks itself.
Xvfb -displayfd 3 -nolisten tcp -noreset -screen 0 1024x768x24 \
  3>"$scratch/display" </dev/null >/dev/null 2>&1 &
xvfb_pid=$!
wait_for 20 "Xvfb to report its display" grep -q . "$scratch/display"
export DISPLAY=":$(head -n1 "$scratch/display")"
export QT_QPA_PLATFORM=xcb
export HOME="$scratch" XDG_RUNTIME_DIR="$scratch/runtime" XDG_CONFIG_HOME="$scratch/config"
mkdir -m 700 "$XDG_RUNTIME_DIR"

window_of() {
  xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1
}
has_window() { [ -n "$(window_of "$1")" ]; }
menu_open() {
  # The menu is a second window of the program's, without a title of its own.
  [ "$(xdotool search --onlyvisible --class '^fibwright$' 2>/dev/null | wc -l)" -ge 2 ]
}
exited() { ! kill -0 "$program_pid" 2>/dev/null; }

# start FOLDER: runs a copy of the program from FOLDER, with the lists there.
start() {
  cp "$program" "$1/fibwright"
  "$1/fibwright" </dev/null >"$scratch/stdout" 2>"$scratch/stderr" &
  program_pid=$!
}

# finish HOW: waits for the program to end and checks how it ended.
finish() {
  wait_for 60 "the program to end after $1" exited
  local status=0
  wait "$program_pid" || status=$?
  program_pid=
  if grep -Eq 'ERROR: (AddressSanitizer|LeakSanitizer)|runtime error:|SUMMARY: UndefinedBehaviorSanitizer' \
    "$scratch/stderr"; then
    fail "a sanitizer reported a fault after $1"
  fi
  [ "$status" -eq 0 ] || fail "the program exited with status $status after $1"
  echo "PASS: $1: status 0, no sanitizer report"
}

# 1. The window, used a little, then File > Exit.
mkdir "$scratch/complete"
cp "$lists"/list[1-4].dat "$scratch/complete/"
start "$scratch/complete"
wait_for 60 "the main window" has_window 'Fibwright 1.0 By Mogrith'
window=$(window_of 'Fibwright 1.0 By Mogrith')
xdotool mousemove --sync --window "$window" 200 100
xdotool windowfocus --sync "$window"
echo -n sentinel | xclip -selection clipboard -i
xdotool key --clearmodifiers alt+r alt+c
copied() {
  local text
  text=$(timeout 5 xclip -selection clipboard -o 2>/dev/null) || return 1
  [ -n "$text" ] && [ "$text" != sentinel ]
}
wait_for 20 "Random and Copy to put a sentence on the clipboard" copied
xdotool key --clearmodifiers alt+a
wait_for 20 "the About box" has_window 'Fibwright by Mogrith'
xdotool windowfocus --sync "$(window_of 'Fibwright by Mogrith')"
xdotool key Return
about_closed() { ! has_window 'Fibwright by Mogrith'; }
wait_for 20 "the About box to close" about_closed
has_window 'Fibwright 1.0 By Mogrith' || fail "the window went with the About box"
xdotool windowfocus --sync "$window"
# Open the menu with the mouse, pick its first item by keyboard.
xdotool mousemove --sync --window "$window" 14 9 click 1
wait_for 20 "the File menu" menu_open
xdotool key Down Return
finish "File > Exit"

# 2. The missing-files message, closed with its OK button's Return.
mkdir "$scratch/incomplete"
cp "$lists"/list[134].dat "$scratch/incomplete/"
start "$scratch/incomplete"
wait_for 60 "the missing-files message" has_window 'Fibwright'
xdotool windowfocus --sync "$(window_of 'Fibwright')"
xdotool key Return
finish "the missing-files message"
