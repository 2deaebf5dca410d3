#!/usr/bin/env bash
# End-to-end run of the commands with the keyboard, as a person would use
# them: Alt+B, a path typed into the file dialog, Enter; Alt+U, the same for
# the manipulated image; Alt+A. Then the screen is checked: both histogram
# windows stand where they belong and are drawn pixel for pixel as the
# picture's counts ask, and the results copied out of their boxes (clicked,
# Ctrl+A, Ctrl+C) are the picture pair's MSE and PSNR. Alt+K then ends
# the program with exit code 0.
# Usage: commands.sh <AnalisisCitra> <grab tool> <screen_check> <screenshot.png>
# The screenshot shows the main window with its frame after the analysis.
set -euo pipefail

app=$1
grab=$2
check=$3
shot=$4
source "$(dirname "$0")/x_session.sh"
export LC_ALL=C  # a full stop as the decimal separator

client_w=275  # a histogram window's client area
client_h=170

original="$work/pictures/pemandangan asli.bmp"
manipulated="$work/pictures/pemandangan hasil.bmp"
mkdir -p "$work/pictures"
"$check" pair "$original" "$manipulated" 216 136 || fail "cannot write the pictures"

start_program
echo "window $window"
sleep 0.5

active_window() {
    xdotool getactivewindow 2>/dev/null || true
}

# Presses an open command's accelerator, types the path into the file
# dialog that comes up and confirms it with Enter.
open_with_keys() {
    local key=$1 path=$2 dialog=""
    for attempt in 1 2 3; do
        xdotool windowactivate --sync "$window" 2>/dev/null || true
        xdotool key "$key"
        for _ in $(seq 30); do
            dialog=$(active_window)
            [ -n "$dialog" ] && [ "$dialog" != "$window" ] && break 2
            sleep 0.1
        done
        echo "no file dialog after $key (attempt $attempt)"
    done
    [ -n "$dialog" ] && [ "$dialog" != "$window" ] || fail "no file dialog after $key"
    echo "$key: file dialog $dialog '$(xdotool getwindowname "$dialog")'"
    sleep 0.5  # settled, the name box holding the focus
    xdotool type --delay 5 "$path"
    for attempt in 1 2 3; do
        xdotool key Return
        for _ in $(seq 30); do
            [ "$(active_window)" = "$window" ] && return 0
            sleep 0.1
        done
        echo "file dialog still open after Enter (attempt $attempt)"
    done
    fail "the file dialog stayed open"
}

# The clipboard is read until it holds something other than `before`, for
# at most two seconds; then whatever it holds.
clipboard_after() {
    local before="$1" text=""
    for _ in $(seq 20); do
        text=$("$check" clipboard)
        [ -n "$text" ] && [ "$text" != "$before" ] && break
        sleep 0.1
    done
    printf '%s' "$text"
}

# The text of the edit box centred at (cx, cy) of the client area: clicked,
# selected whole and copied. Empty when the box is, or holds what the
# clipboard already held.
box_text() {
    local before
    before=$("$check" clipboard)
    xdotool mousemove $((x + $1)) $((y + $2)) click 1
    xdotool key ctrl+a ctrl+c
    local text
    text=$(clipboard_after "$before")
    [ "$text" != "$before" ] && printf '%s' "$text"
}

open_with_keys alt+b "$original"
open_with_keys alt+u "$manipulated"
read_geometry
# Alt+A, again should the window manager drop the press made just as the
# main window became active: the results box stays empty until it lands.
# Edit3 and Edit4 (113 x 21) stand at (240, 336) and (240, 368).
mse=""
for attempt in 1 2 3; do
    xdotool windowactivate --sync "$window" 2>/dev/null || true
    xdotool key alt+a
    sleep 0.3
    mse=$(box_text 296 346) && [ -n "$mse" ] && break
    echo "no MSE after Alt+A (attempt $attempt)"
done
psnr=$(box_text 296 378) || true

read_geometry
"$grab" "$work/screen.png" || fail "screenshot failed"
"$grab" "$shot" $((x - fl)) $((y - ft)) $((w + fl + fr)) $((h + ft + fb)) || fail "screenshot failed"
echo "screenshot $shot"

# FormHist below the results group at (16, 424) of the workspace: its client
# area lies a frame's width and a title bar further in.
if ! hist1=$("$check" hist "$work/screen.png" "$original" $((x + 16)) $((y + 424)) 60); then
    fail "the original's histogram is not on the screen as drawn from its counts"
fi
read -r hx1 hy1 <<<"$hist1"
# FormHist2 beside it, 30 pixels right of its frame, tops aligned.
if ! hist2=$("$check" hist "$work/screen.png" "$manipulated" $((hx1 + client_w + 30)) "$hy1" 40); then
    fail "the manipulated image's histogram is not on the screen as drawn from its counts"
fi
read -r hx2 hy2 <<<"$hist2"
echo "histogram client areas at $((hx1 - x)),$((hy1 - y)) and $((hx2 - x)),$((hy2 - y)) of the main window's client area"
[ "$hy2" = "$hy1" ] || fail "the histogram windows' tops differ"
sides=$((hx2 - hx1 - client_w - 30))  # the left and right frame of FormHist
[ $((sides % 2)) = 0 ] && [ "$sides" -gt 0 ] && [ "$sides" -le 24 ] || fail "gap between the windows: frame sides $sides"
workspace_edge=$((hx1 - x - 16 - sides / 2))
[ "$workspace_edge" -ge 0 ] && [ "$workspace_edge" -le 4 ] || fail "FormHist not at left 16 (workspace edge $workspace_edge)"
title=$((hy1 - y - 424 - workspace_edge))
[ "$title" -ge 8 ] && [ "$title" -le 40 ] || fail "FormHist not at top 424 (title bar $title)"

read -r want_mse want_psnr <<<"$("$check" metrics "$original" "$manipulated")"
echo "MSE '$mse' (expected '$want_mse'), PSNR '$psnr' dB (expected '$want_psnr')"
[ "$mse" = "$want_mse" ] || fail "MSE box"
[ "$psnr" = "$want_psnr" ] || fail "PSNR box"

# Alt+R minimises both histogram windows at the bottom of the workspace
# (641 pixels high): FormHist first, at its left end, FormHist2 beside it.
# A double click on a minimised window's title bar restores it, showing
# the histogram it drew last; the other then moves to the left end.
xdotool windowactivate --sync "$window" 2>/dev/null || true
xdotool key alt+r
sleep 0.5
"$grab" "$work/reset.png" || fail "screenshot failed"
cp "$work/reset.png" "${shot%.png}-reset.png"
for which in original manipulated; do
    xdotool mousemove $((x + 40)) $((y + 641 - 8)) click --repeat 2 --delay 80 1
    sleep 0.5
    "$grab" "$work/restored.png" || fail "screenshot failed"
    if [ "$which" = original ]; then
        "$check" hist "$work/restored.png" "$original" "$hx1" "$hy1" 0 >/dev/null ||
            fail "the original's histogram window was not restored by a double click on its title bar"
    else
        "$check" hist "$work/restored.png" "$manipulated" "$hx2" "$hy2" 0 >/dev/null ||
            fail "the manipulated image's histogram window was not restored by a double click on its title bar"
    fi
    echo "minimised $which histogram: restored by its title bar, drawn as before"
done

press_until_exit alt+k
[ "$app_rc" = 0 ] || fail "exit code $app_rc after Alt+K"
echo "Alt+K (&Keluar) with both histogram windows open: exit code 0"
