#!/usr/bin/env bash
# Printing to a file from the real window, by the keyboard, with no print
# server (so "Print to File (PDF)" is the print dialog's only printer): the
# file name the dialog offers is the job's name at the time of asking, fit
# for a file name and fresh each time, and the result pane lands beside the
# source pane's file with "-2".
# Arguments: the lettrica binary.
set -euo pipefail
source "$(dirname "$0")/lib/session.sh"

export CUPS_SERVER=/nonexistent/cups.sock
# Qt offers the file in the home folder.
export HOME=$LETTRICA_HOME/home
mkdir -p "$HOME"
cd "$HOME"

# Ctrl+P, OK in " Печать...", Return in the print dialog; prints the stem of
# the file written for the source pane once both files are there.
print_both() {
  local before choice dialog new
  before=$(ls "$HOME")
  xdotool key --clearmodifiers ctrl+p
  choice=$(visible_window '^ Печать\.\.\.$')
  [ -n "$choice" ] || fail "Ctrl+P showed no choice of panes"
  xdotool windowfocus --sync "$choice"
  xdotool key Return
  dialog=$(visible_window '^Печать$')
  [ -n "$dialog" ] || fail "no print dialog"
  xdotool windowfocus --sync "$dialog"
  xdotool key Return
  for _ in $(seq 1 100); do
    new=$(comm -13 <(printf '%s\n' "$before") <(ls "$HOME") | grep -v -- '-2\.pdf$' || true)
    [ -n "$new" ] && [ -s "$HOME/${new%.pdf}-2.pdf" ] && break
    sleep 0.1
  done
  [ -n "$new" ] && [ -s "$HOME/${new%.pdf}-2.pdf" ] || fail "no pair of PDFs appeared: $(ls "$HOME")"
  xdotool windowfocus --sync "$window"
  printf '%s' "${new%.pdf}"
}

start
printf 'Печать в файл' | xclip -selection clipboard -i
xdotool key --clearmodifiers alt+v
sleep 0.3
first=$(print_both)
sleep 1.2
second=$(print_both)
stop

for stem in "$first" "$second"; do
  [[ $stem =~ ^Lettrica\ -\ .*[0-9]{2}-[0-9]{2}-[0-9]{2}$ ]] || fail "the file offered was '$stem.pdf'"
done
[ "$first" != "$second" ] || fail "the second print was offered the first one's name, '$first.pdf'"
[ "$(pdftotext "$HOME/$second.pdf" - | tr -d '\f\n')" = "Печать в файл" ] || fail "'$second.pdf' holds another text"
echo "e2e: print to file, a fresh name each time"
