// Standard output not a terminal: the probe program run with its output to
// a pipe writes plain UTF-8 text and no escape sequences, waits for a full
// pipe, and ends with an exit status that tells when output was lost. Also
// the process routines: ExitProcess through the test hook.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "codepage.h"
#include "console_host.h"
#include "i386_exec.h"
#include "plain_transcript.h"
#include "win32.h"

namespace {

struct RunResult {
    std::string output;
    int status;
};

// The output redirection comes last, so that it can send standard output
// elsewhere and standard error to the pipe read here.
RunResult run_probe(const std::string &environment, const std::string &mode,
                    const std::string &redirection = "") {
    std::string command = environment + " " + i386_shell_prefix() + TTY_PROBE_PATH + " " + mode +
                          " /dev/null < /dev/null 2>/dev/null " + redirection;
    RunResult result{"", -1};
    FILE *pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return result;
    char chunk[256];
    size_t n;
    while ((n = fread(chunk, 1, sizeof chunk, pipe)) > 0) result.output.append(chunk, n);
    int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

const std::string PROBE_TEXT_950 = "\r\n  bright white on blue \u2026\r\n"
                                   "  yellow on green\r\n"
                                   "  plain \u2665 end\r\n";

TEST(PlainOutput, RedirectedOutputIsUtf8TextWithoutEscapes) {
    RunResult run = run_probe("env -u CONRT_CODEPAGE", "return");
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output, PROBE_TEXT_950);
    EXPECT_EQ(run.output.find('\x1b'), std::string::npos);
}

TEST(PlainOutput, CodePageComesFromTheEnvironment) {
    RunResult run = run_probe("env CONRT_CODEPAGE=437", "return");
    EXPECT_EQ(run.status, 0);
    // In code page 437 the two Big5 bytes are two letters.
    EXPECT_NE(run.output.find("bright white on blue \u00EDK\r\n"), std::string::npos) << run.output;
}

TEST(PlainOutput, ExitProcessKeepsItsCodeAndAllTheText) {
    RunResult run = run_probe("env -u CONRT_CODEPAGE", "exit");
    EXPECT_EQ(run.status, 3);
    EXPECT_EQ(run.output, PROBE_TEXT_950);
}

TEST(PlainOutput, OutputThatCannotBeWrittenShowsInTheExitStatus) {
    const struct {
        std::string mode;
        std::string redirection;
        int status;
        std::string said;
    } cases[] = {
        {"return", "2>&1 >/dev/full", 112,
         "conrt: standard output was not written: There is not enough space on the disk.\n"},
        {"return", ">&-", 6, ""},
        {"written", ">/dev/full", 100 + 112, ""},
        {"written", ">&-", 100 + 6, ""},
        {"exit", ">/dev/full", 3, ""}, // a failing status of its own is kept
    };
    for (const auto &c : cases) {
        RunResult run = run_probe("env -u CONRT_CODEPAGE", c.mode, c.redirection);
        EXPECT_EQ(run.status, c.status) << c.mode << " " << c.redirection;
        EXPECT_EQ(run.output, c.said) << c.mode << " " << c.redirection;
    }
}

// The pipe fills before anyone reads it: the console waits instead of
// dropping what does not fit.
TEST(PlainOutput, NonBlockingPipeGetsEveryByte) {
    int ends[2];
    ASSERT_EQ(pipe(ends), 0);
    fcntl(ends[1], F_SETFL, O_NONBLOCK);
    pid_t child = fork();
    if (child == 0) {
        int quiet = open("/dev/null", O_RDWR);
        dup2(quiet, STDIN_FILENO);
        dup2(ends[1], STDOUT_FILENO);
        dup2(quiet, STDERR_FILENO);
        close(ends[0]);
        char *const argv[] = {const_cast<char *>("tty_probe"), const_cast<char *>("flood"),
                              const_cast<char *>("/dev/null"), nullptr};
        i386_execv(TTY_PROBE_PATH, argv);
        _exit(127);
    }
    close(ends[1]);
    usleep(300000);
    std::string output;
    char chunk[65536];
    for (ssize_t n; (n = read(ends[0], chunk, sizeof chunk)) > 0;)
        output.append(chunk, static_cast<size_t>(n));
    close(ends[0]);
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_EQ(output.size(), PROBE_TEXT_950.size() + 6000 * 60);
}

// The transcript, step by step: 'T' writes text, 'M' moves the cursor on its
// row, 'R' to another row, 'C' clears the screen; a console 10 cells wide.
struct TranscriptCase {
    const char *name;
    std::vector<std::pair<char, std::string>> steps;
    std::string expected;
};

std::string transcript_of(const TranscriptCase &c) {
    posix_console::CodePage codepage(437);
    posix_console::PlainTranscript transcript(codepage);
    std::string out;
    for (const auto &[step, text] : c.steps) {
        auto bytes = reinterpret_cast<const unsigned char *>(text.data());
        if (step == 'T') transcript.write(bytes, text.size(), 10, out);
        if (step == 'M' || step == 'R') transcript.cursor_moved(step == 'R', out);
        if (step == 'C') transcript.screen_cleared(out);
    }
    transcript.finish(out);
    return out;
}

TEST(PlainTranscript, ScreenOperationsBecomeLines) {
    const TranscriptCase cases[] = {
        {"text passes", {{'T', "a b\r\n"}}, "a b\r\n"},
        {"move to another row ends the line", {{'T', "ab"}, {'R', ""}, {'T', "c"}}, "ab\r\nc"},
        {"move on the row keeps it", {{'T', "ab"}, {'M', ""}, {'T', "c"}}, "abc"},
        {"move from an empty line adds none", {{'T', "a\r\n"}, {'R', ""}, {'T', "b"}}, "a\r\nb"},
        {"blanks before a move colour cells",
         {{'T', "a"}, {'T', " "}, {'M', ""}, {'T', " "}, {'R', ""}, {'T', "  b"}},
         "a\r\n  b"},
        {"trailing blanks at exit stay out", {{'T', "a  "}}, "a"},
        {"clear starts a page", {{'T', "a"}, {'C', ""}, {'T', "b"}}, "a\r\n\r\nb"},
        {"clears do not pile up", {{'T', "a\r\n"}, {'C', ""}, {'C', ""}, {'T', "b"}}, "a\r\n\r\nb"},
        {"a first clear writes nothing", {{'C', ""}, {'T', "b"}}, "b"},
        {"a long line breaks at the width", {{'T', "0123456789abc"}}, "0123456789\r\nabc"},
        {"a full line and its end", {{'T', "0123456789\r\nx"}}, "0123456789\r\nx"},
        {"a tab stops at the edge", {{'T', "abcdefgh\tx"}}, "abcdefgh\t\r\nx"},
        {"blanks wrap like text", {{'T', "012345678  x"}}, "012345678 \r\n x"},
    };
    for (const TranscriptCase &c : cases) EXPECT_EQ(transcript_of(c), c.expected) << c.name;
}

TEST(PlainTranscript, DoubleByteCharactersAreNotSplitAtTheEdge) {
    posix_console::CodePage codepage(950);
    posix_console::PlainTranscript transcript(codepage);
    std::string out;
    const unsigned char text[] = "012345678\xA1\x4B";
    transcript.write(text, sizeof text - 1, 10, out);
    EXPECT_EQ(out, "012345678\r\n\u2026");
}

struct ExitCaught {
    unsigned code;
};

void throw_exit(unsigned code) {
    throw ExitCaught{code};
}

TEST(ExitProcessHook, TheHookSeesTheCodeInsteadOfAnExit) {
    console_host_open(10, 2);
    console_host_set_exit_hook(throw_exit);
    try {
        ExitProcess(42);
        ADD_FAILURE() << "ExitProcess returned";
    } catch (const ExitCaught &caught) {
        EXPECT_EQ(caught.code, 42u);
    }
    console_host_set_exit_hook(nullptr);
}

} // namespace
