// The probe program on a pseudo-terminal: every byte a terminal receives
// from the console, from the first clear to the restore at the end, for a
// return from main, ExitProcess, a bell and a crash.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <termios.h>

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

// The terminal the probe runs on: its size and TERM (null: unset).
struct PtyShape {
    unsigned short columns = 40;
    unsigned short rows = 10;
    const char *term = "xterm";
};

// The child gets the pseudo-terminal as its controlling terminal, with
// output processing off so that the bytes arrive as the console sent them.
[[noreturn]] void exec_probe_on(const PseudoTerminal &pty, const char *mode, const char *term) {
    pty.take_as_controlling_terminal();
    termios settings;
    tcgetattr(STDOUT_FILENO, &settings);
    settings.c_oflag &= ~static_cast<tcflag_t>(OPOST);
    tcsetattr(STDOUT_FILENO, TCSANOW, &settings);
    term ? setenv("TERM", term, 1) : unsetenv("TERM");
    dup2(open("/dev/null", O_WRONLY), STDERR_FILENO);
    char *const argv[] = {const_cast<char *>("tty_probe"), const_cast<char *>(mode),
                          const_cast<char *>("/dev/null"), nullptr};
    i386_execv(TTY_PROBE_PATH, argv);
    _exit(127);
}

// Runs the probe and collects what it sends, for ten seconds at most (a
// minute under the emulator, where painting the largest console is slow).
TerminalOutput run_on_pty(const char *mode, PtyShape shape = {}) {
    PseudoTerminal pty(shape.columns, shape.rows);
    if (!pty.ok()) return {};
    pid_t child = fork();
    if (child == 0) exec_probe_on(pty, mode, shape.term);
    return pty.collect_until_end(child, i386_emulator() != nullptr ? 6000 : 1000);
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
// that thread itself: the exit then stops the flusher thread.
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

TEST(PtyOutput, CrashRestoresAndDiesOfItsSignal) {
    TerminalOutput run = run_on_pty("segv");
    ASSERT_TRUE(WIFSIGNALED(run.status));
    EXPECT_EQ(WTERMSIG(run.status), SIGSEGV);
    std::string restore = restore_below(3);
    ASSERT_GE(run.bytes.size(), restore.size());
    EXPECT_EQ(run.bytes.substr(run.bytes.size() - restore.size()), restore);
}

} // namespace
