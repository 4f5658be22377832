# Wine for the Windows tests: a prefix inside the build folder, a virtual X
# display for the window, and quiet logs. Source it, then start_wine/stop_wine.

export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"
export WINEARCH=win64
ZUL_XVFB_PID=""

start_wine() {
  if [[ -z "${DISPLAY:-}" ]] || ! xdpyinfo >/dev/null 2>&1; then
    local n
    for n in $(seq 90 130); do
      [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
      Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
      ZUL_XVFB_PID=$!
      export DISPLAY=":$n"
      break
    done
    for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  fi
  if [[ ! -f "$WINEPREFIX/system.reg" ]]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1 || true
  fi
  wineserver -p 600 >/dev/null 2>&1 || true
  # Start the prefix's services here, with their output on /dev/null: started
  # by the first test instead, they would inherit ctest's output pipe and keep
  # it open, and ctest would wait for them for ever.
  wineboot >/dev/null 2>&1 || true
}

stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
  if [[ -n "$ZUL_XVFB_PID" ]]; then kill "$ZUL_XVFB_PID" 2>/dev/null || true; fi
}
