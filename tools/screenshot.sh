#!/usr/bin/env bash
# Takes docs/screenshot.png: the console, logged in as the built-in administrator, running against
# the controller simulator under a virtual X server of 1920 x 1200, on this machine only
# (127.0.0.1, free ports). Everything the console writes goes to a temporary folder
# (POKAVRO_ROOT) that is removed at the end. tools/screens.sh pictures every other window too.
#   tools/screenshot.sh [output.png]     (default: docs/screenshot.png)
# SIM_INPUT: lines for the simulator's plant, sent after the login (as "kvs NL1 ON"; see
#   tools/ctrlsim/main.cpp), each followed by a second for the plant to move.
# CROP: a part of the screen to keep, as WxH+X+Y (the vacuum screen: 900x900+0+100).
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
out=${1:-$repo/docs/screenshot.png}
build=$repo/build-run
# shellcheck source=tools/session.sh
. tools/session.sh

tools/deps.sh "${session_packages[@]}" xvfb xauth xdotool imagemagick python3
session_locale
session_build "$build"
session_start "$build"
session_sim_input "${SIM_INPUT:-}"
mkdir -p "$(dirname "$out")"
import -window root ${CROP:+-crop "$CROP"} +repage "$out"
echo "wrote $out"
