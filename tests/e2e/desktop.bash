# Sourced by the real-window checks: a private X server with openbox, and a tray host on request.
# The caller defines $work (a temporary folder), the array pids (killed at the end) and fail.

unset QT_QPA_PLATFORM WAYLAND_DISPLAY SESSION_MANAGER

# Polls a command until it succeeds, for at most $1 seconds.
wait_until() {
    local timeout=$1
    shift
    local deadline=$(($(date +%s%N) + timeout * 1000000000))
    until "$@"; do
        [ "$(date +%s%N)" -lt "$deadline" ] || return 1
        sleep 0.05
    done
}

# One try: Xvfb on a free display, with openbox managing it.
start_desktop_once() {
    local fd_file=$work/displayfd.$1 size=$2
    : >"$fd_file"
    Xvfb -displayfd 3 -screen 0 "${size}x24" -nolisten tcp 3>"$fd_file" >/dev/null 2>&1 &
    xvfb_pid=$!
    pids+=($xvfb_pid)
    display_ready() { display=$(head -n 1 "$fd_file" 2>/dev/null) && [ -n "$display" ]; }
    wait_until 10 display_ready || return 1
    export DISPLAY=:$display
    x_ready() { xprop -root >/dev/null 2>&1; }
    wait_until 10 x_ready || return 1
    # The system's default configuration, not the user's.
    XDG_CONFIG_HOME=$work/wm-config openbox --sm-disable >"$work/openbox.log" 2>&1 &
    wm_pid=$!
    pids+=($wm_pid)
    # Its client list comes at the end of its start-up; a window mapped before may be lost.
    wm_ready() { xprop -root _NET_CLIENT_LIST_STACKING 2>/dev/null | grep -q '(WINDOW)'; }
    wait_until 10 wm_ready && kill -0 "$wm_pid" 2>/dev/null && kill -0 "$xvfb_pid" 2>/dev/null
}

# Xvfb of the size given (default 1024x768) with openbox. Other X servers may start at the same
# moment and race for the display number: a start that does not come up is tried again.
start_desktop() {
    local attempt
    for attempt in 1 2 3; do
        start_desktop_once "$attempt" "${1:-1024x768}" && return 0
        kill "${wm_pid:-}" "$xvfb_pid" 2>/dev/null
    done
    fail "no X server with openbox came up: $(cat "$work/openbox.log" 2>/dev/null)"
}

# trayer in a panel at the top right; returns once its panel is mapped, which it is once it
# holds the tray selection.
start_trayer() {
    trayer --edge top --align right --widthtype pixel --width 120 --height 24 \
        --SetDockType true --SetPartialStrut true >"$work/trayer.log" 2>&1 &
    trayer_pid=$!
    pids+=($trayer_pid)
    tray_up() {
        local id
        for id in $(xdotool search --class trayer 2>/dev/null); do
            xwininfo -id "$id" | grep -q 'IsViewable' && return 0
        done
        return 1
    }
    wait_until 10 tray_up ||
        fail "trayer did not start ($(kill -0 "$trayer_pid" 2>/dev/null && echo running || echo ended)): $(cat "$work/trayer.log")"
}
