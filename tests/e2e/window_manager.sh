#!/usr/bin/env bash
# End-to-end check of the main window under a window manager (openbox):
# - the taskbar entry's text: the icon name and the window class carry the
#   application title, the caption stays;
# - maximised by a _NET_WM_STATE request (wmctrl), the window covers the
#   work area, the status bar lies along its bottom and every other control
#   keeps its position; restored, it is 749 x 660 where it was;
# - a size given through the frame is taken back;
# - started with --maximized, it starts maximised;
# - the message box is a dialog of the main window, centred on the screen
#   with its frame, and minimised it goes with the main window.
# Usage: window_manager.sh <AnalisisCitra> <grab tool> <screen_check> <screenshot.png>
# The screenshot shows the maximised window; beside it, the screen with the
# message box, and the client area before and after maximising.
set -euo pipefail

app=$1
grab=$2
check=$3
shot=$4
source "$(dirname "$0")/x_session.sh"

title="Analisiscitra"  # the application title of the executable AnalisisCitra
[ "$(basename "$app")" = AnalisisCitra ] || fail "the program is not named AnalisisCitra"

# Waits up to 10 s for a condition given as a command.
wait_for() {
    for _ in $(seq 100); do
        "$@" && return 0
        sleep 0.1
    done
    return 1
}

property() {
    xprop -id "$1" "$2" | sed -n 's/^[^=]* = //p'
}

# The work area of the first desktop: x, y, w, h.
read_work_area() {
    IFS=, read -r wa_x wa_y wa_w wa_h <<<"$(xprop -root _NET_WORKAREA | sed -n 's/.* = //p' | tr -d ' ' | cut -d, -f1-4)"
}

is_maximised() {
    local state
    state=$(property "$window" _NET_WM_STATE)
    [[ "$state" == *_NET_WM_STATE_MAXIMIZED_VERT* && "$state" == *_NET_WM_STATE_MAXIMIZED_HORZ* ]]
}

covers_work_area() {
    read_geometry
    is_maximised && [ $((x - fl)) = "$wa_x" ] && [ $((y - ft)) = "$wa_y" ] &&
        [ $((w + fl + fr)) = "$wa_w" ] && [ $((h + ft + fb)) = "$wa_h" ]
}

normal_at() {
    read_geometry
    ! is_maximised && [ "$w" = 749 ] && [ "$h" = 660 ] && [ "$x" = "$1" ] && [ "$y" = "$2" ]
}

start_program
echo "window $window"

# The taskbar entry.
icon_name=$(property "$window" WM_ICON_NAME)
net_icon_name=$(property "$window" _NET_WM_ICON_NAME)
class=$(property "$window" WM_CLASS)
name=$(property "$window" WM_NAME)
echo "WM_ICON_NAME $icon_name, _NET_WM_ICON_NAME $net_icon_name, WM_CLASS $class, WM_NAME $name"
[ "$icon_name" = "\"$title\"" ] || fail "WM_ICON_NAME is $icon_name"
[ "$net_icon_name" = "\"$title\"" ] || fail "_NET_WM_ICON_NAME is $net_icon_name"
[[ "$class" == *", \"$title\"" ]] || fail "the window class is not $title: $class"
[ "$name" = "\"$caption\"" ] || fail "the caption changed: $name"

# Placed and framed, centred on the screen.
placed() {
    read_geometry
    [ "$w" = 749 ] && [ "$h" = 660 ] && [ $((fl + fr + ft + fb)) -gt 0 ] &&
        [ $((x - fl)) = $(((screen_w - w - fl - fr) / 2)) ] && [ $((y - ft)) = $(((screen_h - h - ft - fb) / 2)) ]
}
wait_for placed || fail "the window is not centred with its frame"
normal_x=$x
normal_y=$y
actions=$(property "$window" _NET_WM_ALLOWED_ACTIONS)
[[ "$actions" == *_NET_WM_ACTION_MAXIMIZE_HORZ* && "$actions" == *_NET_WM_ACTION_MAXIMIZE_VERT* ]] ||
    fail "the window manager offers no maximising: $actions"
sleep 0.5  # the first paint
"$grab" "$work/normal.png" "$x" "$y" 749 660 || fail "screenshot failed"

# Maximised by a request to the window manager, as the maximise button does.
read_work_area
echo "work area $wa_x,$wa_y ${wa_w}x$wa_h"
wmctrl -r "$caption" -b add,maximized_vert,maximized_horz
wait_for covers_work_area || fail "maximised, the window does not cover the work area: client ${w}x$h at $x,$y"
sleep 0.5  # repainted at the new size
"$grab" "$work/maximised.png" "$x" "$y" "$w" "$h" || fail "screenshot failed"
"$grab" "$shot" $((x - fl)) $((y - ft)) $((w + fl + fr)) $((h + ft + fb)) || fail "screenshot failed"
echo "maximised: client ${w}x$h at $x,$y; screenshot $shot"
# Kept beside the screenshot, to look at when a comparison fails.
cp "$work/normal.png" "${shot%.png}-normal.png"
cp "$work/maximised.png" "${shot%.png}-client.png"
# Everything above the status bar stands where it stood (but the right and
# bottom edges of the workspace's 2-pixel sunken border, which move with
# it); the status bar (19 pixels high; its left part, away from any size
# grip) is the same bar along the new bottom edge.
"$check" same "$work/normal.png" 0 0 "$work/maximised.png" 0 0 747 639 || fail "controls moved when maximised"
"$check" same "$work/normal.png" 0 641 "$work/maximised.png" 0 $((h - 19)) 600 19 ||
    fail "the status bar is not along the bottom edge"

wmctrl -r "$caption" -b remove,maximized_vert,maximized_horz
wait_for normal_at "$normal_x" "$normal_y" || fail "restored, the window is ${w}x$h at $x,$y, not 749x660 at $normal_x,$normal_y"
echo "restored: 749x660 at $x,$y"

# A size given through the frame does not stay.
xdotool windowsize "$window" 900 700
sleep 0.3
wait_for normal_at "$normal_x" "$normal_y" || fail "the window kept the size ${w}x$h"
echo "resized through the frame: back to 749x660"

# The message box: opening an 8-bit bitmap is refused with a message.
# 1 x 1 pixel, 8 bits per pixel, two palette entries.
printf 'BM\x42\0\0\0\0\0\0\0\x3e\0\0\0''\x28\0\0\0\x01\0\0\0\x01\0\0\0\x01\0\x08\0''\0\0\0\0\x04\0\0\0''\0\0\0\0\0\0\0\0\x02\0\0\0\0\0\0\0''\0\0\0\0\xff\xff\xff\0''\0\0\0\0' \
    >"$work/delapan.bmp" || fail "cannot write the 8-bit bitmap"
[ "$(stat -c %s "$work/delapan.bmp")" = 66 ] || fail "the 8-bit bitmap is not 66 bytes"
box=""
for attempt in 1 2 3; do
    xdotool windowactivate --sync "$window" 2>/dev/null || true
    xdotool key alt+b
    dialog=""
    for _ in $(seq 30); do
        dialog=$(xdotool getactivewindow 2>/dev/null || true)
        [ -n "$dialog" ] && [ "$dialog" != "$window" ] && break
        sleep 0.1
    done
    [ -n "$dialog" ] && [ "$dialog" != "$window" ] && break
done
[ -n "$dialog" ] && [ "$dialog" != "$window" ] || fail "no file dialog after Alt+B"
sleep 0.5
xdotool type --delay 5 "$work/delapan.bmp"
xdotool key Return
for _ in $(seq 100); do
    box=$(xdotool search --onlyvisible --name "^${title}\$" 2>/dev/null | head -n1 || true)
    [ -n "$box" ] && break
    sleep 0.1
done
[ -n "$box" ] || fail "no message box captioned $title"
transient=$(xprop -id "$box" WM_TRANSIENT_FOR | sed -n "s/.*# //p")
type=$(property "$box" _NET_WM_WINDOW_TYPE)
echo "message box $box: transient for $transient, type $type"
[ "$((transient))" = "$((window))" ] || fail "the message box is not a dialog of the main window"
[[ "$type" == _NET_WM_WINDOW_TYPE_DIALOG* ]] || fail "the message box's window type is $type"
box_centred() {
    local info bx by bw bh extents bl br bt bb
    info=$(xwininfo -id "$box")
    bx=$(echo "$info" | sed -n 's/^ *Absolute upper-left X: *//p')
    by=$(echo "$info" | sed -n 's/^ *Absolute upper-left Y: *//p')
    bw=$(echo "$info" | sed -n 's/^ *Width: *//p')
    bh=$(echo "$info" | sed -n 's/^ *Height: *//p')
    extents=$(property "$box" _NET_FRAME_EXTENTS | tr -d ' ')
    IFS=, read -r bl br bt bb <<<"${extents:-0,0,0,0}"
    box_outer="$((bw + bl + br))x$((bh + bt + bb)) at $((bx - bl)),$((by - bt))"
    local dx=$((2 * (bx - bl) + bw + bl + br - screen_w)) dy=$((2 * (by - bt) + bh + bt + bb - screen_h))
    [ $((bt + bb)) -gt 0 ] && [ "${dx#-}" -le 2 ] && [ "${dy#-}" -le 2 ]
}
wait_for box_centred || fail "the framed message box is not centred: $box_outer"
echo "message box framed $box_outer, centred"
"$grab" "${shot%.png}-message.png" || fail "screenshot failed"

# Minimised, the box takes the main window with it; restoring the main
# window brings the box back, still modal and answerable.
xdotool windowminimize "$box"
main_hidden() { [[ "$(property "$window" _NET_WM_STATE)" == *_NET_WM_STATE_HIDDEN* ]]; }
wait_for main_hidden || fail "the box was minimised alone, leaving the main window blocked"
xdotool windowactivate "$window" 2>/dev/null || true
box_shown() { xwininfo -id "$box" | grep -q 'Map State: IsViewable'; }
wait_for box_shown || fail "restoring the main window did not bring the message box back"
echo "minimised with the box, restored with it"
for attempt in 1 2 3; do
    xdotool windowactivate --sync "$box" 2>/dev/null || true
    xdotool key Return
    box_gone() { ! xwininfo -id "$box" 2>/dev/null | grep -q 'Map State: IsViewable'; }
    wait_for box_gone && break
done
box_gone || fail "Enter did not close the message box"

press_until_exit alt+k
[ "$app_rc" = 0 ] || fail "exit code $app_rc after Alt+K"

# Started with the request to show maximised.
start_program --maximized
wait_for covers_work_area || fail "started with --maximized, the window is ${w}x$h at $x,$y"
echo "started maximised: client ${w}x$h at $x,$y"
press_until_exit alt+k
[ "$app_rc" = 0 ] || fail "exit code $app_rc after Alt+K"
