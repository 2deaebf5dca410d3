#!/usr/bin/env bash
# End-to-end check of the desktop program on a virtual X display with a
# window manager: the main window appears captioned and centred, Alt+F4
# ends the program with exit code 0, and so does Alt+K ("&Keluar").
# Usage: main_window.sh <AnalisisCitra> <grab tool> <screenshot.png>
# The screenshot shows the main window with its frame.
set -euo pipefail

app=$1
grab=$2
shot=$3
source "$(dirname "$0")/x_session.sh"

start_program
echo "window $window"

name=$(xprop -id "$window" WM_NAME | sed -n 's/^WM_NAME([^)]*) = "\(.*\)"$/\1/p')
[ "$name" = "$caption" ] || fail "caption is '$name'"

# Client size, and the outer position including the window manager's frame.
geometry_ok=0
for _ in $(seq 100); do
    read_geometry
    outer_w=$((w + fl + fr))
    outer_h=$((h + ft + fb))
    want_x=$(((screen_w - outer_w) / 2)); [ $want_x -lt 0 ] && want_x=0
    want_y=$(((screen_h - outer_h) / 2)); [ $want_y -lt 0 ] && want_y=0
    if [ "$w" = 749 ] && [ "$h" = 660 ] && [ $((x - fl)) = $want_x ] && [ $((y - ft)) = $want_y ]; then
        geometry_ok=1
        break
    fi
    sleep 0.1
done
echo "client ${w}x${h} at $x,$y; frame $fl,$fr,$ft,$fb; outer top-left $((x - fl)),$((y - ft)), expected $want_x,$want_y"
[ $geometry_ok = 1 ] || cat "$work/app.log"; [ $geometry_ok = 1 ] || fail "the window is not 749x660 centred on the desktop"

sleep 0.5  # let the first paint finish
"$grab" "$shot" $((x - fl)) $((y - ft)) "$outer_w" "$outer_h" || fail "screenshot failed"
echo "screenshot $shot"

press_until_exit alt+F4
[ "$app_rc" = 0 ] || fail "exit code $app_rc after Alt+F4"
echo "Alt+F4: exit code 0"

start_program
press_until_exit alt+k
[ "$app_rc" = 0 ] || fail "exit code $app_rc after Alt+K"
echo "Alt+K (&Keluar): exit code 0"
