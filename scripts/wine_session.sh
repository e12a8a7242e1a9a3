# A private X display and Wine prefix, both ended (by PID) and removed at the end.
#   source it, wine_session_start  ->  exports DISPLAY, WINEPREFIX, WINEDEBUG for this shell
#                                      and VRINX_WINE_TEMPLATE (its prefix) for the sessions below
#   bash scripts/wine_session.sh COMMAND...  ->  runs COMMAND in a session of its own
# A session under a template copies that prefix (seconds) instead of making one (half a
# minute), so the end-to-end tests can each have their own display and prefix side by side.
wine_session_start() {
  VRINX_SESSION_DIR=$(mktemp -d /tmp/vrinx-wine.XXXXXX)
  export WINEPREFIX="$VRINX_SESSION_DIR/prefix" WINEARCH=win64 WINEDEBUG=-all
  # The caller's own overrides (a missing d3d11.dll, say) come after these.
  export WINEDLLOVERRIDES="mscoree,mshtml=${WINEDLLOVERRIDES:+;$WINEDLLOVERRIDES}"
  trap wine_session_end EXIT
  trap 'exit 143' TERM INT  # a test's time-out or ^C still ends the session
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
  if [[ -d ${VRINX_WINE_TEMPLATE:-} ]]; then
    wine_session_copy "$VRINX_WINE_TEMPLATE" "$WINEPREFIX"
  else
    wineboot -i >/dev/null 2>&1 || true
    # Windows left to Wine, not to a window manager (the display has none): else each window
    # hidden waits two seconds for a manager to withdraw it.
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
    wineserver -w 2>/dev/null || true
    export VRINX_WINE_TEMPLATE="$WINEPREFIX"
  fi
  # One persistent server for the whole session: programs started side by side
  # must not race each other to start it.
  wineserver -p 2>/dev/null || true
  wine cmd /c exit >/dev/null 2>&1 || true
}

# The system folders' libraries (nine tenths of a prefix) are shared as hard links: Wine
# never writes them, and a file put there is a new name. Every other file is a copy, so
# nothing a session changes in place reaches the template.
wine_session_copy() {
  local from=$1 to=$2
  cp -a --link "$from" "$to"
  find "$to" -type f ! -path "$to/drive_c/windows/system32/*" ! -path "$to/drive_c/windows/syswow64/*" \
    -exec sh -c 'for f; do cp -p "$f" "$f.copy" && mv -f "$f.copy" "$f"; done' sh {} +
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

if [[ ${BASH_SOURCE[0]} == "$0" ]]; then
  set -euo pipefail
  wine_session_start
  status=0
  "$@" || status=$?
  exit "$status"
fi
