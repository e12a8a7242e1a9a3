# Sourced by the test and run scripts: a private X display and Wine prefix for this
# shell, both ended (by PID) and removed on exit.
#   wine_session_start  ->  exports DISPLAY, WINEPREFIX, WINEDEBUG
wine_session_start() {
  VRINX_SESSION_DIR=$(mktemp -d /tmp/vrinx-wine.XXXXXX)
  export WINEPREFIX="$VRINX_SESSION_DIR/prefix" WINEARCH=win64 WINEDEBUG=-all
  # The caller's own overrides (a missing d3d11.dll, say) come after these.
  export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
  trap wine_session_end EXIT
  # Xvfb takes a free display number itself (no race with sessions beside this one)
  # and writes it, with a line end, once it accepts clients.
  Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$VRINX_SESSION_DIR/display" >/dev/null 2>&1 &
  VRINX_XVFB_PID=$!
  local n=""
  for _ in $(seq 600); do
    read -r n 2>/dev/null <"$VRINX_SESSION_DIR/display" && break
    n=""
    kill -0 "$VRINX_XVFB_PID" 2>/dev/null || break
    sleep 0.1
  done
  if [[ -z "$n" ]]; then
    echo "wine_session_start: Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$n"
  wineboot -i >/dev/null 2>&1 || true
  wineserver -w 2>/dev/null || true
  # One persistent server for the whole session: programs started side by side
  # must not race each other to start it.
  wineserver -p 2>/dev/null || true
  wine cmd /c exit >/dev/null 2>&1 || true
}

wine_session_end() {
  # The server ends every Wine process of the prefix; wait for it before removing the prefix.
  if [[ -n "${WINEPREFIX:-}" ]]; then
    wineserver -k 2>/dev/null || true
    wineserver -w 2>/dev/null || true
  fi
  if [[ -n "${VRINX_XVFB_PID:-}" ]]; then
    kill "$VRINX_XVFB_PID" 2>/dev/null || true
    wait "$VRINX_XVFB_PID" 2>/dev/null || true
    VRINX_XVFB_PID=""
  fi
  [[ -n "${VRINX_SESSION_DIR:-}" ]] && rm -rf "$VRINX_SESSION_DIR"
  VRINX_SESSION_DIR=""
}
