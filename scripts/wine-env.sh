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
  # Wine's own fonts (Tahoma for "MS Shell Dlg", Marlett for the caption
  # buttons) are not found where Debian installs them: link them into the prefix.
  local fonts="$WINEPREFIX/drive_c/windows/Fonts" f
  if [[ -d "$fonts" ]]; then
    for f in /usr/share/wine/fonts/*.ttf; do
      [[ -e "$f" && ! -e "$fonts/${f##*/}" ]] && ln -s "$f" "$fonts/"
    done
  fi
  # On the virtual display there is no window manager, and Wine would wait two
  # seconds for one at every window it hides: leave windows unmanaged there.
  # On a real display the window manager frames them as usual.
  local managed=Y
  [[ -n "$ZUL_XVFB_PID" ]] && managed=N
  if ! grep -q "\"Managed\"=\"$managed\"" "$WINEPREFIX/user.reg" 2>/dev/null; then
    wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d "$managed" /f >/dev/null 2>&1 || true
  fi
  wineserver -p 600 >/dev/null 2>&1 || true
  # Start Wine's background services now, detached from every pipe: started
  # by the first test instead, they would inherit its output and ctest would
  # wait for them until the server ends.
  wineboot >/dev/null 2>&1 </dev/null || true
}

stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
  if [[ -n "$ZUL_XVFB_PID" ]]; then kill "$ZUL_XVFB_PID" 2>/dev/null || true; fi
}
