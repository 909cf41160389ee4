#!/usr/bin/env bash
# The real program under Xvfb: a system chosen by keyboard in "Перевод ->
# Системы транслитерации" converts as lettrica-cli does by it, both ways,
# a decomposed "Е" + U+0308 as "Ё"; started again, the choice is kept.
# Arguments: the lettrica binary and lettrica-cli.
set -euo pipefail
source "$(dirname "$0")/lib/session.sh"
cli=$2
name=icao-doc-9303

# Its place in the submenu: after the three tables, in the order the
# command line lists the other systems (aliases left out).
index=$("$cli" systems | awk 'NR > 1 && !/the same as/ {print $1}' | grep -vx -e gost -e anglo -e user \
        | grep -nx -- "$name" | cut -d: -f1 || true)
[ -n "$index" ] || fail "lettrica-cli systems does not list $name"
text=$'Юлия Щукина, ЩУКА и Е\u0308лка в подъезде'
latin=$(printf '%s' "$text" | "$cli" to-latin --encoding utf-8 --table "$name")
[ "$latin" = "$(printf '%s' 'Юлия Щукина, ЩУКА и Ёлка в подъезде' | "$cli" to-latin --encoding utf-8 --table "$name")" ] \
  || fail "lettrica-cli reads Е + U+0308 otherwise than Ё"
cyrillic=$(printf '%s' "$latin" | "$cli" to-cyrillic --encoding utf-8 --table "$name")

start
# Alt opens the menu bar at "Файл"; "Перевод" is the third menu, the
# submenu its third item, and the first system follows the three tables.
xdotool key --clearmodifiers alt
xdotool key --delay 80 Right Right Down Down Down Right $(for _ in $(seq 1 $((index + 2))); do printf 'Down '; done) Return
convert_via_clipboard "$text" F3 "$latin"
xdotool key --clearmodifiers ctrl+n
convert_via_clipboard "$latin" F2 "$cyrillic"
stop
tr -d '\r' < "$LETTRICA_HOME/lettrica.ini" | grep -qx "System=$name" || fail "lettrica.ini keeps no System=$name"

start
convert_via_clipboard "$text" F3 "$latin"
[ -n "${SCREENSHOT:-}" ] && import -window root "$SCREENSHOT" || true
stop
echo "e2e: $name chosen by keyboard converts as lettrica-cli and is kept across a restart"
