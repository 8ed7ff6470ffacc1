// The probe program on a pseudo-terminal: every byte a terminal receives
// from the console, from the first clear to the restore at the end, for a
// return from main, ExitProcess, a bell, crashes and signals during heavy
// output, a resize while the program computes, and a fork.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <termios.h>

#include <stdio.h>
#include <string.h>
#include <time.h>

#include <random>
#include <string>

#include "i386_exec.h"
#include "pseudo_terminal.h"

namespace {

std::string csi(const std::string &body) {
    return "\x1b[" + body;
}
std::string cup(int row, int column) {
    return csi(std::to_string(row + 1) + ";" + std::to_string(column + 1) + "H");
}
std::string input_modes(char set) {
    return csi(std::string("?2004") + set) + csi(std::string("?9001") + set);
}
std::string clear_screen() {
    return input_modes('h') + csi("m") + csi("H") + csi("2J");
}
std::string restore_below(int row) {
    return csi("?9001l") + csi("?2004l") + csi("m") + csi("?25h") + cup(row, 0) + "\r\n";
}

size_t count_of(const std::string &text, const std::string &part) {
    size_t count = 0;
    for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
        ++count;
    return count;
}

// The terminal the probe runs on: its size and TERM (null: unset); and
// for the probe, a setting of the environment (NAME=VALUE), its second
// argument, a file or pipe its output goes to instead of the terminal, and
// whether it starts with SIGTERM and SIGHUP ignored (as under nohup).
struct PtyShape {
    unsigned short columns = 40;
    unsigned short rows = 10;
    const char *term = "xterm";
    const char *setting = nullptr;
    const char *file = "/dev/null";
    const char *output = nullptr;
    bool ignoring = false;
};

// The child gets the pseudo-terminal as its controlling terminal.
[[noreturn]] void exec_probe_on(const PseudoTerminal &pty, const char *mode,
                                const PtyShape &shape) {
    pty.take_as_controlling_terminal();
    shape.term ? setenv("TERM", shape.term, 1) : unsetenv("TERM");
    if (shape.setting) putenv(const_cast<char *>(shape.setting));
    if (shape.output) dup2(open(shape.output, O_WRONLY | O_CREAT | O_TRUNC, 0600), STDOUT_FILENO);
    if (shape.ignoring) {
        signal(SIGTERM, SIG_IGN);
        signal(SIGHUP, SIG_IGN);
    }
    dup2(open("/dev/null", O_WRONLY), STDERR_FILENO);
    char *const argv[] = {const_cast<char *>("tty_probe"), const_cast<char *>(mode),
                          const_cast<char *>(shape.file), nullptr};
    i386_execv(TTY_PROBE_PATH, argv);
    _exit(127);
}

// Runs the probe and collects what it sends, for ten seconds at most (a
// minute under the emulator, where painting the largest console is slow).
int end_polls() {
    return i386_emulator() != nullptr ? 6000 : 1000;
}

pid_t start_on_pty(const PseudoTerminal &pty, const char *mode, const PtyShape &shape) {
    pty.keep_output_as_sent();
    pid_t child = fork();
    if (child == 0) exec_probe_on(pty, mode, shape);
    return child;
}

TerminalOutput run_on_pty(const char *mode, PtyShape shape = {}) {
    PseudoTerminal pty(shape.columns, shape.rows);
    if (!pty.ok()) return {};
    return pty.collect_until_end(start_on_pty(pty, mode, shape), end_polls());
}

double now_ms() {
    timespec t;
    clock_gettime(CLOCK_MONOTONIC, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

void sleep_ms(int ms) {
    timespec wanted{ms / 1000, (ms % 1000) * 1000000L};
    nanosleep(&wanted, nullptr);
}

// Reads the terminal into `bytes` until `part` has arrived after `from`, for
// `ms` at most; the time it took, or -1.
double read_until(const PseudoTerminal &pty, std::string &bytes, const std::string &part,
                  size_t from = 0, double ms = 10000) {
    double start = now_ms();
    while (bytes.find(part, from) == std::string::npos) {
        if (now_ms() - start > ms) return -1;
        pollfd ready{pty.master(), POLLIN, 0};
        poll(&ready, 1, 1);
        bytes += pty.read_available();
    }
    return now_ms() - start;
}

// After the terminal is given back nothing of the program follows: no text,
// no colour; the restore is the last the program sends.
void expect_restore_last(const TerminalOutput &run, const std::string &name) {
    size_t restore = run.bytes.rfind(input_modes('l').substr(0, 8));
    ASSERT_NE(restore, std::string::npos) << name;
    std::string after = run.bytes.substr(restore);
    EXPECT_EQ(after.find("FLOOD"), std::string::npos) << name << ": " << after;
    EXPECT_EQ(after.find(csi("4")), std::string::npos) << name << ": " << after;
    EXPECT_EQ(after.find(csi("9")), std::string::npos) << name << ": " << after;
}

// The probe writing coloured text without pause gets `number` after `delay`
// ms while the terminal's output is suspended, so that its restore waits,
// and a frame written meanwhile would follow it once output resumes.
void expect_signal_during_output_restores(int number, int delay, const char *setting,
                                          const std::string &name) {
    PseudoTerminal pty(40, 10);
    ASSERT_TRUE(pty.ok());
    pty.keep_output_as_sent();
    std::string before = pty.settings();
    pid_t child = start_on_pty(pty, "loop", PtyShape{.setting = setting});
    std::string bytes;
    ASSERT_GE(read_until(pty, bytes, "FLOOD"), 0) << name;
    sleep_ms(delay);
    pty.suspend_output(true);
    kill(child, number);
    sleep_ms(setting ? 1000 : 300);
    pty.suspend_output(false);
    TerminalOutput run = pty.collect_until_end(child, end_polls());
    run.bytes = bytes + run.bytes;
    ASSERT_TRUE(WIFSIGNALED(run.status)) << name;
    EXPECT_EQ(WTERMSIG(run.status), number) << name;
    expect_restore_last(run, name);
    EXPECT_EQ(pty.settings(), before) << name;
}

TEST(PtyOutput, ReturnFromMainClearsPaintsAndGivesTheTerminalBack) {
    TerminalOutput run = run_on_pty("return");
    ASSERT_TRUE(WIFEXITED(run.status));
    EXPECT_EQ(WEXITSTATUS(run.status), 0);
    EXPECT_EQ(run.bytes.rfind(clear_screen(), 0), 0u) << "starts with a clear";
    EXPECT_NE(run.bytes.find(csi("97;44m") + "  bright white on blue \u2026 "), std::string::npos);
    EXPECT_NE(run.bytes.find(csi("93;42m") + "  yellow on green"), std::string::npos);
    EXPECT_NE(run.bytes.find("plain \u2665 end"), std::string::npos);
    // The probe's last text is on row 3: the shell goes on at row 4.
    std::string restore = restore_below(3);
    ASSERT_GE(run.bytes.size(), restore.size());
    EXPECT_EQ(run.bytes.substr(run.bytes.size() - restore.size()), restore);
    EXPECT_EQ(count_of(run.bytes, csi("?25h")), 1u) << "the terminal is given back once";
    EXPECT_EQ(run.bytes.find('\a'), std::string::npos);
}

// Also after a signal handled on the program's thread, which must leave
// that thread itself: the exit then stops the presenter thread.
TEST(PtyOutput, ExitProcessFlushesAndRestoresLikeAReturn) {
    for (const char *mode : {"exit", "resized-exit"}) {
        TerminalOutput run = run_on_pty(mode);
        ASSERT_TRUE(WIFEXITED(run.status)) << mode;
        EXPECT_EQ(WEXITSTATUS(run.status), 3) << mode;
        EXPECT_NE(run.bytes.find("plain \u2665 end"), std::string::npos) << mode;
        std::string restore = restore_below(3);
        ASSERT_GE(run.bytes.size(), restore.size()) << mode;
        EXPECT_EQ(run.bytes.substr(run.bytes.size() - restore.size()), restore) << mode;
    }
}

TEST(PtyOutput, BellReachesTheTerminal) {
    TerminalOutput run = run_on_pty("bell");
    EXPECT_EQ(count_of(run.bytes, "\a"), 1u);
}

// Sides beyond a 16-bit COORD are clamped to the largest console, and its
// cells to what a 32-bit process holds.
TEST(PtyOutput, HugeTerminalsGiveTheLargestConsole) {
    const struct {
        PtyShape shape;
        std::string size;
    } cases[] = {
        {{65535, 65535}, "size 32767x128"},
        {{40000, 40000}, "size 32767x128"},
        {{40000, 3}, "size 32767x3"},
    };
    for (const auto &c : cases) {
        TerminalOutput run = run_on_pty("size", c.shape);
        ASSERT_TRUE(WIFEXITED(run.status)) << c.size;
        EXPECT_EQ(WEXITSTATUS(run.status), 0) << c.size;
        EXPECT_NE(run.bytes.find(c.size), std::string::npos) << c.size;
        EXPECT_NE(run.bytes.find("wdone"), std::string::npos) << c.size;
    }
}

TEST(PtyOutput, TerminalThatCannotDrawGetsPlainText) {
    for (const char *term : {"dumb", static_cast<const char *>(nullptr), ""}) {
        TerminalOutput run = run_on_pty("return", PtyShape{40, 10, term});
        std::string name = term ? term : "(unset)";
        ASSERT_TRUE(WIFEXITED(run.status)) << name;
        EXPECT_EQ(WEXITSTATUS(run.status), 0) << name;
        EXPECT_NE(run.bytes.find("  bright white on blue \u2026\r\n"), std::string::npos) << name;
        EXPECT_EQ(run.bytes.find('\x1b'), std::string::npos) << name;
    }
}

// A fault on the program's thread, a stack overflow (whose handler needs a
// stack of its own), and a fault on the presenter's thread as it renders.
TEST(PtyOutput, CrashRestoresAndDiesOfItsSignal) {
    for (const char *mode : {"segv", "overflow"}) {
        TerminalOutput run = run_on_pty(mode);
        ASSERT_TRUE(WIFSIGNALED(run.status)) << mode;
        EXPECT_EQ(WTERMSIG(run.status), SIGSEGV) << mode;
        std::string restore = restore_below(3);
        ASSERT_GE(run.bytes.size(), restore.size()) << mode;
        EXPECT_EQ(run.bytes.substr(run.bytes.size() - restore.size()), restore) << mode;
    }
    PseudoTerminal pty(40, 10);
    ASSERT_TRUE(pty.ok());
    pty.keep_output_as_sent();
    std::string before = pty.settings();
    PtyShape shape{.setting = "CONRT_TEST_FAULT_AT_FRAME=3"};
    TerminalOutput run = pty.collect_until_end(start_on_pty(pty, "loop", shape), end_polls());
    ASSERT_TRUE(WIFSIGNALED(run.status));
    EXPECT_EQ(WTERMSIG(run.status), SIGSEGV);
    expect_restore_last(run, "fault while rendering");
    EXPECT_EQ(pty.settings(), before);
}

// A frame held between its render and its write while the signal comes:
// it is never written. Then signals at random moments of the output.
TEST(PtyOutput, NothingFollowsTheRestoreOfASignalDuringOutput) {
    for (int number : {SIGTERM, SIGHUP, SIGINT})
        expect_signal_during_output_restores(number, 150, "CONRT_TEST_HOLD_FRAME_MS=500",
                                             strsignal(number));
    std::mt19937 random(std::random_device{}());
    for (int trial = 0; trial < 6; ++trial) {
        int number = trial % 2 ? SIGTERM : SIGINT;
        int delay = static_cast<int>(random() % 300);
        expect_signal_during_output_restores(number, delay, nullptr,
                                             "after " + std::to_string(delay) + " ms");
    }
}

// Under nohup, or after trap '' TERM: the signals do not end the program,
// nor take the terminal from it.
TEST(PtyOutput, SignalsIgnoredAtTheStartStayIgnored) {
    PseudoTerminal pty(40, 10);
    ASSERT_TRUE(pty.ok());
    pid_t child = start_on_pty(pty, "wait", PtyShape{.ignoring = true});
    std::string bytes;
    ASSERT_GE(read_until(pty, bytes, "plain"), 0);
    sleep_ms(200);
    std::string raw = pty.settings();
    kill(child, SIGTERM);
    kill(child, SIGHUP);
    sleep_ms(500);
    int status = 0;
    EXPECT_EQ(waitpid(child, &status, WNOHANG), 0) << "still running";
    EXPECT_EQ(pty.settings(), raw);
    EXPECT_EQ(pty.read_available().find(csi("?25h")), std::string::npos);
    kill(child, SIGKILL);
    waitpid(child, &status, 0);
}

// The presenter draws the new size though the program never calls the
// runtime again.
TEST(PtyOutput, AResizeWhileTheProgramComputesIsDrawnAtOnce) {
    PseudoTerminal pty(40, 10);
    ASSERT_TRUE(pty.ok());
    pid_t child = start_on_pty(pty, "compute", PtyShape{});
    std::string bytes;
    ASSERT_GE(read_until(pty, bytes, "plain"), 0);
    sleep_ms(100);
    bytes += pty.read_available();
    size_t from = bytes.size();
    pty.resize(30, 8);
    double took = read_until(pty, bytes, "plain", from, 1000);
    EXPECT_GE(took, 0) << "never drawn";
    EXPECT_LT(took, 100);
    EXPECT_NE(bytes.find(csi("2J"), from), std::string::npos);
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
}

// Frames of a program writing without pause come once per flush period
// (15 ms), not at each burst of writes.
TEST(PtyOutput, AWriteLoopIsDrawnOncePerFlushPeriod) {
    char file[] = "/tmp/pty_pace_XXXXXX";
    close(mkstemp(file));
    TerminalOutput run = run_on_pty("pace", PtyShape{.file = file});
    ASSERT_TRUE(WIFEXITED(run.status));
    unsigned long long writes = 0;
    double elapsed = 0;
    FILE *figures = fopen(file, "r");
    ASSERT_NE(figures, nullptr);
    EXPECT_EQ(fscanf(figures, "%llu %lf", &writes, &elapsed), 2);
    fclose(figures);
    unlink(file);
    EXPECT_GT(writes, 0u);
    EXPECT_LE(static_cast<double>(writes), elapsed / 15 + 2);
}

// The child's text passes through, its exit leaves the terminal alone, and
// the parent goes on reading keys in raw mode; so too with the output to a
// pipe, where the child's exit once gave the terminal back.
TEST(PtyOutput, AForkedChildLeavesTheTerminalToItsParent) {
    char pipe_name[] = "/tmp/pty_fork_XXXXXX";
    close(mkstemp(pipe_name));
    unlink(pipe_name);
    ASSERT_EQ(mkfifo(pipe_name, 0600), 0);
    for (const char *output :
         {static_cast<const char *>(nullptr), static_cast<const char *>(pipe_name)}) {
        std::string name = output ? "output to a pipe" : "output to the terminal";
        int piped = output ? open(pipe_name, O_RDONLY | O_NONBLOCK) : -1;
        PseudoTerminal pty(40, 10);
        ASSERT_TRUE(pty.ok());
        pid_t child = start_on_pty(pty, "fork", PtyShape{.output = output});
        std::string bytes, piped_bytes;
        auto shown = [&] {
            bytes += pty.read_available();
            char chunk[256];
            for (ssize_t n; piped >= 0 && (n = read(piped, chunk, sizeof chunk)) > 0;)
                piped_bytes.append(chunk, static_cast<size_t>(n));
            return output ? piped_bytes : bytes;
        };
        // Raw mode is taken before the input modes go on.
        ASSERT_GE(read_until(pty, bytes, input_modes('h')), 0) << name;
        std::string raw = pty.settings();
        for (double start = now_ms(); now_ms() - start < 5000;) {
            if (shown().find("parent done") != std::string::npos) break;
            sleep_ms(10);
        }
        ASSERT_NE(shown().find("parent done"), std::string::npos) << name;
        EXPECT_NE(shown().find("child"), std::string::npos) << name;
        EXPECT_EQ(pty.settings(), raw) << name;
        (void)!write(pty.master(), "k", 1);
        TerminalOutput run = pty.collect_until_end(child, end_polls());
        ASSERT_TRUE(WIFEXITED(run.status)) << name;
        EXPECT_EQ(WEXITSTATUS(run.status), 0) << name;
        EXPECT_NE((shown() + run.bytes).find("key k"), std::string::npos) << name;
        if (piped >= 0) close(piped);
    }
    unlink(pipe_name);
}

} // namespace
