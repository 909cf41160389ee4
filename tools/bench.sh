#!/usr/bin/env bash
# Streams a generated Russian corpus (Windows-1251 and UTF-8) and its Latin
# forms through lettrica-cli, every table and encoding, and through the usual
# tools in one run, and prints throughput, each command's ratio against iconv
# on the same input file (by wall time and by processor time), lettrica-cli's
# peak memory, and the ratios the speed goals name, at the processor's vector
# level and without vector loops (LETTRICA_SIMD=scalar), side by side.
#
#   tools/bench.sh [--size MB] [--runs N] [--uconv-size MB] [--cli PATH] [--base PATH] [--keep DIR] [--no-scalar] [--only REGEX]
#
# --size        corpus size in MB (10^6 bytes), Windows-1251 (default 100)
# --runs        timed runs of each command, after one warm-up (default 5); the
#               median is reported, runs of different commands interleave
# --uconv-size  uconv is slow: it gets a slice of this size (default 10) and
#               its figure is scaled to MB/s like the others
# --cli         the lettrica-cli to measure (default: build the release preset)
# --base        another lettrica-cli (an earlier build) run in turn with the
#               first on every case, each against its own iconv run, and
#               compared with it at the end
# --keep DIR    generate into DIR and keep the files (default: a temporary
#               directory, removed at the end)
# --no-scalar   skip the runs with LETTRICA_SIMD=scalar
# --only REGEX  time only the commands whose label matches (Python regex),
#               e.g. --only 'to-cyrillic .* utf-8'
#
# LETTRICA_SIMD=avx2 or scalar in the environment caps lettrica-cli's vector
# loops, as on a processor without AVX-512 or without AVX2.
#
# Not part of the test suite: figures depend on the machine and its load.
set -euo pipefail
cd "$(dirname "$0")/.."

size=100 runs=5 uconv_size=10 cli="" base="" keep="" scalar=1 only=""
while [ $# -gt 0 ]; do
  case "$1" in
    --size) size=$2; shift 2 ;;
    --runs) runs=$2; shift 2 ;;
    --uconv-size) uconv_size=$2; shift 2 ;;
    --cli) cli=$2; shift 2 ;;
    --base) base=$(realpath "$2"); shift 2 ;;
    --keep) keep=$2; shift 2 ;;
    --no-scalar) scalar=0; shift ;;
    --only) only=$2; shift 2 ;;
    -h|--help) sed -n '2,29p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "bench.sh: unknown argument $1" >&2; exit 2 ;;
  esac
done

for tool in python3 iconv uconv tr; do
  command -v "$tool" >/dev/null || { echo "bench.sh: $tool is missing (tools/deps.sh installs it)" >&2; exit 1; }
done

if [ -z "$cli" ]; then
  cmake --preset release >/dev/null
  cmake --build --preset release --target lettrica-cli >/dev/null
  cli=build/release/src/cli/lettrica-cli
fi
cli=$(realpath "$cli")

if [ -n "$keep" ]; then
  mkdir -p "$keep"
  work=$(realpath "$keep")
else
  work=$(mktemp -d "${TMPDIR:-/tmp}/lettrica-bench.XXXXXX")
  trap 'rm -rf "$work"' EXIT
fi

python3 - "$work" "$size" "$runs" "$uconv_size" "$cli" "$scalar" "$only" "$base" <<'PY'
import os, random, re, statistics, subprocess, sys, time

work, size_mb, runs, uconv_mb, cli = sys.argv[1], float(sys.argv[2]), int(sys.argv[3]), float(sys.argv[4]), sys.argv[5]
with_scalar = sys.argv[6] == "1"
only = re.compile(sys.argv[7]) if sys.argv[7] else None
base = sys.argv[8] or None
MB = 1e6

# --- corpus -----------------------------------------------------------------
WORDS = """и в не на я что он с это а как но его к все она так же по ты из мы за вы бы от уже ещё где тут вот
чтобы когда только было может человек время жизнь день рука работа слово место лицо друг глаз вопрос дом
сторона страна мир случай голова ребёнок сила конец вид система часть город отношение женщина деньги земля
машина вода отец проблема час право нога решение дверь образ история власть закон война голос тысяча книга
возможность результат ночь стол имя область статья число компания народ жена группа развитие процесс суд
условие средство начало свет пора путь душа уровень форма связь минута улица вечер качество мысль дорога
мать действие месяц государство язык любовь взгляд мама век школа цель общество деятельность объём подъезд
съезд объявление щука щёки ёж ёлка шёпот жёлтый чёрный счастье щит чаща хвощ экзамен эхо поэзия юбка южный
юмор яблоко явление заявка семья вьюга подъём разъезд большой новый хороший последний русский высокий
сказать говорить знать стать хотеть видеть идти думать взять сделать жить смотреть сидеть понять иметь
ждать вспомнить хлеб чай молоко борщ щи каша пирожки шоколад кофе журнал жужжать чрезвычайный здравствуйте
достопримечательность высокопревосходительство подъехать объяснение изъян сэр мэр поэт дуэль""".split()
LATIN = "Linux email Qt C++ USB Wi-Fi online PDF x86 OK Google iPhone".split()
CAPS = "ВНИМАНИЕ СССР РФ МГУ ЖКХ ЗАО ОБЪЯВЛЕНИЕ ЩИТ ЭХО ЮГ ВАЖНО".split()
MIDS = [",", ",", ",", " -", ":", ";"]
ENDS = [".", ".", ".", "!", "?", "...", "."]

rng = random.Random(1917)

def sentence():
    out = []
    for i in range(rng.randint(4, 16)):
        k = rng.random()
        w = (rng.choice(LATIN) if k < 0.03 else rng.choice(CAPS) if k < 0.05
             else str(rng.randint(1, 2100)) if k < 0.07 else rng.choice(WORDS))
        if i == 0:
            w = w[:1].upper() + w[1:]
        if rng.random() < 0.1:
            w += rng.choice(MIDS)
        if rng.random() < 0.02:
            w = '"' + w + '"'
        out.append(w)
    return " ".join(out) + rng.choice(ENDS)

def paragraph():
    return " ".join(sentence() for _ in range(rng.randint(1, 6))) + "\r\n"

pool = [paragraph().encode("cp1251") for _ in range(6000)]
corpus_path = os.path.join(work, "corpus.cp1251")
target = int(size_mb * MB)
with open(corpus_path, "wb") as f:
    written = 0
    while written < target:
        block = b"".join(rng.choices(pool, k=2000))
        f.write(block)
        written += len(block)
with open(corpus_path, "rb") as f:
    slice_bytes = f.read(int(uconv_mb * MB))
slice_path = os.path.join(work, "slice.cp1251")
with open(slice_path, "wb") as f:
    f.write(slice_bytes)

latin_path = os.path.join(work, "corpus.latin")
subprocess.run([cli, "to-latin", "--encoding", "cp1251", "-o", latin_path, corpus_path], check=True)
with open(latin_path, "rb") as f:
    head = f.read(1 << 20)
assert all(b < 0x80 for b in head), "the Latin form should be ASCII"

tr_from = bytes(range(0xC0, 0x100))
koi = tr_from.decode("cp1251").encode("koi8-r")
env = dict(os.environ, LC_ALL="C")

# --- the commands -----------------------------------------------------------
# Each lettrica-cli command is paired with iconv on the same input file: the
# two run back to back in every round and the ratio is taken pair by pair,
# so that the machine's drift and the input's make-up cancel out.
utf8_path = os.path.join(work, "corpus.utf8")
with open(corpus_path, "rb") as f, open(utf8_path, "wb") as g:
    while True:
        block = f.read(1 << 22)
        if not block:
            break
        g.write(block.decode("cp1251").encode("utf-8"))
gost_path = os.path.join(work, "corpus.gost")
subprocess.run([cli, "to-latin", "--table", "gost", "--encoding", "cp1251", "-o", gost_path, corpus_path], check=True)
latin_of = {"anglo": latin_path, "gost": gost_path}

def out(name):
    return os.path.join(work, "out." + name)

iconv = lambda src: (["iconv", "-c", "-f", "CP1251", "-t", "KOI8-R", src], None, out("koi"))

# The goals: to-latin at 10 times iconv or more, to-cyrillic at 5 times, by
# the input's (to-latin) or the output's (to-cyrillic) encoding; without
# vector loops at least half of iconv's speed.
GOALS = {"to-latin": 10.0, "to-cyrillic": 5.0}
SCALAR_GOAL = 0.5
scalar_env = dict(env, LETTRICA_SIMD="scalar")

# (label, argv, input file, stdin file or None, stdout file or None, environment, goal group or None)
cases = []
BASE = " [base]"  # the label of a case's twin run with --base, which counts for no goal
def lettrica(label, argv, src, group=None, stdin_path=None, stdout_path=None):
    runs = [(label, env, group)]
    if with_scalar and group:
        runs.append((label + " [scalar]", scalar_env, group + ("scalar",)))
    for name, run_env, goal in runs:
        cases.append((name, argv, src, stdin_path, stdout_path, run_env, goal))
        if base:
            cases.append((name + BASE, [base] + argv[1:], src, stdin_path, stdout_path, run_env, None))

for table in ("anglo", "gost"):
    for enc, src in (("cp1251", corpus_path), ("utf-8", utf8_path)):
        lettrica(f"to-latin {table} {enc} (auto)",
                 [cli, "to-latin", "--table", table, "-o", out(f"l.{table}.{enc}"), src], src, ("to-latin", enc))
lettrica("to-latin anglo cp1251, stdin -> stdout", [cli, "to-latin"], corpus_path,
         stdin_path=corpus_path, stdout_path=out("pipe"))
lettrica("to-cyrillic anglo auto, file -> stdout", [cli, "to-cyrillic", latin_path], latin_path,
         stdout_path=out("c.stdout"))
for table in ("anglo", "gost"):
    for enc in ("auto", "utf-8", "cp1251"):  # the Latin text is ASCII: auto checks it is UTF-8, then reads it so
        src = latin_of[table]
        lettrica(f"to-cyrillic {table} {enc}",
                 [cli, "to-cyrillic", "--table", table, "--encoding", enc, "-o", out(f"c.{table}.{enc}"), src],
                 src, ("to-cyrillic", "utf-8" if enc == "auto" else enc))
cases.append(("tr (byte map to KOI8-R)",
              ["tr", "".join("\\%03o" % b for b in tr_from), "".join("\\%03o" % b for b in koi)],
              corpus_path, corpus_path, out("tr"), env, None))
cases.append(("uconv -x Russian-Latin/BGN (slice)",
              ["uconv", "-f", "cp1251", "-t", "utf-8", "-x", "Russian-Latin/BGN", slice_path], slice_path, None,
              out("bgn"), env, None))

if only:
    cases = [c for c in cases if only.search(c[0])]
    if not cases:
        sys.exit("bench.sh: --only matches no command")

# Wall time and processor time (user + system) of one run. On a machine
# shared with other work the wall time also counts the waits for a
# processor; the processor time does not.
def once(argv, stdin_path, stdout_path, run_env=env):
    # A file given with -o is written anew each time, as a first run would.
    if "-o" in argv and os.path.exists(argv[argv.index("-o") + 1]):
        os.remove(argv[argv.index("-o") + 1])
    fin = open(stdin_path, "rb") if stdin_path else subprocess.DEVNULL
    fout = open(stdout_path, "wb") if stdout_path else subprocess.DEVNULL
    try:
        t0 = time.perf_counter()
        p = subprocess.Popen(argv, stdin=fin, stdout=fout, env=run_env)
        _, status, usage = os.wait4(p.pid, 0)
        elapsed = time.perf_counter() - t0
        p.returncode = os.waitstatus_to_exitcode(status)
    finally:
        if stdin_path: fin.close()
        if stdout_path: fout.close()
    if p.returncode != 0:
        sys.exit(f"bench.sh: {' '.join(argv[:3])} ... exited {p.returncode}")
    return elapsed, usage.ru_utime + usage.ru_stime

# Peak memory comes from GNU time: this process is far bigger than the
# commands, and a child's peak counts what it was before exec.
def peak(argv, stdin_path, stdout_path, run_env):
    if not os.path.exists("/usr/bin/time"):
        return None
    report = os.path.join(work, "time.txt")
    once(["/usr/bin/time", "-f", "%M", "-o", report] + argv, stdin_path, stdout_path, run_env)
    with open(report) as f:
        return int(f.read().split()[-1]) / 1024.0  # MiB

times = {c[0]: [] for c in cases}
iconv_times = {c[0]: [] for c in cases}
for c in cases:  # warm-up: page cache, dynamic loading
    once(*iconv(c[2]))
    once(c[1], c[3], c[4], c[5])
for _ in range(runs):
    for label, argv, src, stdin_path, stdout_path, run_env, _ in cases:
        iconv_times[label].append(once(*iconv(src)))
        times[label].append(once(argv, stdin_path, stdout_path, run_env))
rss = {c[0]: peak(c[1], c[3], c[4], c[5]) for c in cases}

# Replacing an existing file waits for it to reach the disk (fsync).
replace_argv = cases[0][1]
replace = []
if "-o" in replace_argv:
    subprocess.run(replace_argv, check=True)
    for _ in range(runs):
        t0 = time.perf_counter()
        subprocess.run(replace_argv, check=True)
        replace.append(time.perf_counter() - t0)

# iconv's time over ours, pair by pair: (median, min, max); k 0 wall, 1 processor.
def ratios(label, k):
    r = sorted(i[k] / max(t[k], 1e-6) for i, t in zip(iconv_times[label], times[label]))
    return statistics.median(r), r[0], r[-1]

names = {corpus_path: "Russian, Windows-1251", utf8_path: "Russian, UTF-8", latin_path: "Latin (anglo)",
         gost_path: "Latin (gost)", slice_path: "uconv slice"}
print(f"inputs: " + "; ".join(f"{names[p]} {os.path.getsize(p) / MB:.1f} MB" for p in names) +
      f"; median of {runs} runs; 1 MB = 10^6 bytes")
print("x iconv: iconv -c -f CP1251 -t KOI8-R on the same input, run just before, ratio pair by pair;")
print("  wall: elapsed time; cpu: processor time, user + system (steadier on a shared machine)")
if os.environ.get("LETTRICA_SIMD"):
    print(f"vector loops capped by LETTRICA_SIMD={os.environ['LETTRICA_SIMD']}")
print(f"{'command':49} {'input':22} {'median s':>9} {'MB/s':>6} {'iconv MB/s':>10} {'x wall':>7} {'x cpu':>7} {'max RSS':>9}")
def show(label, src, memory):
    size = os.path.getsize(src) / MB
    seconds = statistics.median(t[0] for t in times[label])
    mem = f"{memory:6.1f} MB" if memory is not None else "      n/a"
    print(f"{label:49} {names[src]:22} {seconds:9.3f} {size / seconds:6.0f} "
          f"{size / statistics.median(t[0] for t in iconv_times[label]):10.0f} "
          f"{ratios(label, 0)[0]:7.2f} {ratios(label, 1)[0]:7.2f} {mem}")

for c in cases:
    show(c[0], c[2], rss[c[0]])
if replace:
    seconds = statistics.median(replace)
    print(f"{'  ' + cases[0][0] + ', replacing the file':49} {names[cases[0][2]]:22} {seconds:9.3f} "
          f"{os.path.getsize(cases[0][2]) / MB / seconds:6.0f}")

# Each goal by its slowest case (table and --encoding), with that case's
# range over the runs.
print()
print(f"{'goal':36} {'slowest case':34} {'x iconv wall (range)':>22} {'x iconv cpu (range)':>22}")
for direction, goal in GOALS.items():
    for enc in ("cp1251", "utf-8"):
        for level in ((), ("scalar",)):
            group = (direction, enc) + level
            members = [c[0] for c in cases if c[6] == group]
            if not members:
                continue
            need = SCALAR_GOAL if level else goal
            cells = []
            for k in (0, 1):
                worst = min(members, key=lambda m: ratios(m, k)[0])
                med, lo, hi = ratios(worst, k)
                mark = "" if med >= need else " !"
                cells.append((worst, f"{med:5.1f} ({lo:.1f}-{hi:.1f}){mark}"))
            what = f"{direction} {enc}{' scalar' if level else ''} (>= {need:g}x)"
            case = cells[1][0].replace(" [scalar]", "")
            print(f"{what:36} {case:34} {cells[0][1]:>22} {cells[1][1]:>22}")
print("  ! below the goal")
if base:
    print()
    print(f"this lettrica-cli against --base {base}: x iconv, median (range), each against its own iconv run")
    print(f"{'command':49} {'wall':>17} {'wall base':>17} {'cpu':>17} {'cpu base':>17}")
    def cell(label, k):
        med, lo, hi = ratios(label, k)
        return f"{med:5.2f} ({lo:.1f}-{hi:.1f})"
    for c in cases:
        if c[0] + BASE in times:
            print(f"{c[0]:49} {cell(c[0], 0):>17} {cell(c[0] + BASE, 0):>17} {cell(c[0], 1):>17} {cell(c[0] + BASE, 1):>17}")
peaks = [rss[c[0]] for c in cases if c[0].startswith("to-") and rss[c[0]] is not None]
if peaks:
    print(f"lettrica-cli peak memory {max(peaks):.1f} MB on a {os.path.getsize(corpus_path) / MB:.0f} MB input"
          f" (the process with its libraries; /usr/bin/time)")
else:
    print("peak memory not measured: /usr/bin/time is missing (Debian package time)")
PY
