#!/usr/bin/env bash
# Builds the Debian package (cpack -G DEB), holds it to lintian as the test
# install.package does, and tries it on a fresh Debian 12
# made by debootstrap: `apt-get install ./lettrica_*.deb` must pull in every
# library the package needs, both programs must start there, and
# `apt-get purge` must leave no file of the package behind.
#
# Not part of the tests: it needs root, the Debian mirror and a few minutes.
#   sudo tools/check_package.sh [CHROOT_DIR]
# A CHROOT_DIR that already holds a debootstrapped system is reused (the
# package is installed and removed again); otherwise one is made there, or
# in a temporary directory that is removed at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
[ "$(id -u)" -eq 0 ] || { echo "run as root: debootstrap and chroot need it" >&2; exit 1; }

say() { printf '\n== %s\n' "$*"; }
fail() { echo "FAIL: $*" >&2; exit 1; }

for p in debootstrap dpkg-dev fakeroot lintian; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing="${missing:-} $p"
done
if [ -n "${missing:-}" ]; then
  apt-get update -qq
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
fi

say "Building the package"
tools/deps.sh >/dev/null
cmake --preset release >/dev/null
cmake --build --preset release
(cd build/release && cpack -G DEB >/dev/null)
deb=$(ls build/release/lettrica_*.deb)
dpkg-deb --info "$deb" | sed -n '/Package:/,$p'
dpkg-deb --contents "$deb"

say "lintian"
bash tests/install/debian_package.sh build/release

# The mirror apt already uses here, else Debian's own.
mirror=$(grep -hoE '^(URIs:|deb) +[^ ]*debian/?( |$)' /etc/apt/sources.list /etc/apt/sources.list.d/* 2>/dev/null |
  awk '{print $2}' | grep -v security | head -n 1 || true)
mirror=${mirror:-http://deb.debian.org/debian}

keep=1
root=${1:-}
if [ -z "$root" ]; then
  root=$(mktemp -d /var/tmp/lettrica-chroot.XXXXXX)
  keep=0
fi
cleanup() {
  for m in dev/pts dev proc; do mountpoint -q "$root/$m" && umount -l "$root/$m"; done
  [ "$keep" -eq 1 ] || rm -rf "$root"
}
trap cleanup EXIT

if [ ! -x "$root/usr/bin/apt-get" ]; then
  say "Making a minimal Debian 12 in $root from $mirror"
  debootstrap --variant=minbase bookworm "$root" "$mirror" >/dev/null
fi
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
in_root() { chroot "$root" env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 "$@"; }

say "Installing $(basename "$deb") with apt-get"
cp "$deb" "$root/tmp/"
in_root apt-get update -qq
in_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -q "/tmp/$(basename "$deb")"

say "Running the installed programs"
in_root lettrica-cli --version
[ "$(in_root sh -c "printf 'Щи да' | lettrica-cli to-latin")" = "Schi da" ] || fail "lettrica-cli does not convert"
for program in /usr/bin/lettrica /usr/bin/lettrica-cli; do
  missing_libs=$(in_root ldd "$program" | grep 'not found' || true)
  [ -z "$missing_libs" ] || fail "$program lacks libraries: $missing_libs"
done
# The window under the offscreen platform: still running after a few
# seconds means Qt, its platform plugin and the program all loaded.
status=0
in_root env QT_QPA_PLATFORM=offscreen LETTRICA_HOME=/tmp timeout 5 lettrica >"$root/tmp/lettrica.log" 2>&1 || status=$?
[ "$status" -eq 124 ] || fail "lettrica exited with $status: $(cat "$root/tmp/lettrica.log")"
# With no display at all, the X11 plugin itself must load and then say so.
in_root env DISPLAY=:99 LETTRICA_HOME=/tmp timeout 5 lettrica >"$root/tmp/lettrica.log" 2>&1 || true
grep -q 'could not connect to display' "$root/tmp/lettrica.log" ||
  fail "the X11 platform plugin did not load: $(cat "$root/tmp/lettrica.log")"
for f in /usr/share/lettrica/help.html /usr/share/applications/lettrica.desktop \
  /usr/share/icons/hicolor/scalable/apps/lettrica.svg /usr/share/icons/hicolor/48x48/apps/lettrica.png \
  /usr/share/man/man1/lettrica-cli.1.gz; do
  [ -f "$root$f" ] || fail "$f is not installed"
done
in_root dpkg -L lettrica > "$root/tmp/files"

say "Removing the package"
in_root env DEBIAN_FRONTEND=noninteractive apt-get purge -y -q lettrica
left=""
while read -r f; do
  [ -f "$root$f" ] || [ -L "$root$f" ] && left="$left $f"
done < "$root/tmp/files"
[ -z "$left" ] || fail "files left after removal:$left"
in_root dpkg -s lettrica >/dev/null 2>&1 && fail "dpkg still knows the package"
for d in /usr/share/lettrica; do [ ! -e "$root$d" ] || fail "$d is left behind"; done
say "The package installs, runs and removes cleanly on a fresh Debian 12"
