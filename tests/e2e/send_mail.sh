#!/usr/bin/env bash
# The real program under Xvfb sends a pane by e-mail to the real SMTP server
# of the mail tests on loopback: text typed into the source pane, Ctrl+E,
# the address typed, Enter, and the box that reports the send, closed by
# Enter. The server must hold the one message, the book the address.
# Arguments: the lettrica binary. SCREENSHOT=path keeps a picture of the box.
set -euo pipefail
source "$(dirname "$0")/lib/session.sh"

here=$(cd "$(dirname "$0")" && pwd)
out=$LETTRICA_HOME/server
mkdir -p "$out"
# The redirection happens in the background child: make the file exist before
# the loop below reads it.
: > "$out/stdout"
/usr/bin/python3 "$here/../mail/smtp_server.py" --out "$out" > "$out/stdout" 2> "$out/stderr" &
server=$!
trap 'kill "$server" 2>/dev/null || true; rm -rf "$LETTRICA_HOME"' EXIT
port=""
for _ in $(seq 1 100); do
  port=$(sed -n 's/^READY //p' "$out/stdout")
  [ -n "$port" ] && break
  sleep 0.1
done
[ -n "$port" ] || fail "the SMTP server did not start: $(cat "$out/stderr")"

printf '[Email]\r\nmhost=127.0.0.1\r\nmport=%s\r\nmUserName=Lettrica Test\r\nmEmail=sender@example.org\r\nmTimeOut=10\r\n' \
  "$port" > "$LETTRICA_HOME/lettrica.ini"

# Waits for a window named exactly $1 other than the main window; sets `found`.
wait_window() {
  found=""
  for _ in $(seq 1 100); do
    found=$(xdotool search --name "^$1\$" 2>/dev/null | grep -vx "$window" | head -n 1 || true)
    [ -n "$found" ] && return 0
    sleep 0.1
  done
  fail "no window \"$1\" appeared"
}

start
xdotool type --delay 20 'Hello from the window'
xdotool key --clearmodifiers ctrl+e
wait_window ' Email/SMS\.\.\.'
xdotool windowfocus --sync "$found"
xdotool type --delay 20 'reader@example.org'
xdotool key Return

# The box comes only after the server took the message (a failure would
# leave it without one); its text is checked offscreen by the app tests.
wait_window ' Lettrica'
box=$found
[ -n "${SCREENSHOT:-}" ] && import -window root "$SCREENSHOT" || true
xdotool windowfocus --sync "$box"
xdotool key Return
gone=""
for _ in $(seq 1 50); do
  xdotool search --onlyvisible --name '^ Lettrica$' 2>/dev/null | grep -qx "$box" || { gone=1; break; }
  sleep 0.1
done
[ -n "$gone" ] || fail "Enter did not close the box"
xdotool windowfocus --sync "$window"
stop

# One message, to the typed address, with the typed text.
messages=$(grep -c '"event": "message"' "$out/events.jsonl" || true)
[ "$messages" = 1 ] || fail "the server holds $messages messages"
/usr/bin/python3 - "$out/events.jsonl" <<'EOF' || fail "the stored message is not the one sent"
import json, sys
m = [e for e in map(json.loads, open(sys.argv[1], encoding="utf-8")) if e["event"] == "message"][0]
assert m["rcpt_tos"] == ["reader@example.org"], m["rcpt_tos"]
assert m["mail_from"] == "sender@example.org", m["mail_from"]
assert m["subject"] == "From Lettrica Test", m["subject"]
assert m["body"] == "Hello from the window\r\n\r\n", repr(m["body"])
EOF
tr -d '\r' < "$LETTRICA_HOME/email.dat" | grep -qx 'reader@example.org' || fail "email.dat lacks the address"
echo "e2e: a pane sent by e-mail from the window"
