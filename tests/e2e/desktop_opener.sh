#!/usr/bin/env bash
# What the information commands hand to the desktop: a recording xdg-open
# stands first in PATH. F1 shows the manual beside the program in the
# program's own help window, never through the opener (which, on a desktop
# without a browser, gives HTML to a plain-text handler); Esc closes it and
# only it. Ctrl+H opens the web site, Ctrl+M a letter with the subject
# "Lettrica 2.7"; Ctrl+Alt+A shows the about box. A copy of the program with
# no manual beside it shows nothing on F1 (Ctrl+H afterwards shows the opener
# is still reached).
# Arguments: the lettrica binary.
set -euo pipefail
source "$(dirname "$0")/lib/session.sh"

bin=$LETTRICA_HOME/bin
mkdir -p "$bin"
opened=$LETTRICA_HOME/opened
: > "$opened"
cat > "$bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >> "$opened"
EOF
chmod +x "$bin/xdg-open"
export PATH=$bin:$PATH

# Waits until the record holds n lines.
wait_opened() {
  for _ in $(seq 1 100); do
    [ "$(wc -l < "$opened")" -ge "$1" ] && return 0
    sleep 0.1
  done
  fail "the desktop's opener was called $(wc -l < "$opened") times, expected $1: $(cat "$opened")"
}
line() { sed -n "${1}p" "$opened"; }

start
xdotool key F1
help=$(visible_window '^Lettrica — справка$')
[ -n "$help" ] || fail "F1 showed no help window"
xdotool windowfocus --sync "$help"
xdotool key Escape
for _ in $(seq 1 50); do
  [ -z "$(xdotool search --onlyvisible --name 'справка' 2>/dev/null)" ] && break
  sleep 0.1
done
[ -z "$(xdotool search --onlyvisible --name 'справка' 2>/dev/null)" ] && kill -0 "$pid" 2>/dev/null ||
  fail "Esc in the help window left it open or closed the program"
xdotool windowfocus --sync "$window"
xdotool key --clearmodifiers ctrl+h
wait_opened 1
[ "$(line 1)" = "https://lettrica.org/" ] || fail "Ctrl+H opened '$(line 1)' (F1 must not reach the opener)"
xdotool key --clearmodifiers ctrl+m
wait_opened 2
[ "$(line 2)" = "mailto:support@lettrica.org?subject=Lettrica%202.7" ] || fail "Ctrl+M opened '$(line 2)'"

xdotool key --clearmodifiers ctrl+alt+a
about=$(visible_window '^About Lettrica$')
[ -n "$about" ] || fail "Ctrl+Alt+A showed no about box"
xdotool windowfocus --sync "$about"
xdotool key Return
xdotool windowfocus --sync "$window"
stop

# The same program without a manual beside it.
cp "$app" "$LETTRICA_HOME/lettrica"
app=$LETTRICA_HOME/lettrica
: > "$opened"
start
xdotool key F1
xdotool key --clearmodifiers ctrl+h
xdotool key --clearmodifiers ctrl+m
wait_opened 2
! grep -q help.html "$opened" || fail "without a manual F1 still opened: $(cat "$opened")"
[ -z "$(xdotool search --onlyvisible --name 'справка' 2>/dev/null)" ] || fail "without a manual F1 still showed a window"
stop
echo "e2e: help, web site, letter and about"
