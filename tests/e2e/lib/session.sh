# Shared by the end-to-end scripts: runs the calling script under Xvfb with a
# fresh settings directory, and starts and stops the program.
# Source it with the lettrica binary as $1; it sets `app`.

app=$1
if [ -z "${LETTRICA_E2E_INNER:-}" ]; then
  # A display number of its own: a server that is just closing may still hold a low one.
  # -noreset: the server must not reset (and refuse connections) when the
  # program closes and is started again.
  exec xvfb-run -a -n $((100 + RANDOM % 800)) -s "-noreset -screen 0 1280x1024x24" env LETTRICA_E2E_INNER=1 bash "$0" "$@"
fi

LETTRICA_HOME=$(mktemp -d)
export LETTRICA_HOME
export XDG_CONFIG_HOME=$LETTRICA_HOME/config
trap 'rm -rf "$LETTRICA_HOME"' EXIT

fail() { echo "FAIL: $*" >&2; exit 1; }

# Starts the program; sets `pid` and `window` and gives the window the focus.
start() {
  "$app" "$@" &
  pid=$!
  window=""
  for _ in $(seq 1 100); do
    window=$(xdotool search --onlyvisible --name '^ Lettrica$' 2>/dev/null | head -n 1 || true)
    [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || fail "the main window did not appear"
  xdotool windowfocus --sync "$window"
}

# Starts openbox and waits until it manages the screen; sets `wm`.
start_window_manager() {
  openbox --sm-disable >/dev/null 2>&1 &
  wm=$!
  for _ in $(seq 1 100); do
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
    sleep 0.1
  done
  fail "openbox did not start"
}

# With no window manager, the X focus may fall back on our window when a
# window over it closes, and the program never hears that it is active again:
# move the focus away and back so that it does.
# Waits (ten seconds at most) for the window `gone` to be hidden first.
give_focus() {
  local gone=${2:-}
  if [ -n "$gone" ]; then
    for _ in $(seq 1 200); do
      xdotool search --onlyvisible --name '.' 2>/dev/null | grep -qx "$gone" || break
      sleep 0.05
    done
  fi
  xdotool windowfocus "$(xwininfo -root | awk '/Window id:/ {print $4}')"
  xdotool windowfocus --sync "$1"
}

# Waits for a dialog just asked for to take the focus from the main window;
# prints its id.
focused_dialog() {
  local dialog=""
  for _ in $(seq 1 100); do
    dialog=$(xdotool getwindowfocus 2>/dev/null || true)
    [ -n "$dialog" ] && [ "$dialog" != "$window" ] && break
    dialog=""
    sleep 0.1
  done
  [ -n "$dialog" ] || fail "no dialog came"
  printf '%s' "$dialog"
}

# Esc must close the program, and it must exit cleanly.
stop() {
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
}

# Puts `text` in the source pane through the clipboard (Alt+V), runs the
# command on `key`, copies the result out (Alt+C) and expects `want` there,
# which must differ from `text`. The program takes its keys in the order
# they come, so Alt+V is done before the command starts.
convert_via_clipboard() {
  local text=$1 key=$2 want=$3
  printf '%s' "$text" | xclip -selection clipboard -i
  expect_clip "$text"
  xdotool key --clearmodifiers alt+v
  xdotool key --clearmodifiers "$key"
  copy_until_changed alt+c
  expect_clip "$want"
}

# Presses `keys` (a copy) until the clipboard's text is no longer what it was:
# Alt+C is off while a command runs, so a copy asked for too early is asked
# again. Nothing may be waiting to paste from the clipboard meanwhile.
# COPY_TRIES (30, about a second each) bounds the wait.
copy_until_changed() {
  local before
  before=$(clip_out)
  for _ in $(seq 1 "${COPY_TRIES:-30}"); do
    xdotool key --clearmodifiers "$@"
    for _ in $(seq 1 10); do
      [ "$(clip_out)" != "$before" ] && return 0
      sleep 0.1
    done
  done
  fail "$* copied nothing new"
}
# Copies the result pane out with Alt+C once no command runs.
copy_result() {
  printf 'stale' | xclip -selection clipboard -i
  expect_clip stale
  copy_until_changed alt+c
}

# Waits up to ten seconds (or `seconds`) for a shown window whose title
# matches the pattern, other than the window `except`; prints its id, or
# nothing.
visible_window() {
  local pattern=$1 except=${2:-} seconds=${3:-10} found=""
  for _ in $(seq 1 $((seconds * 20))); do
    found=$(xdotool search --onlyvisible --name "$pattern" 2>/dev/null | grep -vx "${except:-none}" | head -n 1 || true)
    [ -n "$found" ] && break
    sleep 0.05
  done
  printf '%s' "$found"
}

# The clipboard's text, or its content of another type (text/html).
clip_out() { xclip -selection clipboard ${1:+-t "$1"} -o 2>/dev/null || true; }
# Waits until the clipboard holds the expected text (of the type given).
expect_clip() {
  local want=$1 type=${2:-} got=""
  for _ in $(seq 1 50); do
    got=$(clip_out "$type")
    [ "$got" = "$want" ] && return 0
    sleep 0.1
  done
  fail "clipboard holds '$got', expected '$want'"
}
