#!/usr/bin/env bash
# Builds Lettrica (release) and starts it. Arguments are passed to the program
# (a file to open, or /t to start in the notification area).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  cat <<TXT

Lettrica is built, but there is no display here (neither DISPLAY nor
WAYLAND_DISPLAY is set), so the window cannot open. Start it from a desktop
session, or use the command line, which needs no display:

  build/release/src/cli/lettrica-cli to-latin  FILE        # Rus -> Translit
  build/release/src/cli/lettrica-cli to-cyrillic FILE      # Rus <- Translit
  build/release/src/cli/lettrica-cli --help
TXT
  exit 1
fi
exec build/release/src/app/lettrica "$@"
