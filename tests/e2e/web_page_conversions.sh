#!/usr/bin/env bash
# The real program under Xvfb with a page pasted from a browser: HTML with a
# numbered list, a bulleted list and a table (no-break spaces in it) goes in
# through the clipboard (Alt+V); F3, F2, F4 and F5 run on it and the panes
# come back through the clipboard (Alt+C, Ctrl+C). The text must be what
# lettrica-cli makes of the same plain text, and the copies' HTML must still
# hold the list and the table. Then "Отмена" (Esc) half-way through F3 on a
# large pane: the message, the converted beginning and the untouched rest.
# Arguments: the lettrica and lettrica-cli binaries. SCREENSHOT=path keeps a
# picture of the window after the conversions.
set -euo pipefail
source "$(dirname "$0")/lib/session.sh"
cli=$2
work=$(mktemp -d)
trap 'rm -rf "$LETTRICA_HOME" "$work"' EXIT

clip_html_in() { xclip -selection clipboard -t text/html -i "$1"; }
clip_text_in() { xclip -selection clipboard -i "$1"; }
clip_out() { xclip -selection clipboard -o 2>/dev/null || true; }
clip_html_out() { xclip -selection clipboard -t text/html -o 2>/dev/null || true; }
# Copies a pane: the result pane with Alt+C, the source pane with Ctrl+A Ctrl+C.
copy_result() { printf 'stale' | xclip -selection clipboard -i; xdotool key --clearmodifiers alt+c; settle; }
copy_source() {
  printf 'stale' | xclip -selection clipboard -i
  xdotool key --clearmodifiers ctrl+a ctrl+c
  settle
}
# Waits until the clipboard has been taken over by the program.
settle() {
  for _ in $(seq 1 50); do [ "$(clip_out | head -c 5)" != "stale" ] && return 0; sleep 0.1; done
  fail "nothing was copied (${FUNCNAME[1]:-} at line ${BASH_LINENO[1]:-})"
}
# Waits until no dialog of the program is up but the main window.
idle() { sleep 0.5; }
same() { [ "$1" = "$2" ] || { diff <(printf '%s\n' "$2") <(printf '%s\n' "$1") | head -20 >&2; fail "$3"; }; }
has_structure() {
  local html
  html=$(clip_html_out)
  grep -q '<table' <<<"$html" || fail "$1: the copy has no table"
  grep -q '<ol' <<<"$html" || fail "$1: the copy has no numbered list"
  grep -q '<ul' <<<"$html" || fail "$1: the copy has no bulleted list"
}

cat > "$work/page.html" <<'HTML'
<html><body><h3>Список покупок</h3>
<ol><li>Хлеб</li><li>Молоко<ul><li>козье</li><li>коровье</li></ul></li><li>Чай</li></ol>
<table border="1"><tr><th>Город</th><th>Жители</th></tr>
<tr><td>Москва</td><td>12&nbsp;655&nbsp;050</td></tr>
<tr><td>Щёлково</td><td>около 130&nbsp;000</td></tr></table>
<p>Съешь же ещё этих мягких французских булок.</p></body></html>
HTML

start
clip_html_in "$work/page.html"
xdotool key --clearmodifiers alt+v
sleep 0.3
copy_source
source_text=$(clip_out)
grep -q $'12\u00a0655\u00a0050' <<<"$source_text" || fail "the pasted page lost its no-break spaces: $source_text"
has_structure "the pasted page"

xdotool key F3
idle
copy_result
same "$(clip_out)" "$(printf '%s' "$source_text" | "$cli" to-latin --encoding utf-8)" "F3 differs from lettrica-cli to-latin"
has_structure "F3"
latin=$(clip_out)

# F2 converts the source pane again, now read as Latin: its Cyrillic stays.
xdotool key F2
idle
copy_result
same "$(clip_out)" "$(printf '%s' "$source_text" | "$cli" to-cyrillic --encoding utf-8)" "F2 differs from lettrica-cli to-cyrillic"

# F4 with the dialog as it opens: small letters in both panes.
xdotool key F4
sleep 0.5
xdotool key Return
idle
copy_result
same "$(clip_out)" "$(printf '%s' "$source_text" | "$cli" to-cyrillic --encoding utf-8 | "$cli" case lower --encoding utf-8)" \
  "F4 differs from lettrica-cli case lower in the result pane"
has_structure "F4"
copy_source
lower=$(printf '%s' "$source_text" | "$cli" case lower --encoding utf-8)
same "$(clip_out)" "$lower" "F4 differs from lettrica-cli case lower in the source pane"
has_structure "F4 in the source pane"

# F5 with the dialog as it opens: Win -> DOS in both panes, checked with iconv.
xdotool key F5
sleep 0.5
xdotool key Return
idle
copy_source
same "$(clip_out)" "$(printf '%s' "$lower" | iconv -f utf-8 -t cp866 | iconv -f cp1251 -t utf-8)" \
  "F5 Win -> DOS differs from iconv"
has_structure "F5"
[ -n "${SCREENSHOT:-}" ] && import -window root "$SCREENSHOT" || true

# A large pane, and "Отмена" (Esc in the progress window) half-way.
xdotool key --clearmodifiers ctrl+n
line='Съешь же ещё этих мягких французских булок, да выпей чаю.'
for _ in $(seq 1 100000); do printf '%s\n' "$line"; done > "$work/big.txt"
clip_text_in "$work/big.txt"
xdotool key --clearmodifiers alt+v
sleep 3
xdotool key F3
progress=$(visible_window '^Перевод\.\.\.$')
[ -n "$progress" ] || fail "the progress window did not show"
xdotool windowfocus --sync "$progress" key Escape
message=$(visible_window '^Перевод\.\.\.$' "$progress")
[ -n "$message" ] || fail "no message after the cancel"
xdotool windowfocus --sync "$message" key Return
sleep 2
xdotool windowfocus --sync "$window"  # no window manager here to give it back
copy_result
result=$(clip_out)
[ "$(wc -l <<<"$result")" = 100000 ] || fail "the cancelled result has $(wc -l <<<"$result") lines"
converted=$(printf '%s' "$line" | "$cli" to-latin --encoding utf-8)
[ "$(head -n 1 <<<"$result")" = "$converted" ] || fail "the cancelled result does not begin converted"
tail -n 1 <<<"$result" | grep -qx "$line" || fail "the cancelled result does not end as the source"

stop
echo "e2e: a web page through F3, F2, F4, F5 and a cancel"
