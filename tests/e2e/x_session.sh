# Shared by the end-to-end scripts (sourced): a virtual X display with a
# window manager, and the program started on it.
# Needs $app (the program) set by the caller; sets work, DISPLAY, app_pid,
# window and app_rc.

screen_w=1280
screen_h=1024
caption="Analisis Kualitas Citra"

work=$(mktemp -d)
pids=()
cleanup() {
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
    done
    for pid in "${pids[@]}"; do
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Ready once the window manager announces its frame extents; the program
# reads the window manager's features when it connects.
wm_ready() {
    xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' &&
        xprop -root _NET_SUPPORTED 2>/dev/null | grep -q _NET_FRAME_EXTENTS
}

# Xvfb picks a free display itself and writes its number to fd 3; then a
# window manager, so the frame, the close command and Alt+F4 behave as on a
# desktop (its settings and cache in the scratch folder). Returns 1, with
# both logs kept, when either did not come up.
start_display() {
    local xvfb_pid wm_pid
    : >"$work/display"
    Xvfb -displayfd 3 -screen 0 "${screen_w}x${screen_h}x24" -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
    xvfb_pid=$!
    pids+=("$xvfb_pid")
    for _ in $(seq 100); do
        [ -s "$work/display" ] && break
        sleep 0.1
    done
    [ -s "$work/display" ] || return 1
    export DISPLAY=":$(head -n1 "$work/display")"
    echo "display $DISPLAY"
    export XDG_CONFIG_HOME="$work/config" XDG_CACHE_HOME="$work/cache" HOME="$work"
    openbox --sm-disable >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    pids+=("$wm_pid")
    # Up to 30 s: on a loaded machine its first start takes a while.
    for _ in $(seq 300); do
        wm_ready && return 0
        kill -0 "$wm_pid" 2>/dev/null || break  # it gave up
        sleep 0.1
    done
    kill "$wm_pid" "$xvfb_pid" 2>/dev/null || true
    wait "$wm_pid" "$xvfb_pid" 2>/dev/null || true
    return 1
}

# Under a full parallel test run, openbox now and then cannot open a
# display Xvfb has just announced; a fresh display then starts fine.
started=""
for attempt in 1 2 3; do
    if start_display; then
        started=yes
        break
    fi
    echo "display attempt $attempt failed; Xvfb said:" >&2
    cat "$work/xvfb.log" "$work/openbox.log" >&2 2>/dev/null || true
done
[ -n "$started" ] || fail "no display with a window manager after 3 attempts"

export QT_QPA_PLATFORM=xcb

# Starts the program with the given arguments; sets app_pid and window.
start_program() {
    "$app" "$@" >"$work/app.log" 2>&1 &
    app_pid=$!
    pids+=("$app_pid")
    window=""
    for _ in $(seq 100); do
        window=$(xdotool search --onlyvisible --name "^${caption}\$" 2>/dev/null | head -n1 || true)
        [ -n "$window" ] && break
        sleep 0.1
    done
    [ -n "$window" ] || { cat "$work/app.log" >&2; fail "no window captioned '$caption'"; }
}

# The window's client area (x, y, w, h on the screen) and its frame
# extents (fl, fr, ft, fb).
read_geometry() {
    local info extents
    info=$(xwininfo -id "$window")
    x=$(echo "$info" | sed -n 's/^ *Absolute upper-left X: *//p')
    y=$(echo "$info" | sed -n 's/^ *Absolute upper-left Y: *//p')
    w=$(echo "$info" | sed -n 's/^ *Width: *//p')
    h=$(echo "$info" | sed -n 's/^ *Height: *//p')
    extents=$(xprop -id "$window" _NET_FRAME_EXTENTS | sed -n 's/.* = //p' | tr -d ' ')
    IFS=, read -r fl fr ft fb <<<"${extents:-0,0,0,0}"
}

# Activates the window and presses the keys, up to three times should the
# window manager drop a press made just as the window became active; then
# the program's exit code is in app_rc.
press_until_exit() {
    for attempt in 1 2 3; do
        xdotool windowactivate --sync "$window" 2>/dev/null || true
        xdotool key "$1"
        for _ in $(seq 30); do
            kill -0 "$app_pid" 2>/dev/null || break
            sleep 0.1
        done
        kill -0 "$app_pid" 2>/dev/null || break
        echo "still running after $1 (attempt $attempt)"
    done
    kill -0 "$app_pid" 2>/dev/null && fail "the program did not end after $1"
    app_rc=0
    wait "$app_pid" || app_rc=$?
}
