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

clip_html_in() { xclip -selection clipboard -t text/html -i "$1"; expect_clip "$(cat "$1")" text/html; }
clip_text_in() { xclip -selection clipboard -i "$1"; expect_clip "$(cat "$1")"; }
clip_html_out() { clip_out text/html; }
# Copies the source pane with Ctrl+A Ctrl+C. A command that changes the
# source pane in place must have ended (copy_result waits for that).
copy_source() {
  printf 'stale' | xclip -selection clipboard -i
  expect_clip stale
  copy_until_changed ctrl+a ctrl+c
}
# Answers the dialog a key has asked for with Return, once it shows.
accept_dialog() {
  local dialog
  dialog=$(visible_window "$1")
  [ -n "$dialog" ] || fail "no dialog \"$1\" came"
  xdotool windowfocus --sync "$dialog" key Return
}
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
# The clipboard holds no plain text until the source pane is copied.
copy_until_changed ctrl+a ctrl+c
source_text=$(clip_out)
grep -q $'12\u00a0655\u00a0050' <<<"$source_text" || fail "the pasted page lost its no-break spaces: $source_text"
has_structure "the pasted page"

xdotool key F3
copy_result
same "$(clip_out)" "$(printf '%s' "$source_text" | "$cli" to-latin --encoding utf-8)" "F3 differs from lettrica-cli to-latin"
has_structure "F3"
latin=$(clip_out)

# F2 converts the source pane again, now read as Latin: its Cyrillic stays.
xdotool key F2
copy_result
same "$(clip_out)" "$(printf '%s' "$source_text" | "$cli" to-cyrillic --encoding utf-8)" "F2 differs from lettrica-cli to-cyrillic"

# F4 with the dialog as it opens: small letters in both panes.
xdotool key F4
accept_dialog '^ Регистр\.\.\.$'
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
accept_dialog '^ Перекодировка\.\.\.$'
copy_result
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
# A paste this large goes through the progress window too, F3 off meanwhile:
# F3 once it has gone.
pasting=$(visible_window '^Перевод\.\.\.$' "" 5)
for _ in $(seq 1 600); do
  [ -n "$pasting" ] && xwininfo -id "$pasting" 2>/dev/null | grep -q "IsViewable" || break
  sleep 0.1
done
xdotool key F3
progress=$(visible_window '^Перевод\.\.\.$' "" 60)
[ -n "$progress" ] || fail "the progress window did not show"
xdotool windowfocus --sync "$progress" key Escape
message=$(visible_window '^Перевод\.\.\.$' "$progress")
[ -n "$message" ] || fail "no message after the cancel"
xdotool windowfocus --sync "$message" key Return
give_focus "$window" "$message"
# The untouched rest still goes in after the message, the copy off meanwhile:
# on a loaded machine that takes a while.
COPY_TRIES=40 copy_result
result=$(clip_out)
[ "$(wc -l <<<"$result")" = 100000 ] || fail "the cancelled result has $(wc -l <<<"$result") lines"
converted=$(printf '%s' "$line" | "$cli" to-latin --encoding utf-8)
[ "$(head -n 1 <<<"$result")" = "$converted" ] || fail "the cancelled result does not begin converted"
tail -n 1 <<<"$result" | grep -qx "$line" || fail "the cancelled result does not end as the source"

stop
echo "e2e: a web page through F3, F2, F4, F5 and a cancel"
