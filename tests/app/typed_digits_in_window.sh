#!/usr/bin/env bash
# The desktop program under a virtual X server: digits are typed on the
# chart's entry row while the process is stopped, so they queue up as they do
# for a busy program, then the workspace is saved and its draws are checked.
# Once at the window's start size, once after it has grown to fill the screen
# as the program's own maximising does under a window manager.
# Usage: typed_digits_in_window.sh PATH/TO/vexel
set -euo pipefail

program=$(realpath "$1")
for tool in Xvfb xdotool od; do
    command -v "$tool" >/dev/null || { echo "missing $tool: run scripts/install-deps" >&2; exit 1; }
done

work=$(mktemp -d)
xvfb_pid=
vexel_pid=
cleanup() {
    if [ -n "$vexel_pid" ]; then
        kill -CONT "$vexel_pid" 2>/dev/null || true
        kill -KILL "$vexel_pid" 2>/dev/null || true
        wait "$vexel_pid" 2>/dev/null || true
    fi
    if [ -n "$xvfb_pid" ]; then
        kill "$xvfb_pid" 2>/dev/null || true
        wait "$xvfb_pid" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' TERM INT HUP

fail() {
    echo "FAIL: $*" >&2
    [ -s "$work/vexel.log" ] && sed 's/^/vexel: /' "$work/vexel.log" >&2
    exit 1
}

# wait_for SECONDS COMMAND...: until the command succeeds, at most SECONDS.
wait_for() {
    local deadline=$((SECONDS + $1))
    shift
    until "$@"; do
        ((SECONDS < deadline)) || return 1
        sleep 0.1
    done
}

stopped() {
    local pid comm state
    read -r pid comm state _ <"/proc/$vexel_pid/stat"
    [ "$state" = T ]
}

workspace="$work/工作文档.vxr"
# Saving replaces the file at once, so a non-empty file is a complete one.
saved() { [ -s "$workspace" ]; }

# The program keeps its workspace and settings beside its executable when it
# can write there. An empty workspace opens as an empty history.
cp "$program" "$work/vexel"
: >"$workspace"

Xvfb -displayfd 3 -screen 0 1280x800x24 -nolisten tcp 3>"$work/display" 2>"$work/xvfb.log" &
xvfb_pid=$!
wait_for 20 test -s "$work/display" || fail "Xvfb did not start: $(cat "$work/xvfb.log")"
export DISPLAY=":$(head -n1 "$work/display")"

cd "$work"
# In the AddressSanitizer build: the X keyboard library copies names out of
# buffers that are not NUL-terminated with strndup, which is legal but which
# strict_string_checks reports; everything else stays checked.
if [ -n "${ASAN_OPTIONS:-}" ]; then
    export ASAN_OPTIONS="$ASAN_OPTIONS:strict_string_checks=0"
fi
QT_QPA_PLATFORM=xcb ./vexel >"$work/vexel.log" 2>&1 &
vexel_pid=$!
window=$(timeout 30 xdotool search --sync --onlyvisible --pid "$vexel_pid" --name 'v[0-9]' | head -n1) ||
    fail "the main window did not appear"

# Focuses the chart with a click on the issue column (which leaves the current
# cell where it is), stops the program, types, and lets it run again.
type_while_stopped() {
    timeout 10 xdotool windowfocus --sync "$window" || fail "cannot focus the window"
    xdotool mousemove --window "$window" 20 200 click 1
    kill -STOP "$vexel_pid"
    wait_for 5 stopped || fail "the program did not stop"
    xdotool type --delay 10 "$1"
    kill -CONT "$vexel_pid"
}

type_while_stopped 12345678901234
timeout 10 xdotool windowsize --sync "$window" 100% 100% || fail "cannot resize the window"
type_while_stopped 5550001

xdotool key ctrl+s
wait_for 30 saved || fail "the workspace was not saved"

# The workspace begins with the chart's draws: first number, count, then per
# draw its value (A+B+C+D) and the digits A to G, each a little-endian int32.
actual=$(od --endian=little -An -v -t d4 -N $((8 + 32 * 3)) "$workspace" | xargs)
expected="1 3 10 1 2 3 4 5 6 7 18 8 9 0 1 2 3 4 15 5 5 5 0 0 0 1"
[ "$actual" = "$expected" ] || fail "saved draws: $actual; expected: $expected"
echo "PASS: typed draws saved as $actual"
