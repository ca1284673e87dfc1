# Sourced by run.sh, tools/screenshot.sh and tools/screens.sh: what it takes to run the console
# as it runs on the installation. Defines functions only; `repo` must be set to the repository.

# The packages the console needs to run on its own screen, beside the build tools: the fonts it
# draws every text in (Cantarell of its forms, DejaVu Sans and Sans Mono for the forms' generic
# families, Liberation Mono of the pendant's help box), and the Russian locale of the installation.
session_packages=(cmake ninja-build g++ pkg-config qtbase5-dev qtbase5-dev-tools libqt5svg5-dev
  fonts-cantarell fonts-liberation2 fonts-dejavu-core locales)

# Generates the installation's locale ru_RU.UTF-8 when the machine lacks it (as root), and exports
# CONSOLE_LOCALE, the LANG and LC_ALL of the console. A machine that cannot have it runs the
# console in C.UTF-8, with a warning.
session_locale() {
  CONSOLE_LOCALE=ru_RU.UTF-8
  if ! locale -a 2>/dev/null | grep -qix 'ru_RU\.utf-\?8'; then
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    echo "Generating the locale $CONSOLE_LOCALE"
    if [ -f /etc/locale.gen ] && grep -q '^# *ru_RU.UTF-8 UTF-8' /etc/locale.gen; then
      $sudo sed -i 's/^# *\(ru_RU.UTF-8 UTF-8\)/\1/' /etc/locale.gen
    elif ! grep -q '^ru_RU.UTF-8 UTF-8' /etc/locale.gen 2>/dev/null; then
      echo 'ru_RU.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
    fi
    $sudo locale-gen >/dev/null || true
  fi
  if ! locale -a 2>/dev/null | grep -qix 'ru_RU\.utf-\?8'; then
    echo "warning: no locale $CONSOLE_LOCALE on this machine; the console runs in the C locale" >&2
    CONSOLE_LOCALE=C.UTF-8
  fi
  export CONSOLE_LOCALE
}

# Builds the console and the simulator into the given folder.
session_build() {  # build_dir
  cmake -S "$repo" -B "$1" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPOKAVRO_TESTS=OFF \
    -DPOKAVRO_BENCH=OFF >/dev/null
  cmake --build "$1" -j "$(nproc)" --target poKAVRO ctrlsim_run
}

# Prints six loopback ports that are free now (drive, vacuum system, vacuum/door: TCP then UDP).
session_free_ports() {
  python3 - <<'PY'
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
}

# Lays out an installation under root: its folders and, when given ports, a settings file that
# points the console at the simulator on 127.0.0.1 (ports as session_free_ports prints them).
session_root() {  # root [drive_tcp drive_udp kvs_tcp kvs_udp kvk_tcp kvk_udp]
  local root=$1
  shift
  mkdir -p "$root/home/oper/bin/passports" "$root/programs/ch1" "$root/programs/ch2" "$root/programs/ch3" \
    "$root/points" "$root/log" "$root/var/tmp" "$root/dev"
  [ $# -eq 6 ] || return 0
  cat >"$root/home/oper/bin/settings.ini" <<INI
[Network]
DriveHost=127.0.0.1
DriveTcpPort=$1
DriveUdpPort=$2
KvsHost=127.0.0.1
KvsTcpPort=$3
KvsUdpPort=$4
KvkHost=127.0.0.1
KvkTcpPort=$5
KvkUdpPort=$6
INI
}

# Starts a virtual X server of the installation's screen, 1920 x 1200 at 96 dpi (the forms'
# point sizes are meant for it), on the first free display; sets XVFB_PID and exports DISPLAY.
session_xvfb() {  # log_file
  local display=99
  while [ -e "/tmp/.X11-unix/X$display" ] || [ -e "/tmp/.X$display-lock" ]; do display=$((display + 1)); done
  Xvfb ":$display" -screen 0 1920x1200x24 -dpi 96 -nolisten tcp >"$1" 2>&1 &
  XVFB_PID=$!
  export DISPLAY=":$display"
  for _ in $(seq 100); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
}

# ---- a console under a virtual X server, for pictures -----------------------------------------
# session_start sets up everything in a temporary folder, starts the simulator, the X server and
# the console, and logs in as the built-in administrator; session_stop (run on exit) ends them by
# their process ids and removes the folder. Needs xvfb xauth xdotool imagemagick python3.
session_pids=()
session_dir=""

session_stop() {
  local pid
  for pid in "${session_pids[@]}"; do
    kill "$pid" 2>/dev/null || true
  done
  for pid in "${session_pids[@]}"; do
    for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.1; done
    kill -9 "$pid" 2>/dev/null || true
  done
  session_pids=()
  [ -n "$session_dir" ] && rm -rf "$session_dir"
  session_dir=""
}

session_fail() {  # message
  echo "$(basename "$0"): $1" >&2
  [ -n "$session_dir" ] && sed 's/^/  console: /' "$session_dir/poKAVRO.log" >&2 || true
  exit 1
}

# Sends lines to the simulator's plant (as "kvs NL1 ON"; see tools/ctrlsim/main.cpp), each
# followed by a second for the plant to move.
session_sim_input() {  # lines
  local line
  while IFS= read -r line; do
    [ -n "$line" ] || continue
    echo "$line" >"$session_dir/ctrlsim.in"
    sleep 1
  done <<<"$1"
}

# Waits (up to 20 s) for a visible window of the console and prints its id.
session_visible_window() {
  local win=""
  for _ in $(seq 200); do
    kill -0 "$CONSOLE_PID" 2>/dev/null || session_fail "the console ended"
    win=$(xdotool search --onlyvisible --pid "$CONSOLE_PID" 2>/dev/null | head -1 || true)
    [ -n "$win" ] && break
    sleep 0.1
  done
  [ -n "$win" ] || session_fail "no window of the console within 20 s"
  echo "$win"
}

# A weld program for the editor to load at start ("contour.save" in "contours/" beside the
# program, which the console reaches below POKAVRO_ROOT).
session_demo_contour() {  # contours_folder
  mkdir -p "$1"
  cat >"$1/contour.save" <<'SAVE'
Фланец
XYZ
-1 0 0
5 -1
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
}

session_start() {  # build_dir
  local build=$1
  session_dir=$(mktemp -d "${TMPDIR:-/tmp}/pokavro-screens.XXXXXX")
  trap session_stop EXIT
  local ports
  read -r -a ports < <(session_free_ports)
  local root=$session_dir/root
  session_root "$root" "${ports[@]}"
  mkdir -p "$session_dir/tmp" "$session_dir/work/dump" "$session_dir/runtime"
  chmod 700 "$session_dir/runtime"
  session_demo_contour "$root$build/contours"
  printf '[Contour]\ncontourSpeed=1000\n' >>"$root/home/oper/bin/settings.ini"
  export POKAVRO_ROOT=$root
  export TMPDIR=$session_dir/tmp
  export XDG_RUNTIME_DIR=$session_dir/runtime

  # The simulator reads plant commands from a pipe that stays open (session_sim_input).
  mkfifo "$session_dir/ctrlsim.in"
  "$build/ctrlsim" --drive-tcp "${ports[0]}" --drive-udp "${ports[1]}" --kvs-tcp "${ports[2]}" \
    --kvs-udp "${ports[3]}" --kvk-tcp "${ports[4]}" --kvk-udp "${ports[5]}" <>"$session_dir/ctrlsim.in" \
    >"$session_dir/ctrlsim.log" 2>&1 &
  session_pids+=($!)
  session_xvfb "$session_dir/xvfb.log"
  session_pids+=("$XVFB_PID")

  (cd "$session_dir/work" && exec env LANG="$CONSOLE_LOCALE" LC_ALL="$CONSOLE_LOCALE" LANGUAGE= \
    "$build/poKAVRO") >"$session_dir/poKAVRO.log" 2>&1 &
  CONSOLE_PID=$!
  session_pids+=("$CONSOLE_PID")

  # A fresh installation has no users file yet: the console says so in a box before the login.
  session_visible_window >/dev/null
  sleep 1
  local box
  for box in $(xdotool search --onlyvisible --name "Система авторизации" 2>/dev/null || true); do
    xdotool windowfocus --sync "$box"
    xdotool key Return
    sleep 1
  done

  # The login dialog, with the login field focused. No window manager gives it the keyboard:
  # hand it over, then type as the operator would.
  local login
  login=$(session_visible_window)
  xdotool windowfocus --sync "$login"
  sleep 0.3
  xdotool type --delay 80 "su"
  xdotool key --delay 80 Return
  xdotool type --delay 80 "62940571"
  xdotool key --delay 80 Return

  # The main window, full screen, with the simulator's first status shown.
  sleep 5
  kill -0 "$CONSOLE_PID" 2>/dev/null || session_fail "the console ended after the login"
}
