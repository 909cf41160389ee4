#!/usr/bin/env bash
# Installs what Lettrica needs to build, run and test on Debian 12.
# Packages already present are not fetched again.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  # whether a print queue took a job: asked of libcups, which Qt prints through
  libcups2-dev
  # Qt's own dialogs and buttons in Russian (qtbase_ru.qm)
  qt6-translations-l10n
  # the face that stands in for "MS Sans Serif"; the dialogs are laid out for it
  fontconfig fonts-dejavu-core
  libgtest-dev libgmock-dev libbenchmark-dev
  # tests: a display, a keyboard, a clipboard, a mail server, certificates
  xvfb xauth xdotool xclip x11-utils
  # the notification area: a tray host and a window manager
  trayer openbox
  # the install tests: desktop entry check, the manual page viewer, the
  # package's checker and what cpack needs for the package's dependencies
  desktop-file-utils man-db lintian dpkg-dev
  python3 python3-aiosmtpd python3-impacket openssl
  # RTF: the word processor our files are checked against
  libreoffice-writer-nogui
  # printing: a print server of the tests' own with a PDF printer, and
  # poppler to read the PDFs back
  cups printer-driver-cups-pdf poppler-utils
  # benchmarks: the peers we measure against, and GNU time for peak memory
  icu-devtools time
  # the window's answers to _NET_WM_PING, asked from outside (tests/bench/desktop/ping_wait.cpp)
  libxcb1-dev
  # the text the repair's letter statistics are made from (tools/gen_repair_model.py)
  # and its accuracy benchmark measures on (tools/repair_accuracy.py)
  fortunes-ru hunspell-ru wamerican
  # the test peer of the transliteration systems (iuliia, from npm)
  nodejs
  # program translations in two dozen languages: the clean lines no repair
  # may change, and the letter statistics of those languages
  iso-codes libgtk2.0-common libglib2.0-data shared-mime-info xdg-user-dirs
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
# npm: Debian's own package, unless the installed node brought one
command -v npm >/dev/null || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""
  [ "$(id -u)" -eq 0 ] || SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi
