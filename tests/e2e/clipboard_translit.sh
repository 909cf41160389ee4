#!/usr/bin/env bash
# The real program under Xvfb: text goes in through the clipboard (Alt+V),
# F3 converts it, Alt+C copies the result out; then F2 brings it back and
# Esc closes the program.
# Arguments: the lettrica binary. SCREENSHOT=path keeps a picture of the window.
set -euo pipefail
app=$1

if [ -z "${LETTRICA_E2E_INNER:-}" ]; then
  exec xvfb-run -a -s "-screen 0 1024x768x24" env LETTRICA_E2E_INNER=1 bash "$0" "$@"
fi

export LETTRICA_HOME=$(mktemp -d)
export XDG_CONFIG_HOME=$LETTRICA_HOME/config
trap 'rm -rf "$LETTRICA_HOME"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

"$app" &
pid=$!

window=""
for _ in $(seq 1 100); do
  window=$(xdotool search --name '^ Lettrica$' 2>/dev/null | head -n 1 || true)
  [ -n "$window" ] && break
  sleep 0.1
done
[ -n "$window" ] || fail "the main window did not appear"
sleep 0.5
xdotool windowfocus --sync "$window"

clip_in() { printf '%s' "$1" | xclip -selection clipboard -i; }
clip_out() { xclip -selection clipboard -o 2>/dev/null || true; }
# Waits until the clipboard holds the expected text.
expect_clip() {
  local want=$1 got=""
  for _ in $(seq 1 50); do
    got=$(clip_out)
    [ "$got" = "$want" ] && return 0
    sleep 0.1
  done
  fail "clipboard holds '$got', expected '$want'"
}

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

xdotool key Escape
for _ in $(seq 1 50); do
  kill -0 "$pid" 2>/dev/null || break
  sleep 0.1
done
if kill -0 "$pid" 2>/dev/null; then
  kill "$pid"
  fail "Esc did not close the program"
fi
wait "$pid" || fail "the program exited with status $?"
echo "e2e: clipboard round trip passed"
