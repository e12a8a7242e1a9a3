#!/usr/bin/env bash
# Runs the demo: under Wine on the user's display when there is one; without a
# display, headless under Xvfb for a few seconds, saving a screenshot.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
exe="$root/build/win/Vrinx.exe"
winctl="$root/build/win/tests/e2e/winctl.exe"
[[ -f "$exe" ]] || { echo "run: build first (bash scripts/build.sh)" >&2; exit 1; }

if [[ -n "${DISPLAY:-}" ]] && xdpyinfo >/dev/null 2>&1; then
  WINEDEBUG=-all exec wine "$exe" "$@"
fi

source "$root/scripts/wine_session.sh"
wine_session_start
shot="$root/build/vrinx-screenshot.png"
wine "$exe" /nogui &
pid=$!
wine "$winctl" wait 60 >/dev/null
sleep 5
read -r x y w h < <(wine "$winctl" rect | tr -d '\r')
import -silent -window root -crop "${w}x${h}+${x}+${y}" +repage "$shot"
wine "$winctl" close >/dev/null
wait "$pid" && echo "run: the demo ran headless; screenshot: $shot"
