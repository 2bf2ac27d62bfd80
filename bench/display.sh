# Sourced by the benchmarks that run the SDL runtime as a user does: a
# 1920x1080 Xvfb display of their own, and the saver on it.
#   start_display [WxH]  sets $display, stopped by stop_display
#   run_saver SAVER      starts SAVER /s on it, sets $saver_pid
#   end_saver            a key press ends it (exit mode 3), waiting up to 5 s

start_display() {
  local n
  for n in $(seq 90 130); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    # -noreset: the server would reset when its last client leaves, and
    # refuse the next one meanwhile.
    Xvfb ":$n" -screen 0 "${1:-1920x1080}x24" -nolisten tcp -noreset >/dev/null 2>&1 &
    xvfb_pid=$!
    display=:$n
    break
  done
  for _ in $(seq 50); do xdpyinfo -display "$display" >/dev/null 2>&1 && return; sleep 0.1; done
  echo "no Xvfb display could be started" >&2
  return 1
}

stop_display() {
  [[ -n ${xvfb_pid:-} ]] && kill "$xvfb_pid" 2>/dev/null
  xvfb_pid=
}

run_saver() {
  mkdir -p -m 700 "$work/runtime-dir"
  XDG_RUNTIME_DIR=$work/runtime-dir DISPLAY=$display "$1" /s >/dev/null 2>&1 &
  saver_pid=$!
}

end_saver() {
  DISPLAY=$display xdotool key a
  for _ in $(seq 50); do kill -0 "$saver_pid" 2>/dev/null || break; sleep 0.1; done
  kill "$saver_pid" 2>/dev/null && echo "the saver did not end on a key" >&2
  wait "$saver_pid" 2>/dev/null || true
}
