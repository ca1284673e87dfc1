#!/usr/bin/env bash
# Takes docs/screenshot.png: the console, logged in as the built-in administrator, running against
# the controller simulator under a virtual X server of 1920 x 1200, on this machine only
# (127.0.0.1, free ports). Everything the console writes goes to a temporary folder
# (POKAVRO_ROOT) that is removed at the end.
#   tools/screenshot.sh [output.png]     (default: docs/screenshot.png)
# SIM_INPUT: lines for the simulator's plant, sent after the login (as "kvs NL1 ON"; see
#   tools/ctrlsim/main.cpp), each followed by a second for the plant to move.
# CROP: a part of the screen to keep, as WxH+X+Y (the vacuum screen: 900x900+0+100).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
out=${1:-$repo/docs/screenshot.png}
build=$repo/build-run

tools/deps.sh cmake ninja-build g++ pkg-config qtbase5-dev qtbase5-dev-tools libqt5svg5-dev \
  fonts-dejavu-core xvfb xauth xdotool imagemagick python3

cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOKAVRO_TESTS=OFF -DPOKAVRO_BENCH=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target poKAVRO ctrlsim_run

sandbox=$(mktemp -d "${TMPDIR:-/tmp}/pokavro-shot.XXXXXX")
pids=()
cleanup() {
  local pid
  for pid in "${pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  rm -rf "$sandbox"
}
trap cleanup EXIT

# Six loopback ports that are free now (drive, vacuum system, vacuum/door: TCP then UDP).
read -r drive_tcp drive_udp kvs_tcp kvs_udp kvk_tcp kvk_udp < <(python3 - <<'PY'
import socket
held, ports = [], []
while len(ports) < 6:
    t = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    t.bind(("127.0.0.1", 0))
    port = t.getsockname()[1]
    u = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
    try:
        u.bind(("127.0.0.1", port))
    except OSError:
        t.close()
        continue
    held += [t, u]
    ports.append(port)
print(*ports)
PY
)

root=$sandbox/root
mkdir -p "$root/home/oper/bin/passports" "$root/programs/ch1" "$root/programs/ch2" "$root/programs/ch3" \
  "$root/points" "$root/log" "$root/var/tmp" "$root/dev" "$sandbox/tmp" "$sandbox/work/dump" "$sandbox/runtime"
chmod 700 "$sandbox/runtime"
cat >"$root/home/oper/bin/settings.ini" <<INI
[Network]
DriveHost=127.0.0.1
DriveTcpPort=$drive_tcp
DriveUdpPort=$drive_udp
KvsHost=127.0.0.1
KvsTcpPort=$kvs_tcp
KvsUdpPort=$kvs_udp
KvkHost=127.0.0.1
KvkTcpPort=$kvk_tcp
KvkUdpPort=$kvk_udp
INI

# A weld program for the editor to load at start ("contour.save" in "contours/" beside the program).
mkdir -p "$root$build/contours"
cat >"$root$build/contours/contour.save" <<'SAVE'
Фланец
XYZ
-1 0 0
0 -1
1 2
600
5
120.00 45.00 12.50 1 0 0 0 
180.00 45.00 12.50 2 1 0 30 
180.00 105.00 12.50 1 0 0 0 
120.00 105.00 12.50 1 0 0 0 
120.00 75.00 12.50 1 0 0 0 
6
+ 0.00 0.0 700 0.0 0.0 600.0 2 
- Сварка корня
+ 5.00 45.0 700 0.0 0.0 600.0 1 2 1.5 1.5 0 500 0 0 1 0
+ 250.00 45.0 700 0.0 0.0 600.0 0 
- Технол.останов
+ 519.00 0.0 700 0.0 0.0 600.0 2 
SAVE

export POKAVRO_ROOT=$root
export TMPDIR=$sandbox/tmp
export XDG_RUNTIME_DIR=$sandbox/runtime

mkfifo "$sandbox/ctrlsim.in"
"$build/ctrlsim" --drive-tcp "$drive_tcp" --drive-udp "$drive_udp" --kvs-tcp "$kvs_tcp" \
  --kvs-udp "$kvs_udp" --kvk-tcp "$kvk_tcp" --kvk-udp "$kvk_udp" <>"$sandbox/ctrlsim.in" >"$sandbox/ctrlsim.log" 2>&1 &
pids+=($!)

display=99
while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
Xvfb ":$display" -screen 0 1920x1200x24 -nolisten tcp >"$sandbox/xvfb.log" 2>&1 &
pids+=($!)
export DISPLAY=":$display"
for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done

(cd "$sandbox/work" && exec "$build/poKAVRO") >"$sandbox/poKAVRO.log" 2>&1 &
console=$!
pids+=("$console")

fail() {
  echo "screenshot: $1" >&2
  sed 's/^/  console: /' "$sandbox/poKAVRO.log" >&2 || true
  exit 1
}

# Waits (up to 20 s) for a visible window of the console and prints its id.
visible_window() {
  local win=""
  for _ in $(seq 200); do
    kill -0 "$console" 2>/dev/null || fail "the console ended before the login"
    win=$(xdotool search --onlyvisible --pid "$console" 2>/dev/null | head -1 || true)
    [ -n "$win" ] && break
    sleep 0.1
  done
  [ -n "$win" ] || fail "no window of the console within 20 s"
  echo "$win"
}

# A fresh installation has no users file yet: the console says so in a box before the login.
visible_window >/dev/null
sleep 1
for box in $(xdotool search --onlyvisible --name "Система авторизации" 2>/dev/null || true); do
  xdotool windowfocus --sync "$box"
  xdotool key Return
  sleep 1
done

# The login dialog, with the login field focused. No window manager gives it the keyboard:
# hand it over, then type as the operator would.
login=$(visible_window)
xdotool windowfocus --sync "$login"
sleep 0.3
xdotool type --delay 80 "su"
xdotool key --delay 80 Return
xdotool type --delay 80 "62940571"
xdotool key --delay 80 Return

# The main window, full screen, with the simulator's first status shown.
sleep 5
kill -0 "$console" 2>/dev/null || fail "the console ended after the login"
while IFS= read -r line; do
  [ -n "$line" ] || continue
  echo "$line" >"$sandbox/ctrlsim.in"
  sleep 1
done <<<"${SIM_INPUT:-}"
mkdir -p "$(dirname "$out")"
import -window root ${CROP:+-crop "$CROP"} +repage "$out"
echo "wrote $out"
