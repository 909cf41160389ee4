#!/usr/bin/env bash
# The real program under Xvfb: a page pasted from a browser (HTML, a bold
# word) whose text was read in the wrong code page goes in with Alt+V,
# Shift+F5 repairs it, Alt+C copies the result out; then a line typed on
# the wrong layout, Shift+F6. Arguments: the lettrica binary.
set -euo pipefail
source "$(dirname "$0")/lib/session.sh"

start

clip_out() { xclip -selection clipboard -o 2>/dev/null || true; }
expect_clip() {
  local want=$1 got=""
  for _ in $(seq 1 50); do
    got=$(clip_out)
    [ "$got" = "$want" ] && return 0
    sleep 0.1
  done
  fail "clipboard holds '$got', expected '$want'"
}

printf '%s' '<html><body><p>РџСЂРёРІРµС‚, <b>РјРёСЂ</b>!</p><p>Этот абзац в порядке.</p></body></html>' |
  xclip -selection clipboard -t text/html -i
xdotool key --clearmodifiers alt+v
sleep 0.3
xdotool key --clearmodifiers shift+F5
sleep 0.5
xdotool key --clearmodifiers alt+c
expect_clip "$(printf 'Привет, мир!\nЭтот абзац в порядке.')"

xdotool key --clearmodifiers ctrl+n
printf '%s' 'ghbdtn? rfr ltkf' | xclip -selection clipboard -i
xdotool key --clearmodifiers alt+v
sleep 0.3
xdotool key --clearmodifiers shift+F6
sleep 0.5
xdotool key --clearmodifiers alt+c
expect_clip 'привет, как дела'

stop
echo "e2e: repair through the clipboard passed"
