#!/usr/bin/env bash
# Printing through a real CUPS queue: starts a cupsd of its own (its own
# configuration, spool, socket and port, never the system's) with a cups-pdf
# printer writing into a temporary folder, then runs the print test's queue
# cases on the real window against it: both panes printed, and a queue that
# refuses jobs (cupsreject). Everything is removed on exit.
#
# cups-pdf's backend must run as root and reads its settings only from
# /etc/cups, so this runs as root (as CI does) and puts one settings file of a
# name of its own there for the time of the test; otherwise it is skipped.
# Arguments: the print_test binary.
set -euo pipefail
print_test=$1
skip() { echo "SKIP: $*"; exit 77; }
[ "$(id -u)" -eq 0 ] || skip "cups-pdf needs root"
for tool in /usr/sbin/cupsd lpadmin cupsreject cupsaccept /usr/lib/cups/backend/cups-pdf pdftotext pdffonts pdftocairo; do
  command -v "$tool" >/dev/null || [ -x "$tool" ] || skip "$tool is missing (tools/deps.sh installs it)"
done
ppd=/usr/share/ppd/cups-pdf/CUPS-PDF_opt.ppd

# What a run killed before it could clean up left behind: its settings file
# and folder, unless its cupsd still runs.
for old in /etc/cups/cups-pdf-lettrica-test-*.conf; do
  [ -e "$old" ] || continue
  name=${old##*/cups-pdf-lettrica-test-}
  dir=/tmp/lettrica-cups.${name%.conf}
  pid=$(cat "$dir/cupsd.pid" 2>/dev/null || true)
  if [ -z "$pid" ] || ! kill -0 "$pid" 2>/dev/null; then rm -f "$old"; rm -rf "$dir"; fi
done

work=$(mktemp -d /tmp/lettrica-cups.XXXXXX)
chmod 755 "$work"
instance="lettrica-test-${work##*.}"
conf="/etc/cups/cups-pdf-$instance.conf"
cupsd_pid=""
cleanup() {
  if [ -n "$cupsd_pid" ]; then kill "$cupsd_pid" 2>/dev/null || true; wait "$cupsd_pid" 2>/dev/null || true; fi
  rm -f "$conf"
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 143' TERM INT HUP

mkdir -p "$work/etc" "$work/spool/tmp" "$work/state" "$work/cache" "$work/log" "$work/out" "$work/pdf-spool"
chmod 1777 "$work/spool/tmp"
port=$((20000 + RANDOM % 20000))
socket="$work/cups.sock"
cat > "$work/etc/cupsd.conf" <<CONF
Listen $socket
Listen 127.0.0.1:$port
LogLevel info
Browsing Off
WebInterface No
DefaultAuthType None
<Location />
  Order allow,deny
  Allow all
</Location>
<Policy default>
  <Limit All>
    Order deny,allow
  </Limit>
</Policy>
CONF
cat > "$work/etc/cups-files.conf" <<CONF
ServerRoot $work/etc
RequestRoot $work/spool
TempDir $work/spool/tmp
StateDir $work/state
CacheDir $work/cache
AccessLog $work/log/access_log
ErrorLog $work/log/error_log
PageLog $work/log/page_log
ServerBin /usr/lib/cups
DataDir /usr/share/cups
User lp
Group lp
SystemGroup root
Sandboxing Relaxed
CONF
cat > "$conf" <<CONF
Out $work/out
AnonDirName $work/out
Spool $work/pdf-spool
Label 0
CONF

/usr/sbin/cupsd -f -c "$work/etc/cupsd.conf" -s "$work/etc/cups-files.conf" > "$work/log/cupsd.out" 2>&1 &
cupsd_pid=$!
echo "$cupsd_pid" > "$work/cupsd.pid"
for _ in $(seq 1 100); do
  [ -S "$socket" ] && break
  kill -0 "$cupsd_pid" 2>/dev/null || { cat "$work/log/cupsd.out" "$work/log/error_log" 2>/dev/null; exit 1; }
  sleep 0.1
done
[ -S "$socket" ] || { echo "cupsd did not open its socket"; exit 1; }
lpadmin -h "$socket" -p lettrica-pdf -E -v "cups-pdf:/$instance" -P "$ppd" 2>/dev/null
lpadmin -h "$socket" -d lettrica-pdf
# The PDF reaches cups-pdf as PostScript; made by pdftocairo it keeps its
# text readable to pdftotext (the other renderers lose the characters).
lpadmin -h "$socket" -p lettrica-pdf -o pdftops-renderer-default=pdftocairo

status=0
CUPS_SERVER=$socket LETTRICA_CUPS_OUT=$work/out QT_QPA_PLATFORM=offscreen "$print_test" cupsQueue refusingQueue || status=$?
if [ "$status" -ne 0 ]; then
  echo "--- cupsd error log"; tail -n 40 "$work/log/error_log" 2>/dev/null || true
  ls -la "$work/out"
fi
exit "$status"
