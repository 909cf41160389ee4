#!/usr/bin/env bash
# The real program under Xvfb with LibreOffice on both sides: Ctrl+O of an RTF
# that LibreOffice wrote (our formatted.fodt), F3, Ctrl+S of the result as
# RTF, and LibreOffice opens that file with the Latin text and the bold.
# Arguments: the lettrica binary. SCREENSHOT=path keeps a picture of the window.
set -euo pipefail
source "$(dirname "$0")/lib/session.sh"
data=$(cd "$(dirname "$0")/../data/rtf" && pwd)

work=$(mktemp -d)
trap 'rm -rf "$work" "$LETTRICA_HOME"' EXIT
soffice_to() {  # format, output folder, input
  soffice -env:UserInstallation="file://$work/profile" --headless --convert-to "$1" --outdir "$2" "$3" \
    > "$work/soffice.log" 2>&1 || { cat "$work/soffice.log"; fail "soffice could not convert $3"; }
}
soffice_to rtf "$work/in" "$data/formatted.fodt"

# Answers the file dialog that has just been asked for: waits for it to take
# the focus, types a full path into its name field (which has the focus) and
# Return, waits until it is gone and gives the main window the focus again
# (the name field's completion list may linger a moment).
answer_file_dialog() {
  local dialog
  dialog=$(focused_dialog)
  xdotool type --delay 5 "$1"
  xdotool key Return
  for _ in $(seq 1 100); do
    xwininfo -id "$dialog" 2>/dev/null | grep -q "IsViewable" || break
    sleep 0.1
  done
  xwininfo -id "$dialog" 2>/dev/null | grep -q "IsViewable" && fail "the file dialog did not close"
  xdotool windowfocus --sync "$window"
}

start
xdotool key --clearmodifiers ctrl+o   # filter 2 at first: the source pane, RTF
answer_file_dialog "$work/in/formatted.rtf"
xdotool key F3
# Once Alt+C copies the result, F3 has ended and Ctrl+S finds the result whole.
copy_result
clip_out | grep -q "Obychnyj tekst" || fail "F3 gave '$(clip_out)'"
xdotool key --clearmodifiers ctrl+s   # filter 4 at first: the result pane, RTF
answer_file_dialog "$work/result"     # the extension is added
for _ in $(seq 1 50); do [ -s "$work/result.rtf" ] && break; sleep 0.1; done
[ -s "$work/result.rtf" ] || fail "Ctrl+S wrote no result.rtf"
[ -n "${SCREENSHOT:-}" ] && import -window root "$SCREENSHOT" || true
stop

soffice_to fodt "$work/out" "$work/result.rtf"
fodt="$work/out/result.fodt"
for words in "Obychnyj tekst" "zhirnyj" "Krasnyj" "sinij" "Pervyj punkt" "Elka" "Äpfel, 中文, 😀"; do
  grep -q "$words" "$fodt" || fail "LibreOffice does not read '$words' in the result"
done
grep -q 'fo:font-weight="bold"' "$fodt" || fail "LibreOffice reads no bold in the result"
grep -q 'fo:color="#c9211e"' "$fodt" || fail "LibreOffice reads no red in the result"
echo "e2e: Ctrl+O, F3 and Ctrl+S of a LibreOffice RTF passed"
