#!/usr/bin/env bash
# Builds Lettrica and runs every test: engine, command line, mail against a
# real SMTP server on loopback, windows offscreen, and the real program
# under Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
tools/deps.sh
cmake --preset release >/dev/null
cmake --build --preset release
ctest --preset release "$@"
