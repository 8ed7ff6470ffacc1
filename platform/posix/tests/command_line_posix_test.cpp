// GetCommandLineA and get_command_tail on Linux: this test program starts
// itself with chosen arguments and reads back the line and tail it saw.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "con_input.h"
#include "i386_exec.h"
#include "win32.h"

namespace {

const char *const REPORT_VARIABLE = "CONRT_COMMAND_LINE_REPORT";

// The child's half: writes its command line and tail, one per line.
TEST(CommandLineChild, ReportsWhatItSees) {
    const char *report = std::getenv(REPORT_VARIABLE);
    if (report == nullptr) GTEST_SKIP() << "runs only when started by CommandLine tests";
    std::vector<char> tail(COMMAND_TAIL_SIZE);
    bool found = get_command_tail(tail.data());
    std::ofstream(report, std::ios::binary) << GetCommandLineA() << '\n'
                                            << (found ? "1" : "0") << '\n'
                                            << tail.data() << '\n';
}

struct Seen {
    std::string line, found, tail;
};

// Starts this program by the name given, with the arguments given after it.
// Starts this program with the given arguments after its name.
Seen run_self(const std::vector<std::string> &arguments, const char *name = "self") {
    std::string report = "/tmp/conrt_command_line_" + std::to_string(getpid());
    std::string filter = "--gtest_filter=CommandLineChild.*";
    pid_t child = fork();
    if (child == 0) {
        setenv(REPORT_VARIABLE, report.c_str(), 1);
        int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, STDOUT_FILENO); // the child's test report is not this test's
        dup2(quiet, STDERR_FILENO);
        std::vector<char *> argv;
        argv.push_back(const_cast<char *>(name));
        argv.push_back(filter.data());
        for (const std::string &a : arguments) argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        char self[4096];
        ssize_t length = readlink("/proc/self/exe", self, sizeof self - 1);
        if (length <= 0) _exit(127);
        self[length] = '\0';
        i386_execv(self, argv.data());
        _exit(127);
    }
    int status = 0;
    waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    std::ifstream in(report, std::ios::binary);
    Seen seen;
    std::getline(in, seen.line);
    std::getline(in, seen.found);
    std::getline(in, seen.tail);
    std::remove(report.c_str());
    return seen;
}

const std::string FILTER = "--gtest_filter=CommandLineChild.*";

TEST(CommandLine, ArgumentsJoinedAndQuotedAsOnWindows) {
    const struct {
        std::vector<std::string> arguments;
        std::string shown;
    } cases[] = {
        {{}, ""},
        {{"one", "two"}, " one two"},
        {{"with blank"}, " \"with blank\""},
        {{""}, " \"\""},
        {{"tab\there"}, " \"tab\there\""},
        {{"say \"hi\""}, " \"say \\\"hi\\\"\""},
        {{"back\\slash"}, " back\\slash"},
        {{"end slash\\"}, " \"end slash\\\\\""},
    };
    for (const auto &c : cases) {
        Seen seen = run_self(c.arguments);
        EXPECT_EQ(seen.line, "self " + FILTER + c.shown);
        EXPECT_EQ(seen.found, "1");
        EXPECT_EQ(seen.tail, FILTER + c.shown);
    }
}

// Whatever the program's path holds, the tail is the arguments alone (after
// a quoted name the blank before them stays in it).
TEST(CommandLine, TheTailIsRightWhateverTheProgramIsCalled) {
    for (const char *name : {"q\"d/prog", "a b", "\"", "a\"b c\"d", "x\" y", "tab\tname\\"}) {
        Seen seen = run_self({"one", "two"}, name);
        std::string tail = seen.tail.substr(seen.tail.starts_with(' ') ? 1 : 0);
        EXPECT_EQ(tail, FILTER + " one two") << name << " gave the line " << seen.line;
    }
}

// Windows reads the program name from quote to quote with no escapes: its
// backslashes stay single, and the tail starts right after the quote.
TEST(CommandLine, ProgramNameIsQuotedWithoutEscapes) {
    Seen seen = run_self({"x"}, "my dir\\");
    EXPECT_EQ(seen.line, "\"my dir\\\" " + FILTER + " x");
    EXPECT_EQ(seen.tail, " " + FILTER + " x");
}

} // namespace
