# Sourced by the test and run scripts: a private X display and Wine prefix for this
# shell, both ended (by PID) and removed on exit.
#   wine_session_start  ->  exports DISPLAY, WINEPREFIX, WINEDEBUG
wine_session_start() {
  VRINX_SESSION_DIR=$(mktemp -d /tmp/vrinx-wine.XXXXXX)
  export WINEPREFIX="$VRINX_SESSION_DIR/prefix" WINEARCH=win64 WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  local n=90
  while [[ -e /tmp/.X$n-lock || -e /tmp/.X11-unix/X$n ]]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
  VRINX_XVFB_PID=$!
  export DISPLAY=":$n"
  for _ in $(seq 50); do [[ -e /tmp/.X11-unix/X$n ]] && break; sleep 0.1; done
  trap wine_session_end EXIT
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
  # One persistent server for the whole session: programs started side by side
  # must not race each other to start it.
  wineserver -p 2>/dev/null || true
  wine cmd /c exit >/dev/null 2>&1 || true
}

wine_session_end() {
  [[ -n "${WINEPREFIX:-}" ]] && wineserver -k 2>/dev/null || true
  [[ -n "${VRINX_XVFB_PID:-}" ]] && kill "$VRINX_XVFB_PID" 2>/dev/null || true
  [[ -n "${VRINX_SESSION_DIR:-}" ]] && rm -rf "$VRINX_SESSION_DIR"
}
