#!/usr/bin/env bash
# The real program under Xvfb: text goes in through the clipboard (Alt+V),
# F3 converts it, Alt+C copies the result out; then F2 brings it back and
# Esc closes the program.
# Arguments: the lettrica binary. SCREENSHOT=path keeps a picture of the window.
set -euo pipefail
source "$(dirname "$0")/lib/session.sh"

start

clip_in() { printf '%s' "$1" | xclip -selection clipboard -i; }

clip_in 'Щи да, ЖУК! Ёлка'
xdotool key --clearmodifiers alt+v
sleep 0.3
xdotool key F3
sleep 0.5
xdotool key --clearmodifiers alt+c
expect_clip 'Schi da, ZhUK! Elka'

[ -n "${SCREENSHOT:-}" ] && import -window root "$SCREENSHOT" || true

# Back again by GOST: Alt+G, then the Latin text through the source pane.
xdotool key --clearmodifiers ctrl+n
clip_in 'Shhuka i Jolka'
xdotool key --clearmodifiers alt+g
xdotool key --clearmodifiers alt+v
sleep 0.3
xdotool key F2
sleep 0.5
xdotool key --clearmodifiers alt+c
expect_clip 'Щука и Ёлка'

stop
echo "e2e: clipboard round trip passed"
