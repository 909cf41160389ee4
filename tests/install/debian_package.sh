#!/usr/bin/env bash
# The Debian package as `cpack -G DEB` makes it, held to lintian: no error
# (a copyright file and changelog), no warning, no hardening tag. Fortify is
# read from the programs themselves (they call __*_chk functions): lintian's
# fortify tag guesses, and fires on read() into a buffer whose size only the
# run knows.
# Arguments: the build directory.
set -euo pipefail
build=$(realpath "$1")
fail() { echo "FAIL: $*" >&2; exit 1; }
for tool in cpack lintian dpkg-shlibdeps; do
  command -v "$tool" >/dev/null || { echo "SKIP: $tool is missing (tools/deps.sh installs it)"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >/dev/null) || fail "cpack made no package"
deb=$(ls "$work"/lettrica_*.deb)

said=$(lintian --display-info --tag-display-limit 0 "$deb" 2>/dev/null || true)
printf '%s\n' "$said"
bad=$(grep -E '^[EW]: |: hardening-' <<<"$said" | grep -v ': hardening-no-fortify-functions ' || true)
[ -z "$bad" ] || fail "lintian: $bad"

dpkg-deb -x "$deb" "$work/root"
for program in lettrica lettrica-cli; do
  symbols=$(readelf --wide --dyn-syms "$work/root/usr/bin/$program")
  grep -qE ' UND __[a-z0-9_]+_chk@' <<<"$symbols" ||
    fail "$program calls no checked function: built without fortify"
done
echo "package: lintian has no error, warning or hardening tag; both programs are fortified"
