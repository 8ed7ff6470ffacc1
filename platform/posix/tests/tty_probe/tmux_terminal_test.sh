#!/bin/sh
# The console in a real terminal: tty_probe paints coloured text in a tmux
# pane and ends in each way a program can end. After each, the pane's
# terminal settings (stty -g) must be those from before, bracketed paste and
# win32-input-mode off again, the exit status the true one, and the shell's
# prompt on the line below the probe's output.
# Usage: tmux_terminal_test.sh PATH/TO/tty_probe
probe=$1
if ! command -v tmux >/dev/null 2>&1; then
    echo "SKIPPED: tmux is not installed (the project's set-up installs it: apt-get install tmux)"
    exit 77
fi
[ -x "$probe" ] || { echo "FAIL: no probe at '$probe'"; exit 1; }
# Where the kernel runs no i386 programs, the probe runs under the emulator
# (CONRT_I386_EMULATOR), which adds one line of its own to a death by a
# core-dumping signal; that line, and nothing else, is accepted.
# The pane's shell starts with a clean environment: the sanitizers' options
# are handed on.
run_probe="${CONRT_I386_EMULATOR:+$CONRT_I386_EMULATOR }$probe"
[ -n "${ASAN_OPTIONS:-}" ] && run_probe="ASAN_OPTIONS=$ASAN_OPTIONS $run_probe"
emulator_death="^qemu: uncaught target signal [0-9]* ([^)]*) - core dumped$"

dir=$(mktemp -d)
server="conrt-tty-$$"
tmux_cmd() { tmux -L "$server" -f /dev/null "$@"; }
cleanup() { tmux_cmd kill-server >/dev/null 2>&1; rm -rf "$dir" "$dir.pane"; }
trap cleanup EXIT INT TERM
# All the pane receives, as the program wrote it.
pane_log="$dir.pane"

failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

# Waits at most 10 s for a file to have content.
wait_for() {
    tries=0
    while [ ! -s "$1" ]; do
        tries=$((tries + 1))
        [ $tries -gt 100 ] && return 1
        sleep 0.1
    done
}

tmux_cmd new-session -d -s probe -x 80 -y 25 \
    "env -i PATH=/usr/bin:/bin TERM=screen PS1='probe> ' sh" || { echo "FAIL: tmux would not start"; exit 1; }

# check_colours: the text and its colours as the terminal shows them.
check_colours() {
    screen=$(tmux_cmd capture-pane -t probe -e -p)
    echo "$screen" | grep -q "bright white on blue …" || fail "$1: the Big5 text is not on the screen"
    line=$(echo "$screen" | grep "bright white on blue")
    case "$line" in
    *"[97m"*"[44m"* | *"[97;44m"*) ;;
    *) fail "$1: bright white on blue is not shown as SGR 97 and 44: $line" ;;
    esac
    line=$(echo "$screen" | grep "yellow on green")
    case "$line" in
    *"[93m"*"[42m"* | *"[93;42m"*) ;;
    *) fail "$1: yellow on green is not shown as SGR 93 and 42: $line" ;;
    esac
}

# check_input_modes: the last of each input mode the pane was sent turns it
# off; with keys from the terminal it was turned on first. The pane's output
# reaches the log a moment later: up to 5 s.
check_input_modes() {
    for mode in 2004 9001; do
        tries=0
        while :; do
            last=$(grep -ao "?$mode[hl]" "$pane_log" | tail -n 1)
            [ "$last" = "?${mode}l" ] && break
            [ -z "$last" ] && [ -n "$input" ] && break
            tries=$((tries + 1))
            if [ $tries -gt 50 ]; then
                fail "$1: input mode $mode is left as '$last'"
                break
            fi
            sleep 0.1
        done
    done
}

# check_fresh_line: the prompt follows on the row below the last output.
# The shell may take a moment to print: up to 5 s.
check_fresh_line() {
    tries=0
    while :; do
        screen=$(tmux_cmd capture-pane -t probe -p)
        after=$(echo "$screen" | grep -A1 "plain ♥ end" | tail -n 1)
        if [ -n "${CONRT_I386_EMULATOR:-}" ] && echo "$after" | grep -q "$emulator_death"; then
            after=$(echo "$screen" | grep -A2 "plain ♥ end" | tail -n 1)
        fi
        case "$after" in
        "probe>"* | Terminated* | Hangup* | Quit* | "Segmentation fault"* | Aborted* | \
            "User defined signal"* | "Alarm clock"* | "Virtual timer expired"* | \
            "Profiling timer expired"* | "CPU time limit"* | "File size limit"* | \
            "Bad system call"* | "Trace/breakpoint trap"* | "Stack fault"* | \
            "Power failure"* | "I/O possible"* | "Real-time signal"* | "Broken pipe"*) return ;;
        esac
        tries=$((tries + 1))
        if [ $tries -gt 50 ]; then
            fail "$1: the prompt is not on the line below the output: '$after'"
            return
        fi
        sleep 0.1
    done
}

# run_case NAME MODE SIGNAL EXPECTED_STATUS [INPUT_REDIRECTION]
run_case() {
    name=$1 mode=$2 signal=$3 expected=$4 input=$5
    failed_before=$failures
    rm -f "$dir"/*
    : > "$pane_log"
    # A script, not the interactive shell: that one would drop the rest of
    # the line after a child killed by SIGINT.
    cat > "$dir/run.sh" <<SCRIPT
ulimit -c 0
stty -g > $dir/before
$run_probe $mode $dir/pid $input
echo \$? > $dir/status
stty -g > $dir/after
SCRIPT
    tmux_cmd send-keys -t probe "clear; sh $dir/run.sh" Enter
    if ! wait_for "$dir/pid"; then
        fail "$name: the probe never drew its screen"
        return
    fi
    [ "$name" = SIGINT ] && check_colours "$name"
    [ -n "$signal" ] && kill "-$signal" "$(cat "$dir/pid")"
    if ! wait_for "$dir/after"; then
        fail "$name: the probe did not end"
        return
    fi
    status=$(cat "$dir/status")
    [ "$status" = "$expected" ] || fail "$name: exit status $status, expected $expected"
    if ! cmp -s "$dir/before" "$dir/after"; then
        fail "$name: terminal settings changed: $(cat "$dir/before") -> $(cat "$dir/after")"
        stty "$(cat "$dir/before")" < "$pane_tty" # so that the next cases stand alone
    fi
    check_fresh_line "$name"
    check_input_modes "$name"
    [ -n "$input" ] && check_colours "$name"
    [ $failures -eq "$failed_before" ] && echo "ok: $name (status $status)"
}

# Waits at most 10 s for the pane to show a text.
wait_for_text() {
    tries=0
    while ! tmux_cmd capture-pane -t probe -p | grep -q "$1"; do
        tries=$((tries + 1))
        [ $tries -gt 100 ] && return 1
        sleep 0.1
    done
}

# Waits at most 10 s for a process to be in the state given (T: stopped).
wait_for_state() {
    tries=0
    while [ "$(cut -d' ' -f3 "/proc/$1/stat" 2>/dev/null)" != "$2" ]; do
        tries=$((tries + 1))
        [ $tries -gt 100 ] && return 1
        sleep 0.1
    done
}

# The pane's terminal is in the console's raw mode.
raw_mode_on() {
    settings=$(stty -a < "$pane_tty")
    for flag in -isig -icanon -echo -ixon -icrnl; do
        echo "$settings" | grep -q -- "$flag\b" || return 1
    done
}

# Wipes the pane's screen behind the program's back.
wipe_screen() { printf '\033[H\033[2J' > "$pane_tty"; }

# Stop gives the terminal back; continue takes raw mode again and repaints;
# a resize repaints within the new size. Ends with SIGTERM. The stop comes
# from outside (SIGTSTP) or from the program itself (Ctrl+Z read as a key).
# run_stop_and_resize_case NAME MODE SEND_TSTP
run_stop_and_resize_case() {
    name=$1 mode=$2 send_stop=$3
    failed_before=$failures
    rm -f "$dir"/*
    cat > "$dir/run.sh" <<SCRIPT
stty -g > $dir/before
$run_probe $mode $dir/pid
echo \$? > $dir/status
stty -g > $dir/after
SCRIPT
    tmux_cmd send-keys -t probe "clear; sh $dir/run.sh" Enter
    if ! wait_for "$dir/pid"; then
        fail "$name: the probe never drew its screen"
        return
    fi
    pid=$(cat "$dir/pid")
    [ "$send_stop" = yes ] && kill -s TSTP "$pid"
    wait_for_state "$pid" T || fail "$name: the probe did not stop"
    [ "$(stty -g < "$pane_tty")" = "$(cat "$dir/before")" ] ||
        fail "$name: the terminal was not given back while stopped"
    wipe_screen
    kill -s CONT "$pid"
    wait_for_text "bright white on blue" || fail "$name: the screen was not repainted"
    raw_mode_on || fail "$name: raw mode did not come back"
    wipe_screen
    tmux_cmd resize-window -t probe -x 30 -y 10
    wait_for_text "bright white on blue" || fail "$name: the screen was not repainted"
    tmux_cmd resize-window -t probe -x 80 -y 25
    kill -s TERM "$pid"
    wait_for "$dir/after" || fail "$name: the probe did not end"
    cmp -s "$dir/before" "$dir/after" || fail "$name: terminal settings changed"
    [ $failures -eq "$failed_before" ] && echo "ok: $name"
}

pane_tty=$(tmux_cmd display -p -t probe '#{pane_tty}')
tmux_cmd pipe-pane -O -t probe "cat >> '$pane_log'"

run_case "return from main" return "" 0
run_case ExitProcess exit "" 3
run_case SIGINT wait INT 130
run_case SIGTERM wait TERM 143
run_case SIGHUP wait HUP 129
run_case SIGQUIT wait QUIT 131
# Every other signal that ends a process by default (SIGKILL cannot be
# caught), by its Linux number; of the real-time ones the first the C
# library leaves to programs and the last.
for signal in PIPE:13 USR1:10 USR2:12 ALRM:14 VTALRM:26 PROF:27 XCPU:24 XFSZ:25 SYS:31 \
    TRAP:5 STKFLT:16 PWR:30 IO:29 RTMIN:34 RTMAX:64; do
    number=${signal#*:}
    # The emulator keeps the lowest real-time signals for itself: the host's
    # SIGRTMIN never reaches the program as its SIGRTMIN.
    if [ -n "${CONRT_I386_EMULATOR:-}" ] && [ "$number" = 34 ]; then
        echo "skipped under the emulator: SIGRTMIN"
        continue
    fi
    run_case "SIG${signal%:*}" wait "$number" $((128 + number))
done
run_case SIGSEGV segv "" 139
run_case abort abort "" 134
run_case "input from a file" return "" 0 "< /dev/null"
run_stop_and_resize_case "SIGTSTP, continue and resize" wait yes
run_stop_and_resize_case "Ctrl+Z from the program, continue and resize" suspend no

if [ $failures -ne 0 ]; then
    echo "$failures check(s) failed"
    exit 1
fi
echo "all ways out give the terminal back"
