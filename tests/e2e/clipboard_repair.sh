#!/usr/bin/env bash
# The real program under Xvfb: a page pasted from a browser (HTML, a bold
# word) whose text was read in the wrong code page, beside right French and
# Serbian, goes in with Alt+V,
# Shift+F5 repairs it, Alt+C copies the result out; then a line typed on
# the wrong layout, Shift+F6. Arguments: the lettrica binary.
set -euo pipefail
source "$(dirname "$0")/lib/session.sh"

start

# Pastes what the clipboard holds (Alt+V), presses `key`, copies the result
# pane out (Alt+C) and checks it.
repair() {
  local key=$1 want=$2
  xdotool key --clearmodifiers alt+v
  sleep 0.3
  xdotool key --clearmodifiers "$key"
  sleep 0.5
  xdotool key --clearmodifiers alt+c
  expect_clip "$want"
}

# Right paragraphs in other languages stay as they are beside the repaired one.
printf '%s' '<html><body><p>РџСЂРёРІРµС‚, <b>РјРёСЂ</b>!</p><p>Этот абзац в порядке.</p>
<p>Le café est très bon.</p><p>Назив/унос није јединствен</p></body></html>' |
  xclip -selection clipboard -t text/html -i
repair shift+F5 "$(printf 'Привет, мир!\nЭтот абзац в порядке.\nLe café est très bon.\nНазив/унос није јединствен')"

xdotool key --clearmodifiers ctrl+n
printf '%s' 'ghbdtn? rfr ltkf' | xclip -selection clipboard -i
repair shift+F6 'привет, как дела'

stop
echo "e2e: repair through the clipboard passed"
