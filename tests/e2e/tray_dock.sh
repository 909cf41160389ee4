#!/usr/bin/env bash
# The notification area with a real tray host (trayer) and window manager
# (openbox) under Xvfb:
#  - "/t" starts with the window hidden and the icon docked; a click on the
#    icon brings the window back, in front, and takes the icon away;
#  - minimising with the option off leaves an ordinary minimised window;
#  - with [Tray] Min=1 minimising docks the icon; the icon's menu opens the
#    window again, shows the about box without ending the program, and exits;
#  - with no tray host "/t" leaves a minimised window, which goes into the
#    tray once one starts, and comes back if the tray goes away.
# Arguments: the lettrica binary.
set -euo pipefail
source "$(dirname "$0")/lib/session.sh"

openbox --sm-disable >/dev/null 2>&1 &
wm=$!
tray=""
cleanup() {
  [ -n "${pid:-}" ] && kill "$pid" 2>/dev/null || true
  [ -n "$tray" ] && kill "$tray" 2>/dev/null || true
  kill "$wm" 2>/dev/null || true
  rm -rf "$LETTRICA_HOME"
}
trap cleanup EXIT

# Polls a condition (shell code, evaluated anew each time) for up to ten seconds.
wait_for() {
  for _ in $(seq 1 100); do
    eval "$2" && return 0
    sleep 0.1
  done
  fail "$1"
}

panel() { xdotool search --classname '^panel$' 2>/dev/null | awk 'NR == 1'; }
start_tray() {
  trayer --edge top --align right --widthtype pixel --width 120 --height 26 \
    --SetDockType true --transparent false >"$LETTRICA_HOME/trayer.log" 2>&1 &
  tray=$!
  # The first GTK program of a session may rebuild the font cache first.
  for _ in $(seq 1 300); do
    [ -n "$(panel)" ] && return 0
    sleep 0.1
  done
  fail "trayer did not start: $(cat "$LETTRICA_HOME/trayer.log")"
}
stop_tray() {
  kill "$tray"
  wait "$tray" 2>/dev/null || true
  tray=""
}

# The program's icon as a window inside the tray, if docked.
docked_icon() {
  local p
  p=$(panel)
  [ -n "$p" ] && xwininfo -tree -id "$p" | awk '/\("lettrica" "Lettrica"\)/ && !f {f = $1} END {if (f) print f}'
}
icon_docked() {
  local icon
  icon=$(docked_icon)
  [ -n "$icon" ] && grep -q 'Map State: IsViewable' <<<"$(xwininfo -id "$icon")"
}
icon_gone() { test -z "$(docked_icon)"; }

main_window() { xdotool search --name '^ Lettrica$' 2>/dev/null | awk 'NR == 1'; }
# Normal, Iconic or Withdrawn, as the window manager sees the window.
wm_state() { xprop -id "$1" WM_STATE 2>/dev/null | awk '/window state/ {print $3}'; }
state_is() { [ -n "$(main_window)" ] && [ "$(wm_state "$(main_window)")" = "$1" ]; }
hidden() {
  local w s
  w=$(main_window)
  [ -z "$w" ] && return 0
  s=$(wm_state "$w")
  [ "$s" != Normal ] && [ "$s" != Iconic ]
}
in_front() { [ "$(xdotool getactivewindow 2>/dev/null)" = "$(main_window)" ]; }

launch() {
  "$app" "$@" &
  pid=$!
}
click_icon() {
  local icon x y w h
  icon=$(docked_icon)
  eval "$(xdotool getwindowgeometry --shell "$icon")"
  # From elsewhere onto the icon, so that it sees the pointer arrive.
  xdotool mousemove 0 500 mousemove $((X + WIDTH / 2)) $((Y + HEIGHT / 2)) click "${1:-1}"
}
# Clicks the icon until `effect` (shell code) holds: right after docking, a
# click can land while the tray is still laying the icon out.
click_icon_until() {
  for _ in 1 2 3 4 5; do
    click_icon "$1"
    for _ in $(seq 1 20); do
      eval "$2" && return 0
      sleep 0.1
    done
  done
  return 1
}
# A pop-up menu is a window the window manager does not manage.
menu_open() {
  local icon
  icon=$(printf '%d' "$(docked_icon)")
  grep -q 'Override Redirect State: yes' <<<"$(xdotool search --onlyvisible --classname lettrica 2>/dev/null |
    grep -vx "$icon" | while read -r w; do xwininfo -all -id "$w"; done)"
}
about_shown() { test -n "$(xdotool search --onlyvisible --name '^About Lettrica$' 2>/dev/null)"; }
# Chooses the n-th item of the icon's menu with the keyboard.
tray_menu() {
  click_icon_until 3 menu_open || fail "the icon's menu did not open (for item $1)"
  xdotool key --delay 50 $(for _ in $(seq 1 "$1"); do printf 'Down '; done) Return
}
ini_has() { tr -d '\r' < "$LETTRICA_HOME/lettrica.ini" | grep -x "$1" >/dev/null; }
quit_through_tray() {
  tray_menu 4
  for _ in $(seq 1 100); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
  kill -0 "$pid" 2>/dev/null && fail "\"Выход\" in the icon's menu did not end the program"
  wait "$pid" || fail "the program exited with status $?"
}

# "/t" with a tray: hidden, docked; a click brings the window back in front.
start_tray
launch /t
wait_for "/t: the icon did not dock" icon_docked
hidden || fail "/t: the main window is shown"
click_icon_until 1 'state_is Normal' || fail "a click on the icon did not show the window"
wait_for "the window did not come to the front" in_front
wait_for "the icon stayed in the tray after the click" icon_gone
grep -q 'Icon (32 x 32)' <<<"$(xprop -id "$(main_window)" _NET_WM_ICON)" || fail "the window does not show the program's icon"

# Option off: an ordinary minimised window, no icon. The window is restored
# afterwards; had it gone into the tray, it could not be.
xdotool windowminimize --sync "$(main_window)"
wait_for "minimising did not minimise" 'state_is Iconic'
xdotool windowactivate --sync "$(main_window)"
wait_for "the minimised window could not be restored" 'state_is Normal'
icon_gone || fail "minimising with the option off docked the icon"
stop
ini_has "Min=0" || fail "lettrica.ini has no Min=0"

# Option on (as stored): minimising docks; the menu's about box leaves the
# program running; "Открыть Lettrica" restores; "Выход" ends it from the tray.
printf '[Tray]\r\nMin=1\r\n' > "$LETTRICA_HOME/lettrica.ini"
start
xdotool windowminimize --sync "$window"
wait_for "minimising with Min=1 did not dock the icon" icon_docked
wait_for "minimising with Min=1 left the window on the task bar" hidden
tray_menu 3
wait_for "the about box did not show" about_shown
xdotool key Return
wait_for "the about box did not close" '! about_shown'
kill -0 "$pid" 2>/dev/null || fail "closing the about box ended the program"
icon_docked || fail "the icon left the tray with the about box"
tray_menu 1
wait_for "\"Открыть Lettrica\" did not show the window" 'state_is Normal'
wait_for "the icon stayed after \"Открыть Lettrica\"" icon_gone
xdotool windowminimize --sync "$(main_window)"
wait_for "minimising again did not dock the icon" icon_docked
quit_through_tray
ini_has "Min=1" || fail "lettrica.ini lost Min=1"

# No tray host: "/t" leaves a minimised window; the tray, once it starts,
# takes it; when the tray goes away, the window comes back minimised.
stop_tray
printf '[Tray]\r\nMin=0\r\n' > "$LETTRICA_HOME/lettrica.ini"
launch /t
wait_for "/t without a tray left no window" 'state_is Iconic'
start_tray
wait_for "the icon did not dock when a tray appeared" icon_docked
wait_for "the window stayed on the task bar when a tray appeared" hidden
stop_tray
wait_for "the window did not come back when the tray went away" 'state_is Iconic'
xdotool windowactivate --sync "$(main_window)"
wait_for "the window could not be restored" 'state_is Normal'
window=$(main_window)
xdotool windowfocus --sync "$window"
stop
echo "e2e: tray icon, start-up switch and minimising"
