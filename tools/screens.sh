#!/usr/bin/env bash
# Takes a picture of every window and dialog of the console, for looking at them all after a
# change: the console, logged in as the built-in administrator, runs against the controller
# simulator under a virtual X server of 1920 x 1200, on this machine only (127.0.0.1, free
# ports), and is driven through its windows as an operator would touch them. Each picture is the
# whole screen, so that a popup that leaves the screen shows as cut. Everything the console
# writes goes to a temporary folder that is removed at the end.
#   tools/screens.sh FOLDER            every step, one FOLDER/<step>.png each
#   tools/screens.sh FOLDER STEP...    only these steps (names as listed by --list)
#   tools/screens.sh --list            the steps
# A new window or dialog gets a step of its own: a function shot_<name> below and its name in
# `steps`. A step starts and ends on the bare main window.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
build=$repo/build-run
# shellcheck source=tools/session.sh
. tools/session.sh

# ---- helpers for the steps ------------------------------------------------------------------

# A touch at a point of the screen.
touch_at() {  # x y
  xdotool mousemove "$1" "$2" click 1
  sleep 0.8
}

# The whole screen into FOLDER/<name>.png.
shoot() {  # name
  import -window root "$out/$1.png"
  echo "  $1.png"
}

# The colour of one pixel of the screen, as "r,g,b".
pixel_at() {  # x y
  import -window root -crop "1x1+$1+$2" -depth 8 txt:- | sed -n '2s/.*(\([0-9]*\),\([0-9]*\),\([0-9]*\).*/\1,\2,\3/p'
}

# The console's visible windows, one id a line.
console_windows() {
  xdotool search --onlyvisible --pid "$CONSOLE_PID" 2>/dev/null | sort || true
}

# Touches a point and waits (up to 5 s) for a window of the console that was not there before;
# sets WIN to it and WX, WY, WW, WH to its place and size. try_open_at returns 1 when none came,
# open_at ends the run.
try_open_at() {  # x y
  local before after
  before=$(console_windows)
  xdotool mousemove "$1" "$2" click 1
  WIN=""
  for _ in $(seq 50); do
    sleep 0.1
    after=$(console_windows)
    WIN=$(comm -13 <(echo "$before") <(echo "$after") | tail -1)
    [ -n "$WIN" ] && break
  done
  [ -n "$WIN" ] || return 1
  sleep 0.7
  local X Y WIDTH HEIGHT
  eval "$(xdotool getwindowgeometry --shell "$WIN" | grep -E '^(X|Y|WIDTH|HEIGHT)=')"
  WX=$X WY=$Y WW=$WIDTH WH=$HEIGHT
}

open_at() {  # x y
  try_open_at "$1" "$2" || session_fail "no window opened on a touch at $1, $2"
}

# A touch inside the dialog that open_at found: at a form's point, from the dialog's top-left
# corner inside its frame (frame line 2, border 1, title bar 56).
touch_dialog() {  # x y
  touch_at $((WX + 3 + $1)) $((WY + 59 + $2))
}

# Closes the frame that open_at found with its own close button (top right of its title bar).
close_frame() {
  touch_at $((WX + WW - 30)) $((WY + 30))
}

# ---- where the main window has its controls (form geometry, full screen at 0, 0) --------------
# Axes panel at 1450, 100: manipulator rows from 1460, 205 every 80 px; rotary table from 1460, 735.
axis_row_y() {  # row of the manipulator panel (LX 0, LY 1, A 2, B 3, C 4, D 5)
  echo $((242 + 80 * $1))
}
info_x=1872 coord_x=1625 speed_x=1795
# The drive power and virtual-axes buttons above the panel.
drives_x=1530 trans_x=1685 top_y=140
# Footer buttons: top row (spiral, pendant, calculator, points, users, constants, information)
# and bottom row (change user, exit, power off).
footer_x=(1410 1487 1563 1640 1716 1793 1870) footer_y=1050
bottom_x=(1461 1640 1819) bottom_y=1150

# ---- the steps --------------------------------------------------------------------------------

shot_main() { shoot main; }

shot_axis_lx() {
  open_at "$info_x" "$(axis_row_y 0)"
  shoot axis-LX
  close_frame
}

shot_axis_u1() {
  open_at "$info_x" 852
  shoot axis-U1
  close_frame
}

# The second LX row, shown from the LX dialog's second-axis button, and hidden again.
shot_second_lx() {
  open_at "$info_x" "$(axis_row_y 0)"
  touch_dialog 182 417
  close_frame
  shoot main-LX2
  open_at "$info_x" "$(axis_row_y 0)"
  touch_dialog 182 417
  close_frame
}

shot_fixed_move() {
  open_at "$coord_x" "$(axis_row_y 0)"
  shoot fixed-move-LX
  close_frame
}

shot_speed_selector() {
  open_at "$speed_x" "$(axis_row_y 0)"
  shoot speed-selector-LX
  touch_at 700 600  # beside the popup: closes it
}

shot_number_pad() {
  open_at "$speed_x" "$(axis_row_y 1)"
  open_at $((WX + 121)) $((WY + 211))  # the free entry
  shoot number-pad
  close_frame
}

shot_points() {
  open_at "${footer_x[3]}" "$footer_y"
  shoot points
  local px=$WX py=$WY pw=$WW
  open_at $((px + 3 + 330)) $((py + 59 + 300))  # "Открыть файл"
  shoot file-dialog
  close_frame
  WX=$px WY=$py WW=$pw
  close_frame
}

shot_users() {
  open_at "${footer_x[4]}" "$footer_y"
  shoot users
  local ux=$WX uy=$WY uw=$WW
  open_at $((ux + 300)) $((uy + 311))  # "Добавить", under the users' table
  shoot registration
  close_frame
  WX=$ux WY=$uy WW=$uw
  close_frame
}

shot_constants() {
  open_at "${footer_x[5]}" "$footer_y"
  sleep 1  # both controllers answer with their tables
  shoot constants
  close_frame
}

# A dialog of its own, without a frame: its "Закрыть" sits at the bottom right.
shot_information() {
  open_at "${footer_x[6]}" "$footer_y"
  shoot information
  touch_at $((WX + WW - 87)) $((WY + WH - 44))
}

shot_calculator() {
  open_at "${footer_x[2]}" "$footer_y"
  shoot calculator
  close_frame
}

shot_exit_question() {
  open_at "${bottom_x[1]}" "$bottom_y"
  shoot exit-question
  close_frame  # answers no
}

# The power-off button asks only while the vacuum controller allows it.
shot_power_off_question() {
  if try_open_at "${bottom_x[2]}" "$bottom_y"; then
    shoot power-off-question
    close_frame  # answers no
  else
    echo "  (the power-off button is locked: no question)"
  fi
}

shot_handwheel_menu() {
  open_at 95 1085
  shoot handwheel-menu
  xdotool key Escape
  sleep 0.5
}

# A locked state button lists its interlocks while it is held: the pendant's with the drives off.
shot_interlocks() {
  xdotool mousemove "${footer_x[1]}" "$footer_y" mousedown 1
  sleep 0.8
  shoot interlocks
  xdotool mouseup 1
  sleep 0.5
}

# Drive power on and off: the pendant and the virtual axes are locked while it is off.
drives() {
  touch_at "$drives_x" "$top_y"
  sleep 1.5
}

# The pendant on (its help box over the axes), then off again.
shot_pendant() {
  drives
  touch_at "${footer_x[1]}" "$footer_y"
  sleep 1
  shoot main-pendant
  touch_at "${footer_x[1]}" "$footer_y"
  sleep 1
  drives
}

# The virtual axes on (their panel and the dialog of a virtual axis), then off again. They come
# on only while CNC channel 1 is idle.
shot_virtual_axes() {
  drives
  touch_at "$trans_x" "$top_y"
  sleep 1.5
  shoot main-virtual
  # The panel at 1460, 445 shows its blue title; its PHI row's button is at 385, 195.
  if [ "$(pixel_at 1685 452)" = "0,0,255" ]; then
    open_at "$info_x" 667
    shoot axis-PHI
    close_frame
    touch_at "$trans_x" "$top_y"
    sleep 1.5
  else
    echo "  (the virtual axes did not come on: is channel 1 idle?)"
  fi
  drives
}

# ---- the weld program editor (at 900, 130; its pages from 902, 132, its tabs below them) ------
# Tabs: "Контур", "Технология", "Канал 1", "Канал 2", "Канал 3".
tab_x=(943 1050 1158 1249 1341) tab_y=981
editor_tab() {  # index
  touch_at "${tab_x[$1]}" "$tab_y"
}

# The contour page: its buttons (two-line captions) and the "Параметры" cell of the demo
# contour's second row.
new_xy=(971 655) del_xy=(1376 655) ring_xy=(1241 724) rings_xy=(1420 724) params_xy=(1335 205)
# The technology page: the beam current of the start row, the sweep of the third row, the
# buttons "Добавить точку из контура", "Шаблон", "Настройки" and the weld speed.
current_xy=(1045 191) sweep_xy=(1295 251) addpoint_xy=(1241 737) template_xy=(1376 737)
settings_xy=(971 812) weldspeed_xy=(1117 900)
# A channel page's "Открыть файл".
prgopen_xy=(1173 901)

# A pop-up menu opened by a touch: the whole screen with it, then closed without a choice.
menu_at() {  # x y name
  touch_at "$1" "$2"
  shoot "$3"
  xdotool key Escape
  sleep 0.5
}

shot_editor_contour() {
  editor_tab 0
  shoot editor-contour
}

shot_scheme_menu() { menu_at "${new_xy[@]}" editor-scheme-menu; }

shot_delete_question() {
  open_at "${del_xy[@]}"
  shoot editor-delete-question
  close_frame  # answers no
}

shot_passes_pad() {
  open_at "${rings_xy[@]}"
  shoot editor-passes-pad
  close_frame
}

shot_frame_parameters() {
  open_at "${params_xy[@]}"
  shoot editor-frame-parameters
  close_frame
}

# The demo contour is closed: a touch opens it, the next asks how to close it again.
shot_close_menu() {
  touch_at "${ring_xy[@]}"
  shoot editor-contour-open
  menu_at "${ring_xy[@]}" editor-close-menu
  touch_at "${ring_xy[@]}"
  touch_at $((ring_xy[0] + 60)) $((ring_xy[1] + 20))  # "Прямым ходом", the first entry
}

shot_editor_technology() {
  editor_tab 1
  shoot editor-technology
  editor_tab 0
}

shot_cell_pad() {
  editor_tab 1
  open_at "${current_xy[@]}"
  shoot editor-current-pad
  close_frame
  editor_tab 0
}

shot_sweep() {
  editor_tab 1
  open_at "${sweep_xy[@]}"
  shoot editor-sweep
  close_frame  # changes nothing
  editor_tab 0
}

shot_templates_menu() {
  editor_tab 1
  menu_at "${template_xy[@]}" editor-templates-menu
  editor_tab 0
}

shot_templates() {
  editor_tab 1
  touch_at "${template_xy[@]}"
  open_at $((template_xy[0] + 100)) $((template_xy[1] + 28))
  shoot editor-template-weld
  close_frame
  touch_at "${template_xy[@]}"
  open_at $((template_xy[0] + 100)) $((template_xy[1] + 82))
  shoot editor-template-tacks
  close_frame
  editor_tab 0
}

# The demo contour welded as an operator runs it, against the simulator's CNC channels: the drives
# on, a touch on the first contour row drives the manipulator there, then "ПУСК"; the manipulator
# halts at the technological stop while the beam program waits, and the button reads "ДАЛЕЕ";
# pressed, the weld runs to its end. The weld's passport is copied beside the pictures.
gcode_xy=(1308 900) first_row_xy=(980 175)
sim_log_count() {  # text: how many lines of the simulator's output hold it
  grep -c -F "$1" "$session_dir/ctrlsim.log" || true
}
wait_sim_log() {  # text count seconds
  local _
  for _ in $(seq $((10 * $3))); do
    [ "$(sim_log_count "$1")" -ge "$2" ] && return 0
    sleep 0.1
  done
  session_fail "the simulator did not report \"$1\" $2 times within $3 s"
}
shot_weld() {
  local ended1 ended3
  ended1=$(sim_log_count "channel 1: program ended")
  ended3=$(sim_log_count "channel 3: program ended")
  drives
  editor_tab 0
  touch_at "${first_row_xy[@]}"
  wait_sim_log "channel 1: program ended" $((ended1 + 1)) 120
  sleep 2
  shoot weld-first-point
  editor_tab 1
  touch_at "${gcode_xy[@]}"
  sleep 10
  shoot weld-running
  wait_sim_log "channel 1: program ended" $((ended1 + 2)) 120
  sleep 2
  shoot weld-stop
  touch_at "${gcode_xy[@]}"
  sleep 10
  shoot weld-continued
  wait_sim_log "channel 3: program ended" $((ended3 + 1)) 120
  sleep 2
  shoot weld-done
  cp "$POKAVRO_ROOT"/home/oper/bin/passports/*.csv "$out/" 2>/dev/null || echo "  (no passport was written)"
  editor_tab 0
  drives
}

# Last but one: a new contour of circular interpolation (its diameter typed on the pad), whose
# templates are the circular ones. The demo contour is gone afterwards.
shot_circular_templates() {
  editor_tab 0
  touch_at "${new_xy[@]}"
  open_at $((new_xy[0] + 150)) $((new_xy[1] + 82))  # "Круговая интерполяция": the diameter pad
  shoot editor-diameter-pad
  xdotool windowfocus --sync "$WIN"
  xdotool type --delay 80 "100"
  xdotool key Return
  sleep 0.8
  shoot editor-contour-circular
  editor_tab 1
  touch_at "${template_xy[@]}"
  open_at $((template_xy[0] + 100)) $((template_xy[1] + 28))
  shoot editor-template-circle-weld
  close_frame
  touch_at "${template_xy[@]}"
  open_at $((template_xy[0] + 100)) $((template_xy[1] + 82))
  shoot editor-template-circle-tacks
  close_frame
  editor_tab 0
}

shot_tech_settings() {
  editor_tab 1
  open_at "${settings_xy[@]}"
  shoot editor-settings
  close_frame
  editor_tab 0
}

shot_add_point() {
  editor_tab 1
  open_at "${addpoint_xy[@]}"
  shoot editor-add-point
  close_frame
  editor_tab 0
}

shot_weld_speed_pad() {
  editor_tab 1
  open_at "${weldspeed_xy[@]}"
  shoot editor-weld-speed-pad
  close_frame
  editor_tab 0
}

shot_editor_channel() {
  editor_tab 2
  shoot editor-channel1
  open_at "${prgopen_xy[@]}"
  shoot editor-channel-open
  close_frame
  editor_tab 0
}

# ---- the vacuum screen (its form at 0, 100) -----------------------------------------------------
# The mode bar's buttons, left to right, and where each element of the mimic is touched.
mode_y=140
mode_x=(64 192 320 449 577 706 835)  # preparation ... shutdown, manual, setup
declare -A vacuum_at=(
  [NL1]="460 943" [NL2]="207 951" [NZ1]="466 870" [NZ2]="203 801" [NW2]="350 390" [ND1]="555 640"
  [VP1]="553 533" [VP2]="472 760" [VP3]="209 499" [VP4]="857 410" [VP5]="333 499" [VP6]="150 734"
  [VP7]="413 807" [VP8]="791 478" [Door]="57 315" [TMN]="309 301" [VPT]="223 301" [VE1]="426 301")

# An element's switching dialog, hidden again with its own "Скрыть" (bottom right, no frame).
vacuum_dialog() {  # element
  # shellcheck disable=SC2086
  open_at ${vacuum_at[$1]}
  shoot "vacuum-$1"
  touch_at $((WX + 186)) $((WY + WH - 41))
}
for element in NL1 NL2 NZ1 NZ2 NW2 ND1 VP1 VP2 VP3 VP4 VP5 VP6 VP7 VP8 Door TMN VPT VE1; do
  eval "shot_vacuum_$element() { vacuum_dialog $element; }"
done

# A switch the controller refuses lists why while it is held: ND1 needs its fore pump and a
# pumped body, which the plant at rest has not.
shot_vacuum_refusal() {
  # shellcheck disable=SC2086
  open_at ${vacuum_at[ND1]}
  xdotool mousemove $((WX + 66)) $((WY + WH - 41)) mousedown 1
  sleep 0.8
  shoot vacuum-refusal
  xdotool mouseup 1
  sleep 0.5
  touch_at $((WX + 186)) $((WY + WH - 41))
}

# The setup mode's access code; closed unanswered (the log says the code was wrong).
shot_setup_code() {
  open_at "${mode_x[6]}" "$mode_y"
  shoot setup-code
  close_frame
}

# An automatic algorithm asks first; closed, it answers no.
shot_algorithm_question() {
  open_at "${mode_x[0]}" "$mode_y"
  shoot algorithm-question
  close_frame
}

# With the door released, the pumping modes list why they are refused while held; the door is
# pressed again after.
shot_mode_refusal() {
  session_sim_input "kvk DOOR UNPRESS"
  sleep 2
  xdotool mousemove "${mode_x[2]}" "$mode_y" mousedown 1
  sleep 0.8
  shoot mode-refusal
  xdotool mouseup 1
  session_sim_input "kvk DOOR PRESS"
  sleep 2
}

# Last: the login of a change of user, cancelled (the console then has no user).
shot_login() {
  open_at "${bottom_x[0]}" "$bottom_y"
  shoot login
  close_frame
}

steps=(shot_main shot_axis_lx shot_axis_u1 shot_second_lx shot_fixed_move shot_speed_selector
  shot_number_pad shot_points shot_users shot_constants shot_information shot_calculator
  shot_exit_question shot_power_off_question shot_handwheel_menu shot_interlocks shot_pendant shot_virtual_axes
  shot_vacuum_NL1 shot_vacuum_NL2 shot_vacuum_NZ1 shot_vacuum_NZ2 shot_vacuum_NW2 shot_vacuum_ND1 shot_vacuum_VP1
  shot_vacuum_VP2 shot_vacuum_VP3 shot_vacuum_VP4 shot_vacuum_VP5 shot_vacuum_VP6 shot_vacuum_VP7 shot_vacuum_VP8
  shot_vacuum_Door shot_vacuum_TMN shot_vacuum_VPT shot_vacuum_VE1 shot_vacuum_refusal shot_setup_code
  shot_algorithm_question shot_mode_refusal
  shot_editor_contour shot_scheme_menu shot_delete_question shot_passes_pad shot_frame_parameters
  shot_close_menu shot_editor_technology shot_cell_pad shot_sweep shot_templates_menu shot_tech_settings
  shot_templates shot_add_point shot_weld_speed_pad shot_editor_channel shot_weld shot_circular_templates shot_login)

# ---- main -------------------------------------------------------------------------------------

case "${1:-}" in
  --list) printf '%s\n' "${steps[@]#shot_}"; exit 0 ;;
  -h|--help) sed -n '2,13p' "$0"; exit 0 ;;
  "") sed -n '2,13p' "$0" >&2; exit 2 ;;
esac
out=$(mkdir -p "$1" && cd "$1" && pwd)
shift
chosen=("${steps[@]}")
if [ $# -gt 0 ]; then
  chosen=()
  for name in "$@"; do
    declare -F "shot_$name" >/dev/null || { echo "no step '$name' (see --list)" >&2; exit 2; }
    chosen+=("shot_$name")
  done
fi

tools/deps.sh "${session_packages[@]}" xvfb xauth xdotool imagemagick python3
session_locale
session_build "$build"
session_start "$build"
echo "pictures in $out:"
for step in "${chosen[@]}"; do
  "$step"
done
