#!/usr/bin/env bash
# How long the real window leaves the user waiting with a big text, measured
# from outside: under Xvfb with no window manager, ping_wait sends
# _NET_WM_PING every 20 ms and takes the longest wait for the answer in each
# step: Ctrl+O of FILE into the source pane, scrolling to the end, typing
# there, F3, Ctrl+S of the result as TXT. A step ends when the program has
# used no processor time for a second; its time, the program's memory then
# and its peak so far are given beside the wait.
#   ping_bench.sh LETTRICA PING_WAIT FILE
set -euo pipefail
# Xvfb with no window manager, a settings directory of its own, and start().
source "$(dirname "$0")/../../e2e/lib/session.sh"
ping=$2 file=$(realpath "$3")
work=$(mktemp -d)
export PING_PHASE_FILE=$work/phase
# Both dialogs at the TXT filters: Open into the source pane, Save the result.
printf '[File]\r\nOpen=1\r\nSave=3\r\n' > "$LETTRICA_HOME/lettrica.ini"
echo start > "$PING_PHASE_FILE"
"$ping" " Lettrica" > "$work/pings" &
pinger=$!
trap 'kill $pinger 2>/dev/null || true; kill $pid 2>/dev/null || true; rm -rf "$work" "$LETTRICA_HOME"' EXIT
sleep 0.5  # ping_wait takes the root window's redirect mask before the window maps
start

ticks() { awk '{print $14 + $15}' "/proc/$pid/stat"; }
memory() { awk '/VmRSS|VmHWM/ {printf "%s %d MB  ", $1, $2 / 1024}' "/proc/$pid/status"; }
started=0
# Names the step that begins now.
step() {
  echo "$1" > "$PING_PHASE_FILE"
  started=$(date +%s%N)
}
# Waits until the program has been idle for a second (answering the pings
# takes a tick now and then), then reports the step.
idle() {
  local before after
  before=$(ticks)
  while sleep 1; after=$(ticks); [ $((after - before)) -gt 2 ]; do before=$after; done
  local ms=$(( ($(date +%s%N) - started) / 1000000 - 1000 ))
  kill -USR1 $pinger
  sleep 0.2
  printf '%-10s %7d ms   %s\n' "$(cat "$PING_PHASE_FILE")" "$ms" "$(memory)"
}
# Types a full path into the file dialog that has just been asked for.
answer_dialog() {
  focused_dialog > /dev/null
  xdotool type --delay 5 "$1"
  step "$2"
  xdotool key Return
}

kill -USR1 $pinger  # the start, not counted
xdotool key --clearmodifiers ctrl+o
answer_dialog "$file" open
idle
give_focus "$window"  # no window manager gives it back after the dialog
step scroll
xdotool key --clearmodifiers ctrl+End Prior Prior Prior ctrl+Home Next Next
idle
step type
xdotool key --clearmodifiers ctrl+End
xdotool type --delay 20 "abcdef ghijk"
idle
step F3
xdotool key F3
idle
xdotool key --clearmodifiers ctrl+s
answer_dialog "$work/result.txt" save
idle
ls -l "$work/result.txt" 2>/dev/null | awk '{printf "saved %d MB\n", $5 / 1e6}' || echo "nothing saved"
echo end > "$PING_PHASE_FILE"
kill $pinger
wait $pinger || true
echo "longest wait for an answer to _NET_WM_PING, by step:"
grep -v "phase start\|phase end" "$work/pings"
