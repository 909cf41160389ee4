#!/usr/bin/env bash
# Times `lettrica-cli recode` and `lettrica-cli case` against iconv, ICU's
# uconv and tr with a byte map, on one generated Windows-1251 corpus, in one
# run, and prints MB/s and the ratios. A benchmark, not a test: nothing here
# fails on a slow machine.
#
#   tools/bench_textops.sh [LETTRICA_CLI] [SIZE_MB] [ROUNDS]
#
# Defaults: build/release/src/cli/lettrica-cli, 100 MB, best of 5 rounds.
set -euo pipefail

cli=${1:-build/release/src/cli/lettrica-cli}
size_mb=${2:-100}
rounds=${3:-5}
[ -x "$cli" ] || { echo "no lettrica-cli at $cli (build the release preset first)" >&2; exit 1; }
export LC_ALL=C

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
corpus=$work/corpus.cp1251
corpus_utf8=$work/corpus.utf8

# A Russian text with some Latin, digits, punctuation and line breaks,
# doubled until it is large enough and cut to the exact size.
seed='Съешь же ещё этих мягких французских булок, да выпей чаю. Ёлка, Tree 5; «№ 12 — …»
В чащах юга жил бы цитрус? Да, но фальшивый экземпляр! ЭХ, ЖИЗНЬ: 1998-2024 гг.
Широкая электрификация южных губерний даст мощный толчок подъёму сельского хозяйства.
The quick brown fox jumps over the lazy dog. Пётр Иванович, тел. +7 (495) 123-45-67.
'
printf '%s' "$seed" | iconv -f UTF-8 -t CP1251 > "$work/seed"
cp "$work/seed" "$corpus"
target=$((size_mb * 1024 * 1024))
while [ "$(stat -c %s "$corpus")" -lt "$target" ]; do
  cat "$corpus" "$corpus" > "$work/next" && mv "$work/next" "$corpus"
done
head -c "$target" "$corpus" > "$work/next" && mv "$work/next" "$corpus"
iconv -c -f CP1251 -t UTF-8 "$corpus" > "$corpus_utf8"

# The byte maps as tr sets (octal escapes), the same maps lettrica-cli uses.
octal() { local s=""; for b in "$@"; do s+=$(printf '\\%03o' "$((16#$b))"); done; printf '%s' "$s"; }
win_letters=$(octal $(for i in $(seq 0 63); do printf '%X ' $((0xC0 + i)); done))
koi_letters=$(octal E1 E2 F7 E7 E4 E5 F6 FA E9 EA EB EC ED EE EF F0 F2 F3 F4 F5 E6 E8 E3 FE FB FD FF F9 F8 FC E0 F1 \
                    C1 C2 D7 C7 C4 C5 D6 DA C9 CA CB CC CD CE CF D0 D2 D3 D4 D5 C6 C8 C3 DE DB DD DF D9 D8 DC C0 D1)
small=$(octal $(for i in $(seq 0 31); do printf '%X ' $((0xE0 + i)); done) 90 83 9A 9C 9D 9E 9F A2 BC B4 B8 BA BF B3 BE)
capital=$(octal $(for i in $(seq 0 31); do printf '%X ' $((0xC0 + i)); done) 80 81 8A 8C 8D 8E 8F A1 A3 A5 A8 AA AF B2 BD)

# Both sides of each comparison must give the same bytes.
tr "$win_letters" "$koi_letters" < "$corpus" > "$work/tr.out"
"$cli" recode --from win --to koi "$corpus" > "$work/cli.out"
cmp -s "$work/tr.out" "$work/cli.out" || { echo "recode output differs from tr's" >&2; exit 1; }
tr "a-z$small" "A-Z$capital" < "$corpus" > "$work/tr.out"
"$cli" case upper --encoding cp1251 "$corpus" > "$work/cli.out"
cmp -s "$work/tr.out" "$work/cli.out" || { echo "case output differs from tr's" >&2; exit 1; }
rm -f "$work/tr.out" "$work/cli.out"
cat "$corpus" "$corpus_utf8" > /dev/null  # page cache

calc() { awk "BEGIN { print $1 }"; }

# Best wall time of the rounds, in seconds, of a command reading $1.
best() {
  local input=$1; shift
  local best_t="" t0 t1 t
  for _ in $(seq "$rounds"); do
    t0=$(date +%s.%N)
    "$@" < "$input" > /dev/null
    t1=$(date +%s.%N)
    t=$(calc "$t1 - $t0")
    if [ -z "$best_t" ] || [ "$(calc "$t < $best_t")" = 1 ]; then best_t=$t; fi
  done
  echo "$best_t"
}

declare -A seconds
run() {  # name input command...
  local name=$1 input=$2; shift 2
  seconds[$name]=$(best "$input" "$@")
  local mb; mb=$(calc "$(stat -c %s "$input") / 1048576")
  printf '  %-44s %8.0f MB/s\n' "$name" "$(calc "$mb / ${seconds[$name]}")"
}

echo "corpus: $size_mb MB Windows-1251 (and its UTF-8 form), best of $rounds rounds, output to /dev/null"
run "iconv -c -f CP1251 -t KOI8-R" "$corpus" iconv -c -f CP1251 -t KOI8-R
if command -v uconv > /dev/null; then
  run "uconv -c -f cp1251 -t koi8-r" "$corpus" uconv -c -f cp1251 -t koi8-r
fi
run "tr (Win -> Koi byte map)" "$corpus" tr "$win_letters" "$koi_letters"
run "lettrica-cli recode --from win --to koi" "$corpus" "$cli" recode --from win --to koi
run "lettrica-cli recode --from dos --to koi" "$corpus" "$cli" recode --from dos --to koi
run "tr (case byte map)" "$corpus" tr "a-z$small" "A-Z$capital"
run "lettrica-cli case upper --encoding cp1251" "$corpus" "$cli" case upper --encoding cp1251
run "lettrica-cli case upper (auto, cp1251 input)" "$corpus" "$cli" case upper
run "lettrica-cli case upper (auto, UTF-8 input)" "$corpus_utf8" "$cli" case upper

ratio() { printf '  %-44s %6.2fx\n' "$1" "$(calc "${seconds[$3]} / ${seconds[$2]}")"; }
echo "ratios (speed of the first over the second; goals: >= 5x iconv, >= 1x tr):"
ratio "recode win->koi / iconv" "lettrica-cli recode --from win --to koi" "iconv -c -f CP1251 -t KOI8-R"
ratio "recode win->koi / tr" "lettrica-cli recode --from win --to koi" "tr (Win -> Koi byte map)"
ratio "case upper / iconv" "lettrica-cli case upper --encoding cp1251" "iconv -c -f CP1251 -t KOI8-R"
ratio "case upper / tr" "lettrica-cli case upper --encoding cp1251" "tr (case byte map)"
ratio "case upper (auto) / tr" "lettrica-cli case upper (auto, cp1251 input)" "tr (case byte map)"
