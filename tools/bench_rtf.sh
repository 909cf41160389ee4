#!/usr/bin/env bash
# Times lettrica-cli on a large RTF document written by LibreOffice: the
# body of tests/data/rtf/libreoffice.rtf (LibreOffice's RTF of
# tests/data/rtf/formatted.fodt) repeated to the size asked, with iconv over
# the same file in the same run as the yardstick; and the peak memory of
# each command (GNU time's maximum resident set size).
#
#   tools/bench_rtf.sh [--size MB] [--runs N] [--cli PATH] [--short]
#
# --size  the RTF's size in MB (10^6 bytes) (default 50)
# --runs  timed runs of each command after one warm-up (default 5); medians
# --cli   the lettrica-cli to measure (default: build the release preset)
# --short a document of short Russian paragraphs ("\'e4\'ee\'ec\par", the
#         most paragraphs a megabyte) instead of LibreOffice's
#
# Not part of the test suite: figures depend on the machine and its load.
set -euo pipefail
cd "$(dirname "$0")/.."

size=50 runs=5 cli="" short=0
while [ $# -gt 0 ]; do
  case "$1" in
    --size) size=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --cli) cli=$2; shift 2 ;;
    --short) short=1; shift ;;
    -h|--help) sed -n '2,16p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "bench_rtf.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

if [ -z "$cli" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target lettrica-cli >/dev/null
  cli=build/release/src/cli/lettrica-cli
fi
cli=$(realpath "$cli")
work=$(mktemp -d "${TMPDIR:-/tmp}/lettrica-bench-rtf.XXXXXX")
trap 'rm -rf "$work"' EXIT

python3 - "$work" "$size" "$runs" "$cli" tests/data/rtf/libreoffice.rtf "$short" <<'PY'
import os, statistics, subprocess, sys, time

work, size_mb, runs, cli, fixture = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
short = sys.argv[6] == "1"
whole = open(fixture, "rb").read()
body_start = whole.index(b"\\pard\\plain")
body = whole[body_start:whole.rindex(b"}")]
if short:
    whole = b"{\\rtf1\\ansi\\ansicpg1251{\\fonttbl{\\f0\\fcharset204 Arial;}}\n}"
    body_start = whole.index(b"}}") + 3
    body = b"\\'e4\\'ee\\'ec\\par\n" * 1000
path = os.path.join(work, "big.rtf")
with open(path, "wb") as f:
    f.write(whole[:body_start])
    written = body_start
    while written < size_mb * 1e6:
        f.write(body)
        written += len(body)
    f.write(b"}")
size = os.path.getsize(path)

def once(argv, stdout=subprocess.DEVNULL):
    t0 = time.perf_counter()
    subprocess.run(argv, check=True, stdout=stdout)
    return time.perf_counter() - t0

def peak_mb(argv):
    report = os.path.join(work, "time.txt")
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", report] + argv, check=True, stdout=subprocess.DEVNULL)
    return int(open(report).read().split()[-1]) / 1024

out = os.path.join(work, "out.rtf")
cases = [
    ("lettrica-cli to-latin -o OUT (RTF)", [cli, "to-latin", "-o", out, path]),
    ("lettrica-cli case upper -o OUT (RTF)", [cli, "case", "upper", "-o", out, path]),
    ("iconv -f CP1251 -t UTF-8 (same bytes)", ["iconv", "-f", "CP1251", "-t", "UTF-8", path]),
]
times = {label: [] for label, _ in cases}
for _, argv in cases:
    once(argv)
for _ in range(runs):
    for label, argv in cases:
        if os.path.exists(out):
            os.remove(out)
        times[label].append(once(argv))
iconv = size / 1e6 / statistics.median(times[cases[-1][0]])
kind = "short Russian paragraphs" if short else "LibreOffice RTF"
print(f"input: {size / 1e6:.1f} MB of {kind} ({len(body)} bytes of body repeated); median of {runs} runs")
print(f"{'command':40} {'median s':>9} {'MB/s':>8} {'x iconv':>8} {'peak MB':>8}")
for label, argv in cases:
    m = statistics.median(times[label])
    rate = size / 1e6 / m
    print(f"{label:40} {m:9.3f} {rate:8.0f} {rate / iconv:8.2f} {peak_mb(argv):8.0f}")
PY
