# Process helpers shared by the end-to-end scripts that drive a real program in a real X window:
# a virtual display, a scratch working folder, and starting, finding, closing and cleaning up the program.
# Source it after `set -euo pipefail`. The caller sets `program` (and `wm_close` for close_like_a_user).
# shellcheck shell=bash
# shellcheck disable=SC2154 # program and wm_close are the caller's

# Without -noreset the X server resets whenever its last client disconnects (an xdotool polling loop is
# enough), and a program connecting during the reset fails with "x11 not available".
readonly e2e_xvfb_server_args="-screen 0 1280x720x24 -noreset"

# e2e_run_under_xvfb SCRIPT ARGS...: replaces this shell by SCRIPT on a virtual X display of its own.
e2e_run_under_xvfb() {
  exec xvfb-run -a -s "$e2e_xvfb_server_args" bash "$@"
}

# e2e_own_display MARKER SCRIPT ARGS...: runs SCRIPT again on a display of its own unless the environment
# variable MARKER says this already happened. For scripts that move the one X pointer and click, which the
# windows of tests running beside them on a shared display would disturb.
e2e_own_display() {
  local marker=$1
  shift
  if [ -z "${!marker:-}" ]; then
    export "$marker=1"
    e2e_run_under_xvfb "$@"
  fi
}

# Makes a scratch folder ($work) the working directory: the program writes its settings file there.
# Also points SDL at the X display and gives it a runtime folder, which keeps its Wayland probe quiet.
e2e_enter_work_folder() {
  work=$(mktemp -d)
  export XDG_RUNTIME_DIR=$work
  export SDL_VIDEODRIVER=x11
  cd "$work" || exit 1
  pid=""
  keep_work=0
  trap e2e_cleanup EXIT
}

# The program started last is alive (a zombie counts as ended).
running() {
  [ -e "/proc/$pid" ] && ! grep -q '^[0-9]* (.*) Z' "/proc/$pid/stat" 2>/dev/null
}

# A program that ignores its quit request is killed after 2 s, so a failing script ends promptly.
e2e_cleanup() {
  if [ -n "$pid" ] && [ -e "/proc/$pid" ]; then
    kill -TERM "$pid" 2>/dev/null || true
    for ((i = 0; i < 20; i++)); do
      running || break
      sleep 0.1
    done
    kill -KILL "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  fi
  if [ "$keep_work" = 1 ]; then
    echo "screenshots kept in $work" >&2
  else
    rm -rf "$work"
  fi
}

# Prints what the program wrote to its standard output and error streams.
e2e_show_program_output() {
  for stream in out err; do
    if [ -s "$work/$stream" ]; then
      echo "--- program std$stream:" >&2
      cat "$work/$stream" >&2
    fi
  done
}

# fail MESSAGE: reports the failed check (named by $check) with the program's output and ends the script.
# Scripts that take screenshots set keep_work_on_failure=1 to keep them for a look.
check=""
keep_work_on_failure=0
fail() {
  echo "FAIL${check:+ ($check)}: $*" >&2
  e2e_show_program_output
  if [ "$keep_work_on_failure" = 1 ]; then
    keep_work=1
  fi
  exit 1
}

# start_program ARGS...: starts $program in the background with no terminal; sets pid.
# shellcheck disable=SC2120 # the arguments are optional
start_program() {
  "$program" "$@" >"$work/out" 2>"$work/err" </dev/null &
  pid=$!
}

# find_window [SECONDS]: sets wid to the program's visible window, waiting up to SECONDS (default 10) for
# it. Found by process id, so programs can run side by side on one display.
# shellcheck disable=SC2120 # the argument is optional
find_window() {
  local seconds=${1:-10}
  wid=""
  for ((i = 0; i < seconds * 10; i++)); do
    wid=$(xdotool search --onlyvisible --pid "$pid" 2>/dev/null | head -n 1) || true
    [ -n "$wid" ] && return 0
    running || fail "the program ended before showing a window"
    sleep 0.1
  done
  fail "no visible window for process $pid within $seconds s"
}

# wait_for_exit SECONDS: waits for the program to end after a close request; sets rc to its exit code.
wait_for_exit() {
  local tenths=$(($1 * 10))
  for ((i = 0; i < tenths; i++)); do
    running || break
    sleep 0.1
  done
  running && fail "still running $1 s after the close request"
  rc=0
  wait "$pid" || rc=$?
  pid=""
}

# Closes the window the way a window manager's close button does (WM_DELETE_WINDOW through $wm_close)
# and expects the program to end with exit code 0 within 5 s.
close_like_a_user() {
  "$wm_close" "$wid" || fail "could not send WM_DELETE_WINDOW to $wid"
  wait_for_exit 5
  [ "$rc" -eq 0 ] || fail "exit code $rc after the close request, expected 0"
}
