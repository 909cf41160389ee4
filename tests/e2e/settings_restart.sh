#!/usr/bin/env bash
# The real program under Xvfb keeps its window and options across a restart:
# the window is moved and resized, GOST, no word wrap and the automatic
# volume are chosen, Esc closes it; started again, it comes back the same.
# Arguments: the lettrica binary. SCREENSHOT=path keeps a picture of the restart.
set -euo pipefail
source "$(dirname "$0")/lib/session.sh"

geometry() { xwininfo -id "$window" | awk '/Absolute upper-left X/{x=$4} /Absolute upper-left Y/{y=$4} /Width/{w=$2} /Height/{h=$2} END{print x","y" "w"x"h}'; }
ini() { tr -d '\r' < "$LETTRICA_HOME/lettrica.ini" | grep -x "$1" >/dev/null || fail "lettrica.ini has no line $1"; }

start
xdotool windowmove --sync "$window" 120 90
xdotool windowsize --sync "$window" 760 560
for _ in $(seq 1 50); do [ "$(geometry)" = "120,90 760x560" ] && break; sleep 0.1; done
moved=$(geometry)
[ "$moved" = "120,90 760x560" ] || fail "the window is at $moved after moving it"
xdotool key --clearmodifiers alt+g
xdotool key --clearmodifiers alt+b
xdotool key --clearmodifiers ctrl+shift+v
stop

ini "Left=120"; ini "Top=90"; ini "Width=760"; ini "Height=560"
ini "Table=1"; ini "Perenos=0"; ini "AutoV=1"
[ "$(stat -c %a "$LETTRICA_HOME/lettrica.ini")" = 600 ] || fail "lettrica.ini is readable by others"

start
again=$(geometry)
[ "$again" = "$moved" ] || fail "restarted at $again, closed at $moved"
[ -n "${SCREENSHOT:-}" ] && import -window root "$SCREENSHOT" || true
stop
# Nothing changed, so the file says the same.
ini "Left=120"; ini "Width=760"; ini "Table=1"; ini "Perenos=0"; ini "AutoV=1"
echo "e2e: settings kept across a restart"
