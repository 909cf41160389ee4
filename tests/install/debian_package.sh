#!/usr/bin/env bash
# The Debian package as `cpack -G DEB` makes it, checked by lintian: no error,
# no warning, none of its hardening tags (relro, bindnow, PIE, stack
# protector), so the package carries its copyright file and changelog and its
# programs Debian's hardening. Fortify is read from the programs themselves:
# each calls checked functions (__*_chk). lintian's own fortify tag is left
# out, as it guesses: it fires on a program whose only candidates are read()
# and readlink() into buffers of a size known only at run time, which
# fortify cannot check. The package is made in a folder of its own and
# removed afterwards.
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

# lintian refuses nothing by its exit status here; its tags are read instead.
said=$(lintian --display-info --tag-display-limit 0 "$deb" 2>/dev/null || true)
printf '%s\n' "$said"
bad=$(grep -E '^[EW]: |: hardening-|: no-copyright-file|: no-changelog' <<<"$said" |
  grep -v ': hardening-no-fortify-functions ' || true)
[ -z "$bad" ] || fail "lintian: $bad"

dpkg-deb -x "$deb" "$work/root"
for program in lettrica lettrica-cli; do
  symbols=$(readelf --wide --dyn-syms "$work/root/usr/bin/$program")
  grep -qE ' UND __[a-z0-9_]+_chk@' <<<"$symbols" ||
    fail "$program calls no checked function: built without fortify"
done
echo "package: lintian has no error, warning or hardening tag; both programs are fortified"
