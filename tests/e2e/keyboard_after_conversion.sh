#!/usr/bin/env bash
# Under a window manager (openbox) a short conversion shows and hides the
# progress window before the manager has moved the focus to it; the keyboard
# must still reach the main window afterwards. Round after round: Alt+V puts
# a text in, F3 converts it, Alt+C must copy the result out; Esc closes.
# Arguments: the lettrica binary.
set -euo pipefail
source "$(dirname "$0")/lib/session.sh"

trap 'kill "${wm:-}" 2>/dev/null || true; rm -rf "$LETTRICA_HOME"' EXIT
start_window_manager

start
words=(Щи Жук Ёлка Щука Юла Чай Шум Яма Мир Цех)
latin=(Schi Zhuk Elka Schuka Yula Chaj Shum Yama Mir Ceh)
for i in "${!words[@]}"; do
  convert_via_clipboard "${words[$i]}" F3 "${latin[$i]}"
  xdotool key --clearmodifiers ctrl+n
done
stop
echo "e2e: the keyboard stays with the window through ${#words[@]} conversions"
