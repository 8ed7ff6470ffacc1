// Terminal ownership on Linux: raw mode, signal handlers, restoration.
//
// Every way out gives the terminal back as it was: return from main and
// ExitProcess through the console's teardown, and every signal whose default
// action ends the process (all but SIGKILL can be caught): SIGINT, SIGTERM,
// SIGHUP, SIGPIPE, SIGUSR1, SIGALRM, the crash signals, the real-time ones.
// The handlers use only async-signal-safe calls (write, tcsetattr,
// sigaction, raise, sigprocmask) on data prepared beforehand, then raise the
// signal again with its default action so that the exit status is true.
#include "terminal.h"

#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <string.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <string_view>

#include "write_all.h"

namespace posix_console {

namespace {

// The signals whose default action ends the process; the real-time ones
// (whose numbers the C library decides at run time) are added to these.
constexpr int FIXED_FATAL_SIGNALS[] = {SIGHUP,  SIGINT,  SIGQUIT,   SIGILL,  SIGTRAP,   SIGABRT,
                                       SIGBUS,  SIGFPE,  SIGUSR1,   SIGSEGV, SIGUSR2,   SIGPIPE,
                                       SIGALRM, SIGTERM, SIGXCPU,   SIGXFSZ, SIGVTALRM, SIGPROF,
                                       SIGIO,   SIGSYS,  SIGSTKFLT, SIGPWR};
constexpr size_t RESTORE_CAPACITY = 256;
// Bracketed paste, and win32-input-mode where the terminal honours it: the
// key decoder reads both, and a terminal that knows neither ignores them.
constexpr std::string_view INPUT_MODES_ON = "\x1b[?2004h\x1b[?9001h";
constexpr std::string_view INPUT_MODES_OFF = "\x1b[?9001l\x1b[?2004l";

struct TerminalState {
    int input_fd = -1;
    int output_fd = -1;
    bool have_termios = false;
    bool can_draw = false;
    termios original{};
    termios raw{};
    struct sigaction old_fatal[NSIG];
    bool fatal[NSIG];
    struct sigaction old_stop;
    struct sigaction old_continue;
    struct sigaction old_resize;
    bool handlers_installed = false;
    bool stop_handled = false;
};

TerminalState state;
volatile sig_atomic_t active = 0;
volatile sig_atomic_t repaint_wanted = 0;
TerminalStats stats = {0, 0};

// Two copies of the restore bytes: the handler reads the one published
// while the other is rewritten.
char restore_bytes[2][RESTORE_CAPACITY];
size_t restore_length[2] = {0, 0};
volatile sig_atomic_t restore_current = 0;

// An alternate stack, so that a crash from a stack overflow still restores.
alignas(16) char signal_stack[65536];

// The input modes go to the terminal being drawn on, or the one keys come
// from when output goes elsewhere. From a signal handler too: a terminal
// that takes nothing more is left.
void send_input_modes(std::string_view modes) {
    if (!state.have_termios || !state.can_draw) return;
    int fd = state.output_fd >= 0 ? state.output_fd : state.input_fd;
    write_all(fd, modes.data(), modes.size(), false);
}

// Async-signal-safe: input modes off, restore bytes out, original termios back.
void give_terminal_back() {
    int saved_errno = errno;
    int current = restore_current;
    send_input_modes(INPUT_MODES_OFF);
    if (state.output_fd >= 0)
        write_all(state.output_fd, restore_bytes[current], restore_length[current], false);
    if (state.have_termios) tcsetattr(state.input_fd, TCSADRAIN, &state.original);
    errno = saved_errno;
}

void take_raw_mode() {
    if (!state.have_termios) return;
    tcsetattr(state.input_fd, TCSADRAIN, &state.raw);
    send_input_modes(INPUT_MODES_ON);
}

// Sets the handler of a signal, the one it had going to `old` (when given).
void set_action(int signal_number, void (*handler)(int), int flags, struct sigaction *old) {
    struct sigaction action {};
    action.sa_handler = handler;
    action.sa_flags = flags;
    sigemptyset(&action.sa_mask);
    sigaction(signal_number, &action, old);
}

// Once, by whichever way out comes first.
void give_terminal_back_once() {
    if (!active) return;
    active = 0;
    give_terminal_back();
}

void on_fatal_signal(int signal_number) {
    give_terminal_back_once();
    set_action(signal_number, SIG_DFL, 0, nullptr);
    // Still blocked in this handler: delivered with the default action as
    // soon as the handler returns (a fault repeats its instruction and is
    // delivered the same way).
    raise(signal_number);
}

void on_resize(int) {
    repaint_wanted = 1;
}

void on_continue(int) {
    if (!active) return;
    take_raw_mode();
    repaint_wanted = 1;
}

// Stops the process the way the default action would, with the terminal
// given back for the time of the stop.
void on_stop(int) {
    int saved_errno = errno;
    if (active) give_terminal_back();
    struct sigaction handler {};
    set_action(SIGTSTP, SIG_DFL, 0, &handler);
    sigset_t stop_only;
    sigemptyset(&stop_only);
    sigaddset(&stop_only, SIGTSTP);
    raise(SIGTSTP);
    sigprocmask(SIG_UNBLOCK, &stop_only, nullptr); // stops here until SIGCONT
    sigprocmask(SIG_BLOCK, &stop_only, nullptr);
    sigaction(SIGTSTP, &handler, nullptr);
    if (active) take_raw_mode();
    repaint_wanted = 1;
    errno = saved_errno;
}

void install(int signal_number, void (*handler)(int), int flags, struct sigaction *old) {
    sigaction(signal_number, nullptr, old);
    // A signal the process was started to ignore (nohup, a shell without job
    // control) stays ignored.
    if (old->sa_handler != SIG_IGN) set_action(signal_number, handler, flags, nullptr);
}

void install_handlers() {
    stack_t stack{};
    stack.ss_sp = signal_stack;
    stack.ss_size = sizeof signal_stack;
    sigaltstack(&stack, nullptr);
    for (int number : FIXED_FATAL_SIGNALS) state.fatal[number] = true;
    for (int number = SIGRTMIN; number <= SIGRTMAX; ++number) state.fatal[number] = true;
    for (int number = 1; number < NSIG; ++number) {
        if (state.fatal[number])
            install(number, on_fatal_signal, SA_ONSTACK, &state.old_fatal[number]);
    }
    // No SA_RESTART: a wait for input returns with EINTR so that the
    // program flushes, and the repaint happens at once.
    install(SIGTSTP, on_stop, 0, &state.old_stop);
    state.stop_handled = state.old_stop.sa_handler != SIG_IGN;
    install(SIGCONT, on_continue, 0, &state.old_continue);
    install(SIGWINCH, on_resize, 0, &state.old_resize);
    state.handlers_installed = true;
}

void remove_handlers() {
    if (!state.handlers_installed) return;
    for (int number = 1; number < NSIG; ++number) {
        if (state.fatal[number]) sigaction(number, &state.old_fatal[number], nullptr);
    }
    sigaction(SIGTSTP, &state.old_stop, nullptr);
    sigaction(SIGCONT, &state.old_continue, nullptr);
    sigaction(SIGWINCH, &state.old_resize, nullptr);
    state.handlers_installed = false;
}

void make_raw(termios &mode) {
    mode.c_lflag &= ~static_cast<tcflag_t>(ISIG | ICANON | ECHO | IEXTEN);
    mode.c_iflag &= ~static_cast<tcflag_t>(IXON | ICRNL);
    mode.c_cc[VMIN] = 1;
    mode.c_cc[VTIME] = 0;
}

} // namespace

void terminal_set_restore_text(const std::string &text) {
    int next = 1 - restore_current;
    size_t length = text.size() < RESTORE_CAPACITY ? text.size() : RESTORE_CAPACITY;
    memcpy(restore_bytes[next], text.data(), length);
    restore_length[next] = length;
    restore_current = next;
}

bool terminal_can_draw() {
    const char *name = getenv("TERM");
    return name != nullptr && *name != '\0' && strcmp(name, "dumb") != 0;
}

void terminal_start(int input_fd, int output_fd) {
    state.input_fd = input_fd;
    state.output_fd = output_fd;
    state.can_draw = terminal_can_draw();
    if (input_fd >= 0 && tcgetattr(input_fd, &state.original) == 0) {
        state.raw = state.original;
        make_raw(state.raw);
        state.have_termios = true;
    }
    // Handlers before raw mode: from the first raw moment on, every way out
    // finds the restore ready.
    install_handlers();
    active = 1;
    if (state.have_termios && tcsetattr(input_fd, TCSADRAIN, &state.raw) != 0) {
        state.have_termios = false;
    }
    send_input_modes(INPUT_MODES_ON);
}

void terminal_stop() {
    give_terminal_back_once();
    remove_handlers();
}

TerminalSize terminal_size() {
    winsize size{};
    if (state.output_fd >= 0 && ioctl(state.output_fd, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 &&
        size.ws_row > 0)
        return TerminalSize{size.ws_col, size.ws_row};
    return TerminalSize{80, 25};
}

bool terminal_write(const std::string &text) {
    // A failure means the terminal is gone (EIO after a hangup).
    if (write_all(state.output_fd, text.data(), text.size(), true, &stats.writes) != 0)
        return false;
    stats.bytes += text.size();
    return true;
}

bool terminal_take_repaint() {
    if (!repaint_wanted) return false;
    repaint_wanted = 0;
    return true;
}

void terminal_suspend() {
    if (!active || !state.stop_handled) return;
    raise(SIGTSTP);
}

TerminalStats terminal_stats() {
    return stats;
}

} // namespace posix_console
