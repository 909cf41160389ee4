#!/usr/bin/env bash
# Builds the libFuzzer targets, tests/fuzz/NAME_fuzz.cpp, with clang and the
# address and undefined-behaviour sanitizers, and runs each for a set time.
# Not part of the test suite (the normal build replays their saved inputs).
#
#   tools/fuzz.sh [NAME...] [SECONDS]
#
# NAME     stream, converters, utf8, ini, tables, rtf_reader ... (default:
#          every target)
# SECONDS  how long each target runs (default 60)
#
# Seeds: tests/fuzz/corpus/NAME (the saved inputs: seeds and every failure
# found) and the folders listed in tests/fuzz/NAME.seeds, if any; a
# dictionary: tests/fuzz/NAME.dict, if any. The corpus grows in
# build/fuzz/NAME/corpus; a failing input is written to build/fuzz/NAME/ as
# crash-<hash>: once it is fixed, copy it into tests/fuzz/corpus/NAME.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=60
names=()
for arg in "$@"; do
  case "$arg" in
    ''|*[!0-9]*) names+=("$arg") ;;
    *) seconds=$arg ;;
  esac
done
if [ ${#names[@]} -eq 0 ]; then
  for f in tests/fuzz/*_fuzz.cpp; do
    f=$(basename "$f")
    names+=("${f%_fuzz.cpp}")
  done
fi
for name in "${names[@]}"; do
  [ -f "tests/fuzz/${name}_fuzz.cpp" ] || { echo "fuzz.sh: no tests/fuzz/${name}_fuzz.cpp" >&2; exit 2; }
done

command -v clang++ >/dev/null || { echo "fuzz.sh: clang++ is missing (Debian clang, libclang-rt-dev)" >&2; exit 1; }
# The engine is built once, with the checks, for all targets.
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build/fuzz/build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DLETTRICA_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build build/fuzz/build --target "${names[@]/%/_fuzz}"

failed=0
summary=()
for name in "${names[@]}"; do
  out=build/fuzz/$name
  mkdir -p "$out/corpus"
  seeds=()
  [ -d "tests/fuzz/corpus/$name" ] && seeds+=("tests/fuzz/corpus/$name")
  if [ -f "tests/fuzz/$name.seeds" ]; then
    while read -r dir; do [ -n "$dir" ] && seeds+=("$dir"); done < "tests/fuzz/$name.seeds"
  fi
  dict=()
  [ -f "tests/fuzz/$name.dict" ] && dict=("-dict=tests/fuzz/$name.dict")
  echo "== $name: $seconds s"
  set +e
  "build/fuzz/build/tests/fuzz/${name}_fuzz" -max_total_time="$seconds" -max_len=65536 -rss_limit_mb=2048 \
    -timeout=10 -print_final_stats=1 -artifact_prefix="$out/" "${dict[@]}" "$out/corpus" "${seeds[@]}" \
    >"$out/log" 2>&1
  status=$?
  set -e
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$out/log" | tail -1)
  if [ $status -eq 0 ]; then
    summary+=("$name: ${runs:-?} runs, no failure")
  else
    failed=1
    summary+=("$name: FAILED after ${runs:-?} runs, see $out/log and $out/crash-*")
    grep -m3 -E "fuzz check failed|ERROR: |runtime error" "$out/log" || true
  fi
done
echo
printf '%s\n' "${summary[@]}"
exit $failed
