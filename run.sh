#!/usr/bin/env bash
# Brings up the console against the controller simulator, on this machine only (127.0.0.1).
#   ./run.sh          install what is missing (Debian 12, as root), build, prepare the sandbox,
#                     start the simulator and the console
#   ./run.sh --stop   stop the console, the simulator and the virtual X server
# The console runs on the desktop when DISPLAY is set, otherwise under a virtual X server of
# 1920 x 1200, in the installation's Russian locale (ru_RU.UTF-8, generated when missing).
# Everything it reads and writes lives under .sandbox/ (POKAVRO_ROOT).
set -euo pipefail
cd "$(dirname "$0")"
repo=$(pwd)
sandbox=$repo/.sandbox
root=$sandbox/root
build=$repo/build-run
# shellcheck source=tools/session.sh
. tools/session.sh

stop_one() {  # name
  local pidfile=$sandbox/$1.pid
  [ -f "$pidfile" ] || return 0
  local pid
  pid=$(cat "$pidfile")
  if kill -0 "$pid" 2>/dev/null; then
    kill "$pid" 2>/dev/null || true
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$pid" 2>/dev/null && kill -9 "$pid" 2>/dev/null || true
    echo "stopped $1 ($pid)"
  fi
  rm -f "$pidfile"
}

stop_all() {
  stop_one poKAVRO
  stop_one ctrlsim
  stop_one xvfb
}

case "${1:-}" in
  --stop) stop_all; exit 0 ;;
  "") ;;
  -h|--help) sed -n '2,7p' "$0"; exit 0 ;;
  *) echo "unknown option: $1" >&2; exit 2 ;;
esac

tools/deps.sh "${session_packages[@]}" xvfb xauth
session_locale
session_build "$build"

# A fresh start: whatever an earlier ./run.sh left running goes first.
stop_all
session_root "$root"
mkdir -p "$sandbox/tmp" "$sandbox/work/dump"
settings=$root/home/oper/bin/settings.ini
if ! grep -q '^\[Network\]' "$settings" 2>/dev/null; then
  cat >>"$settings" <<'INI'

[Network]
DriveHost=127.0.0.1
KvsHost=127.0.0.1
KvkHost=127.0.0.1
INI
fi

export POKAVRO_ROOT=$root
export TMPDIR=$sandbox/tmp
mkdir -p "$sandbox/runtime" && chmod 700 "$sandbox/runtime"
export XDG_RUNTIME_DIR=$sandbox/runtime

# The simulator takes plant commands on a pipe: echo "kvs NL1 ON" >.sandbox/ctrlsim.in
[ -p "$sandbox/ctrlsim.in" ] || mkfifo "$sandbox/ctrlsim.in"
"$build/ctrlsim" <>"$sandbox/ctrlsim.in" >"$sandbox/ctrlsim.log" 2>&1 &
echo $! >"$sandbox/ctrlsim.pid"

if [ -z "${DISPLAY:-}" ]; then
  session_xvfb "$sandbox/xvfb.log"
  echo "$XVFB_PID" >"$sandbox/xvfb.pid"
  echo "virtual X server on DISPLAY=$DISPLAY (1920x1200)"
fi

(cd "$sandbox/work" && exec env LANG="$CONSOLE_LOCALE" LC_ALL="$CONSOLE_LOCALE" LANGUAGE= "$build/poKAVRO") \
  >"$sandbox/poKAVRO.log" 2>&1 &
echo $! >"$sandbox/poKAVRO.pid"

sleep 1
if ! kill -0 "$(cat "$sandbox/poKAVRO.pid")" 2>/dev/null; then
  echo "the console did not start; see $sandbox/poKAVRO.log" >&2
  stop_all
  exit 1
fi
echo "simulator and console are running (logs in $sandbox); stop both with: ./run.sh --stop"
echo "switch a vacuum element in the simulator with, for example: echo 'kvs NL1 ON' >$sandbox/ctrlsim.in"
