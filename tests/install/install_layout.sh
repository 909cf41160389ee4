#!/usr/bin/env bash
# `cmake --install` into a temporary DESTDIR (a path with a space and
# Cyrillic letters in it): every file lands where desktops and `man` look,
# the desktop entry passes desktop-file-validate without a hint, the icons
# have their sizes, the manual page covers every command and option of
# `lettrica-cli --help`, and the installed programs run: the CLI converts,
# the window's F1 shows the installed manual in its help window, and the
# autostart entry it writes runs the installed program.
# Arguments: the build directory, the source directory.
set -euo pipefail
build=$(realpath "$1")
source_dir=$(realpath "$2")
source "$source_dir/tests/e2e/lib/session.sh"

prefix=/usr/local
destdir="$LETTRICA_HOME/корень с пробелом"
root=$destdir$prefix
DESTDIR=$destdir cmake --install "$build" --prefix "$prefix" >/dev/null

# Exactly these files, nothing more.
expected="bin/lettrica
bin/lettrica-cli
share/applications/lettrica.desktop
share/doc/lettrica/changelog.gz
share/doc/lettrica/copyright
share/icons/hicolor/128x128/apps/lettrica.png
share/icons/hicolor/16x16/apps/lettrica.png
share/icons/hicolor/22x22/apps/lettrica.png
share/icons/hicolor/24x24/apps/lettrica.png
share/icons/hicolor/256x256/apps/lettrica.png
share/icons/hicolor/32x32/apps/lettrica.png
share/icons/hicolor/48x48/apps/lettrica.png
share/icons/hicolor/64x64/apps/lettrica.png
share/icons/hicolor/scalable/apps/lettrica.svg
share/lettrica/help.html
share/lettrica/russian-words.txt
share/man/man1/lettrica-cli.1.gz
share/man/man1/lettrica.1.gz"
got=$(cd "$root" && find . -type f | sed 's|^\./||' | LC_ALL=C sort)
[ "$got" = "$(LC_ALL=C sort <<<"$expected")" ] || fail "installed files differ:
$(diff <(LC_ALL=C sort <<<"$expected") <(printf '%s\n' "$got"))"
[ -x "$root/bin/lettrica" ] && [ -x "$root/bin/lettrica-cli" ] || fail "the programs are not executable"
cmp -s "$root/share/lettrica/help.html" "$source_dir/data/help.html" || fail "the installed manual differs"

# The desktop entry.
entry=$root/share/applications/lettrica.desktop
said=$(desktop-file-validate "$entry" 2>&1) || fail "desktop-file-validate rejects lettrica.desktop: $said"
[ -z "$said" ] || fail "desktop-file-validate has a word on lettrica.desktop: $said"
for line in 'Type=Application' 'Name=Lettrica' 'Exec=lettrica %f' 'Icon=lettrica' 'Categories=Utility;TextTools;' \
  'Terminal=false'; do
  grep -qxF "$line" "$entry" || fail "lettrica.desktop has no line $line"
done
grep -q '^Comment=.' "$entry" && grep -q '^Comment\[ru\]=.' "$entry" || fail "lettrica.desktop lacks a comment"
grep -q '^MimeType=.*text/plain;' "$entry" && grep -q '^MimeType=.*text/rtf;' "$entry" ||
  fail "lettrica.desktop does not open text and RTF files"

# Each PNG is a PNG of the size its directory names; the SVG is well formed.
for png in "$root"/share/icons/hicolor/*x*/apps/lettrica.png; do
  size=$(basename "$(dirname "$(dirname "$png")")")
  [ "$(head -c 8 "$png" | od -An -tx1 | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "$png is not a PNG"
  w=$((16#$(od -An -tx1 -j16 -N4 "$png" | tr -d ' \n')))
  h=$((16#$(od -An -tx1 -j20 -N4 "$png" | tr -d ' \n')))
  [ "${w}x${h}" = "$size" ] || fail "$png is ${w}x${h}"
done
/usr/bin/python3 -c 'import sys, xml.etree.ElementTree as t; r = t.parse(sys.argv[1]).getroot(); sys.exit(r.tag != "{http://www.w3.org/2000/svg}svg")' \
  "$root/share/icons/hicolor/scalable/apps/lettrica.svg" || fail "lettrica.svg is no SVG"

# The CLI runs from where it is installed.
[ "$("$root/bin/lettrica-cli" --version)" = "lettrica-cli 2.7" ] || fail "lettrica-cli --version"
[ "$(printf 'Щи да' | "$root/bin/lettrica-cli" to-latin)" = "Schi da" ] || fail "the installed lettrica-cli does not convert"
[ "$(printf 'Podieezd' | "$root/bin/lettrica-cli" to-cyrillic --table icao-doc-9303)" = "Подъезд" ] ||
  fail "the installed lettrica-cli does not find its word list"

# The manual pages show, and lettrica-cli's covers every command and option
# that its --help names.
render() { MANWIDTH=200 man --no-hyphenation --no-justification -l "$1" 2>/dev/null | col -b; }
page=$(render "$root/share/man/man1/lettrica-cli.1.gz")
[ -n "$page" ] || fail "man cannot show lettrica-cli.1"
grep -q 'lettrica /t' <<<"$(render "$root/share/man/man1/lettrica.1.gz")" || fail "man cannot show lettrica.1"
help=$("$root/bin/lettrica-cli" --help)
words=$( (grep -oE '^  [a-z][a-z-]+ ' <<<"$help"; grep -oE -- '(^| |\[)-(-[a-z][a-z-]*|[a-z])' <<<"$help") |
  tr -d ' [' | sort -u)
[ "$(wc -l <<<"$words")" -ge 20 ] || fail "found only $(wc -l <<<"$words") commands and options in --help"
for w in $words; do
  grep -qF -- "$w" <<<"$page" || fail "the manual page does not mention $w"
done
for v in gost anglo user auto cp1251 utf-8 win dos koi upper lower none starttls implicit LETTRICA_SMTP_PASSWORD; do
  grep -qF -- "$v" <<<"$page" || fail "the manual page does not mention $v"
done

# The installed window: F1 shows the installed manual in the program's help
# window, without the desktop's opener (a recording xdg-open); "Автостарт
# программы" writes an entry that runs this program.
bin=$LETTRICA_HOME/bin
mkdir -p "$bin"
cat > "$bin/xdg-open" <<EOF
#!/bin/sh
printf '%s\n' "\$*" >> "$LETTRICA_HOME/opened"
EOF
chmod +x "$bin/xdg-open"
export PATH=$bin:$PATH
app=$root/bin/lettrica
start
xdotool key F1
help=$(visible_window '^Lettrica — справка$')
[ -n "$help" ] || fail "F1 showed no manual"
[ ! -e "$LETTRICA_HOME/opened" ] || fail "F1 handed '$(cat "$LETTRICA_HOME/opened")' to the desktop's opener"
xdotool windowfocus --sync "$help"
xdotool key Escape
sleep 0.3
xdotool windowfocus --sync "$window"

# Файл → Настройки → Автостарт программы, by the keyboard from the menu bar:
# up from the top of the menu wraps to "Выход", then up to "Настройки".
eval "$(xdotool getwindowgeometry --shell "$window")"
xdotool mousemove $((X + 20)) $((Y + 10)) click 1
sleep 0.5
xdotool key --delay 100 Up Up Right Down Return
sleep 0.3
xdotool windowfocus --sync "$window"
stop
autostart=$XDG_CONFIG_HOME/autostart/lettrica.desktop
[ -f "$autostart" ] || fail "ticking \"Автостарт программы\" wrote no autostart entry"
exec_line=$(grep '^Exec=' "$autostart")
[ "$exec_line" = "Exec=\"$root/bin/lettrica\" /t" ] || fail "the autostart entry runs $exec_line"
desktop-file-validate "$autostart" || fail "desktop-file-validate rejects the autostart entry"
echo "install: every file in place, valid and working"
