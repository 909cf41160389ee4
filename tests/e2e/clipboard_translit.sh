#!/usr/bin/env bash
# The real program under Xvfb: text goes in through the clipboard (Alt+V),
# F3 converts it, Alt+C copies the result out; then F2 brings it back and
# Esc closes the program.
# Arguments: the lettrica binary. SCREENSHOT=path keeps a picture of the window.
set -euo pipefail
source "$(dirname "$0")/lib/session.sh"

start

convert_via_clipboard 'Щи да, ЖУК! Ёлка' F3 'Schi da, ZhUK! Elka'

[ -n "${SCREENSHOT:-}" ] && import -window root "$SCREENSHOT" || true

# Back again by GOST: Alt+G, then the Latin text through the source pane.
xdotool key --clearmodifiers ctrl+n
xdotool key --clearmodifiers alt+g
convert_via_clipboard 'Shhuka i Jolka' F2 'Щука и Ёлка'

stop
echo "e2e: clipboard round trip passed"
