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
  xdotool key --clearmodifiers "$key"
  copy_until_changed alt+c
  expect_clip "$want"
}

# Right paragraphs in other languages stay as they are beside the repaired one.
page='<html><body><p>РџСЂРёРІРµС‚, <b>РјРёСЂ</b>!</p><p>Этот абзац в порядке.</p>
<p>Le café est très bon.</p><p>Назив/унос није јединствен</p></body></html>'
printf '%s' "$page" | xclip -selection clipboard -t text/html -i
expect_clip "$page" text/html
repair shift+F5 "$(printf 'Привет, мир!\nЭтот абзац в порядке.\nLe café est très bon.\nНазив/унос није јединствен')"

xdotool key --clearmodifiers ctrl+n
printf '%s' 'ghbdtn? rfr ltkf' | xclip -selection clipboard -i
expect_clip 'ghbdtn? rfr ltkf'
repair shift+F6 'привет, как дела'

stop
echo "e2e: repair through the clipboard passed"
