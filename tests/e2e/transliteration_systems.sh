#!/usr/bin/env bash
# The real program under Xvfb: a system chosen by keyboard in "Перевод -> Системы
# транслитерации" converts as lettrica-cli does by it; started again, the choice is kept.
set -euo pipefail
source "$(dirname "$0")/lib/session.sh"
cli=$2 name=icao-doc-9303
# Its place among the systems after the three tables, as the command line lists them.
index=$("$cli" systems | awk 'NR > 1 && !/the same as/ && !/^(gost|anglo|user) / {print $1}' | grep -nx -- "$name" | cut -d: -f1)
text=$'Юлия Щукина, ЩУКА и Е\u0308лка в подъезде'
latin=$(printf '%s' "$text" | "$cli" to-latin --encoding utf-8 --table "$name")

start
# Alt opens the menu bar at "Файл"; "Перевод" is the third menu, the submenu its third item.
xdotool key --clearmodifiers alt
xdotool key --delay 80 Right Right Down Down Down Right $(for _ in $(seq 1 $((index + 2))); do printf 'Down '; done) Return
convert_via_clipboard "$text" F3 "$latin"
stop
tr -d '\r' < "$LETTRICA_HOME/lettrica.ini" | grep -qx "System=$name" || fail "lettrica.ini keeps no System=$name"
start
convert_via_clipboard "$text" F3 "$latin"
stop
echo "e2e: $name chosen by keyboard converts as lettrica-cli and is kept across a restart"
