// Standard output not a terminal: the probe program run with its output to
// a pipe writes plain UTF-8 text and no escape sequences. Also the process
// routines: ExitProcess through the test hook.
#include <gtest/gtest.h>
#include <stdio.h>
#include <sys/wait.h>

#include <string>

#include "console_host.h"
#include "i386_exec.h"
#include "win32.h"

namespace {

struct RunResult {
    std::string output;
    int status;
};

RunResult run_probe(const std::string &environment, const std::string &mode) {
    std::string command = environment + " " + i386_shell_prefix() + TTY_PROBE_PATH + " " + mode +
                          " /dev/null < /dev/null 2>/dev/null";
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
