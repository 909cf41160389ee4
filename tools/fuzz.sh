#!/usr/bin/env bash
# Builds a libFuzzer target, tests/fuzz/NAME_fuzz.cpp, with clang and the
# address and undefined-behaviour sanitizers, and runs it for a set time.
#
#   tools/fuzz.sh NAME [SECONDS]     (default 300 seconds)
#
# Seeds: the files of the folders listed in tests/fuzz/NAME.seeds, if any;
# a dictionary: tests/fuzz/NAME.dict, if any. The corpus grows in
# build/fuzz/NAME/corpus; a crash is written to build/fuzz/NAME/ as
# crash-<hash>: make it a regression test, then fix it.
# Not part of the test suite.
set -euo pipefail
cd "$(dirname "$0")/.."

name=${1:?usage: tools/fuzz.sh NAME [SECONDS]}
seconds=${2:-300}
source=tests/fuzz/${name}_fuzz.cpp
[ -f "$source" ] || { echo "fuzz.sh: no $source" >&2; exit 2; }
command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ is missing (Debian clang, libclang-rt-dev)" >&2; exit 1; }

out=build/fuzz/$name
mkdir -p "$out/corpus"
mapfile -t engine < <(find src/engine -name '*.cpp' | sort)
echo "Building $out/$name ..."
clang++ -std=c++20 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I src/engine "$source" "${engine[@]}" -o "$out/$name"

seeds=()
if [ -f "tests/fuzz/$name.seeds" ]; then
  while read -r dir; do [ -n "$dir" ] && seeds+=("$dir"); done < "tests/fuzz/$name.seeds"
fi
dict=()
[ -f "tests/fuzz/$name.dict" ] && dict=("-dict=tests/fuzz/$name.dict")
"$out/$name" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 -timeout=10 \
  -artifact_prefix="$out/" "${dict[@]}" "$out/corpus" "${seeds[@]}"
